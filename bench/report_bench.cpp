// Benchmark of the report list control with one set of generated rows: filling 10,000 rows of
// 8 cells through the public API from a worker thread and from the UI thread, sorting 100,000
// rows by a text column and by a value column, Qt's own QStandardItemModel::sort of the same
// rows beside it, and the memory that 100,000 rows take.
//
//   report_bench [rows-to-sort]      (QT_QPA_PLATFORM=offscreen when there is no display)

#include "controls/report_ctrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{

struct Entry
{
    double sizeMB = 0;
    unsigned sampleRate = 0;
    unsigned channels = 0;
};

struct Data
{
    std::vector<std::vector<QString>> cells; // per row, 8 texts
    std::vector<Entry> entries;
};

const char* const kTitles[] = {"Name",          "Path",     "Type",      "Size(MB)",
                               "Last Modified", "Duration", "Frequency", "Channel"};

Data Generate(int rows)
{
    static const char* const words[] = {"river", "night", "blue",  "echo",  "summer", "Piano",
                                        "live",  "demo",  "Intro", "final", "take",   "mix"};
    static const unsigned rates[] = {8000, 11025, 22050, 32000, 44100, 48000};
    std::mt19937 random(20240611);
    Data data;
    data.cells.reserve(static_cast<std::size_t>(rows));
    data.entries.resize(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i)
    {
        Entry& e = data.entries[static_cast<std::size_t>(i)];
        e.sizeMB = static_cast<double>(random() % 200000) / 1000.0;
        e.sampleRate = rates[random() % 6];
        e.channels = 1 + random() % 2;
        const QString name = QStringLiteral("%1 %2 %3.wav")
                                 .arg(QString::fromUtf8(words[random() % 12]),
                                      QString::fromUtf8(words[random() % 12]))
                                 .arg(random() % 100000);
        const QString path = QStringLiteral("/home/user/Music/%1/%2")
                                 .arg(QString::fromUtf8(words[random() % 12]))
                                 .arg(random() % 500);
        const unsigned seconds = random() % 4000;
        data.cells.push_back({name, path, QStringLiteral("WAV"), QString::number(e.sizeMB, 'f', 2),
                              QStringLiteral("2024-%1-%2 12:%3")
                                  .arg(1 + random() % 12, 2, 10, QChar(u'0'))
                                  .arg(1 + random() % 28, 2, 10, QChar(u'0'))
                                  .arg(random() % 60, 2, 10, QChar(u'0')),
                              QStringLiteral("00:%1:%2")
                                  .arg(seconds / 60, 2, 10, QChar(u'0'))
                                  .arg(seconds % 60, 2, 10, QChar(u'0')),
                              QString::number(e.sampleRate), QString::number(e.channels)});
    }
    return data;
}

void SetUpColumns(CReportCtrl& ctrl)
{
    const int widths[] = {150, 150, 65, 85, 120, 88, 96, 88};
    for (int c = 0; c < 8; ++c)
        ctrl.AddColumn(c, QString::fromUtf8(kTitles[c]), c < 2 ? FormatLeft : FormatRight,
                       widths[c]);
    ctrl.SetReportExStyle(ReportExDoubleBuffer | ReportExInfoTip | ReportExHeaderDragDrop);
    ctrl.SetValueColumn(3, [](const void* p) { return static_cast<const Entry*>(p)->sizeMB; });
    ctrl.SetValueColumn(6, [](const void* p)
                        { return static_cast<double>(static_cast<const Entry*>(p)->sampleRate); });
    ctrl.SetValueColumn(7, [](const void* p)
                        { return static_cast<double>(static_cast<const Entry*>(p)->channels); });
    ctrl.resize(1000, 600);
    ctrl.show();
}

// Fills rows the way the file loader does: a row, then its other cells and its entry.
void Fill(CReportCtrl& ctrl, Data& data, int rows)
{
    for (int i = 0; i < rows; ++i)
    {
        const auto& cells = data.cells[static_cast<std::size_t>(i)];
        const int r = ctrl.InsertRow(ctrl.CountRows(StateAll), cells[0],
                                     &data.entries[static_cast<std::size_t>(i)]);
        for (int c = 1; c < 8; ++c)
            ctrl.SetCellText(r, c, cells[static_cast<std::size_t>(c)]);
    }
}

long RssKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

double Ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int sortRows = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100000;
    const int fillRows = argc > 2 ? std::atoi(argv[2]) : 10000;
    Data data = Generate(std::max(sortRows, fillRows));
    std::printf("report_bench: %d rows to fill, %d rows to sort, 8 columns\n", fillRows, sortRows);

    // Filling from a worker thread: every call waits for the UI thread, as the loader does.
    {
        CReportCtrl ctrl;
        SetUpColumns(ctrl);
        QElapsedTimer t;
        t.start();
        std::atomic<bool> done{false};
        std::thread worker(
            [&]
            {
                Fill(ctrl, data, fillRows);
                done = true;
            });
        platform::WaitServingMessages([&] { return done.load(); }, 600000);
        worker.join();
        QApplication::processEvents();
        std::printf("fill %d rows from a worker thread:    %9.1f ms  (%d rows)\n", fillRows, Ms(t),
                    ctrl.GetRowCount());
    }
    {
        CReportCtrl ctrl;
        SetUpColumns(ctrl);
        QElapsedTimer t;
        t.start();
        Fill(ctrl, data, fillRows);
        QApplication::processEvents();
        std::printf("fill %d rows from the UI thread:      %9.1f ms\n", fillRows, Ms(t));
    }

    double oursText = 0, oursValue = 0;
    {
        const long before = RssKb();
        CReportCtrl ctrl;
        SetUpColumns(ctrl);
        QElapsedTimer fill;
        fill.start();
        ctrl.SetRedraw(false);
        Fill(ctrl, data, sortRows);
        ctrl.SetRedraw(true);
        QApplication::processEvents();
        std::printf("fill %d rows from the UI thread, redraw off: %6.1f ms\n", sortRows, Ms(fill));
        const long after = RssKb();
        std::printf("memory for %d rows (RSS growth):      %9.1f MB\n", sortRows,
                    static_cast<double>(after - before) / 1024.0);

        QElapsedTimer t;
        ctrl.m_aSortInfo = {{0, 1}};
        t.start();
        ctrl.SortRows(0, ctrl.GetRowCount() - 1, true);
        QApplication::processEvents();
        oursText = Ms(t);
        ctrl.m_aSortInfo = {{3, 1}};
        t.start();
        ctrl.SortRows(0, ctrl.GetRowCount() - 1, true);
        QApplication::processEvents();
        oursValue = Ms(t);
    }

    double qtText = 0, qtValue = 0;
    {
        const long before = RssKb();
        QElapsedTimer build;
        build.start();
        // Never deleted: tearing down 100,000 standard items takes Qt minutes, and the process
        // ends right after the figures are printed.
        auto* standard = new QStandardItemModel(0, 8);
        QStandardItemModel& model = *standard;
        for (int r = 0; r < sortRows; ++r)
        {
            const auto& cells = data.cells[static_cast<std::size_t>(r)];
            QList<QStandardItem*> items;
            for (int c = 0; c < 8; ++c)
            {
                auto* item = new QStandardItem();
                // The value column holds the number itself, so Qt too sorts it by value.
                if (c == 3)
                    item->setData(data.entries[static_cast<std::size_t>(r)].sizeMB,
                                  Qt::DisplayRole);
                else
                    item->setText(cells[static_cast<std::size_t>(c)]);
                items.push_back(item);
            }
            model.appendRow(items);
        }
        auto* view = new QTreeView;
        view->setModel(&model);
        view->setUniformRowHeights(true);
        view->setRootIsDecorated(false);
        view->resize(1000, 600);
        view->show();
        QApplication::processEvents();
        const long after = RssKb();
        std::printf("build %d rows of QStandardItemModel:  %9.1f ms\n", sortRows, Ms(build));
        std::printf("memory for %d rows, QStandardItemModel:%8.1f MB\n", sortRows,
                    static_cast<double>(after - before) / 1024.0);
        QElapsedTimer t;
        t.start();
        model.sort(0, Qt::AscendingOrder);
        QApplication::processEvents();
        qtText = Ms(t);
        t.start();
        model.sort(3, Qt::AscendingOrder);
        QApplication::processEvents();
        qtValue = Ms(t);
    }

    std::printf("sort %d rows by text:   SortRows %9.1f ms   QStandardItemModel::sort %9.1f ms"
                "   ratio %.2f\n",
                sortRows, oursText, qtText, oursText / qtText);
    std::printf("sort %d rows by value:  SortRows %9.1f ms   QStandardItemModel::sort %9.1f ms"
                "   ratio %.2f\n",
                sortRows, oursValue, qtValue, oursValue / qtValue);
    std::fflush(stdout);
    std::_Exit(0);
}
