// Renders the report list control into PNG files, to look at it as a user would: rows with
// their shading and colours and the sort arrow, a hidden column, the open edit box, the
// header menu, and the empty list with its hint. Wired the way the main window wires it:
// the sort arrows follow WM_REPORT_SORTED.
//
//   report_shots <output folder> [--stay]   (QT_QPA_PLATFORM=offscreen when there is no
//                                             display; --stay keeps the window open after)

#include "controls/report_ctrl.h"
#include "controls/report_images.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QTest>

#include <cstdio>

namespace
{

struct Entry
{
    double sizeMB;
    unsigned sampleRate;
    unsigned channels;
    bool invalid;
};

const char* const kTitles[] = {"Name",          "Path",     "Type",      "Size(MB)",
                               "Last Modified", "Duration", "Frequency", "Channel"};
const int kWidths[] = {150, 150, 65, 85, 120, 88, 96, 88};

struct Row
{
    const char* name;
    const char* path;
    const char* modified;
    const char* duration;
    Entry entry;
};

Row g_aRows[] = {
    {"Morning Rain.wav",
     "/home/ana/Music/field",
     "2024-03-02 08:14",
     "00:04:31",
     {45.61, 44100, 2, false}},
    {"interview-part2.wav",
     "/home/ana/Recordings",
     "2024-05-19 17:40",
     "00:21:03",
     {57.81, 24000, 1, false}},
    {"Drum Loop 120.wav",
     "/home/ana/Music/loops",
     "2023-11-28 22:05",
     "00:00:16",
     {2.75, 44100, 2, false}},
    {"broken header.wav",
     "/home/ana/Downloads",
     "2024-06-01 09:00",
     "00:00:00",
     {0.01, 0, 0, true}},
    {"Choir - Evensong.wav",
     "/home/ana/Music/live",
     "2022-12-24 19:30",
     "00:07:48",
     {78.77, 44100, 2, false}},
    {"bird call.wav",
     "/home/ana/Music/field",
     "2024-04-11 05:52",
     "00:01:09",
     {5.81, 22050, 1, false}},
    {"Piano Sketch 3.wav",
     "/home/ana/Music/sketches",
     "2024-01-07 23:11",
     "00:02:44",
     {27.59, 44100, 2, false}},
    {"voice memo.wav",
     "/home/ana/Recordings",
     "2024-06-03 12:31",
     "00:00:52",
     {0.79, 8000, 1, false}},
    {"truncated take.wav",
     "/home/ana/Downloads",
     "2024-02-15 14:20",
     "00:00:00",
     {0.00, 0, 0, true}},
    {"Bass DI.wav",
     "/home/ana/Music/sessions",
     "2023-09-30 16:02",
     "00:03:58",
     {40.06, 44100, 2, false}},
};

void Save(const QPixmap& pixmap, const QString& folder, const char* name)
{
    const QString path = folder + QStringLiteral("/") + QString::fromUtf8(name);
    std::printf("%s %s\n", pixmap.save(path) ? "wrote" : "FAILED", qPrintable(path));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();

    CReportCtrl ctrl;
    ctrl.resize(960, 330);
    ctrl.SetReportExStyle(ReportExDoubleBuffer | ReportExInfoTip | ReportExHeaderDragDrop);
    ctrl.ApplyExplorerLook();
    for (int c = 0; c < 8; ++c)
        ctrl.AddColumn(c, QString::fromUtf8(kTitles[c]), c < 2 ? FormatLeft : FormatRight,
                       kWidths[c]);
    ctrl.SetSmallImageList({QApplication::style()->standardIcon(QStyle::SP_FileIcon)});
    ctrl.SetHeaderImageList(MakeSortArrowImages());
    ctrl.EnableHeaderClicks(true);
    ctrl.SetValueColumn(3, [](const void* p) { return static_cast<const Entry*>(p)->sizeMB; });
    ctrl.SetInvalidRowHook([](const void* p) { return static_cast<const Entry*>(p)->invalid; });
    ctrl.EnableCellEditing(true);
    ctrl.AddEditableColumn(0);
    ctrl.ShowEmptyHints(true);

    // The owner's part: the arrow of the sorted column, empty images elsewhere.
    platform::CMessageReceiver owner;
    owner.SetHandler(WM_REPORT_SORTED,
                     [&](platform::WindowMsg& msg) -> platform::LRESULT
                     {
                         for (int c = 0; c < ctrl.GetColumnCount(); ++c)
                             ctrl.SetColumnImage(
                                 c, c == static_cast<int>(msg.wParam) ? (msg.lParam ? 1 : 2) : 0,
                                 false);
                         return 0;
                     });
    ctrl.m_pNotifyWnd = &owner;
    ctrl.m_aSortInfo = {{0, 1}};
    ctrl.show();
    if (!QTest::qWaitForWindowExposed(&ctrl))
        std::printf("the window was not exposed\n");

    ctrl.SetTickSource([] { return 6000u; });
    Save(ctrl.grab(), folder, "report_empty_hint.png");

    for (Row& row : g_aRows)
    {
        const int r = ctrl.InsertRow(ctrl.GetRowCount(), QString::fromUtf8(row.name), &row.entry);
        ctrl.SetCellImage(r, 0, 0);
        ctrl.SetCellText(r, 1, QString::fromUtf8(row.path));
        ctrl.SetCellText(r, 2,
                         row.entry.invalid ? QStringLiteral("Unknown") : QStringLiteral("WAV"));
        if (row.entry.invalid)
            ctrl.SetCellTextColor(r, 2, ReportRgb(255, 0, 0));
        ctrl.SetCellNumber(r, 3, row.entry.sizeMB, 2);
        ctrl.SetCellText(r, 4, QString::fromUtf8(row.modified));
        ctrl.SetCellText(r, 5, QString::fromUtf8(row.duration));
        ctrl.SetCellText(r, 6,
                         row.entry.invalid ? QString() : QString::number(row.entry.sampleRate));
        ctrl.SetCellText(r, 7, row.entry.invalid ? QString() : QString::number(row.entry.channels));
    }
    ctrl.SortRows(0, ctrl.GetRowCount() - 1, true);
    QApplication::processEvents();
    // Click Size(MB) as a user would: it becomes the primary key, tinted, with its arrow.
    const int sizeX = ctrl.header()->sectionViewportPosition(3) + 20;
    QTest::mouseClick(ctrl.header()->viewport(), Qt::LeftButton, {}, QPoint(sizeX, 5));
    QApplication::processEvents();
    ctrl.ApplyRowStates(2, StateSelected);
    ctrl.ApplyRowStates(5, StateSelected | StateFocused);
    ctrl.setFocus();
    QApplication::processEvents();
    Save(ctrl.grab(), folder, "report_rows.png");

    // Click the Size(MB) header again: descending, the arrow turns.
    QTest::mouseClick(ctrl.header()->viewport(), Qt::LeftButton, {}, QPoint(sizeX, 5));
    QApplication::processEvents();
    Save(ctrl.grab(), folder, "report_rows_descending.png");

    ctrl.ShowColumn(4, false);
    QApplication::processEvents();
    Save(ctrl.grab(), folder, "report_hidden_column.png");

    // The edit box: a second click on the selected, focused row's name.
    const QPoint name = ctrl.visualRect(ctrl.model()->index(5, 0)).center();
    QTest::mouseClick(ctrl.viewport(), Qt::LeftButton, {}, name);
    QTest::mouseClick(ctrl.viewport(), Qt::LeftButton, {}, name);
    QApplication::processEvents();
    Save(ctrl.grab(), folder, "report_edit.png");
    ctrl.FinishCellEdit(false);

    // The header menu, drawn over the list where it opens.
    QMenu menu;
    ctrl.BuildHeaderMenu(menu);
    menu.popup(ctrl.mapToGlobal(QPoint(330, 12)));
    QApplication::processEvents();
    QPixmap composed = ctrl.grab();
    {
        QPainter painter(&composed);
        painter.drawPixmap(QPoint(330, 12), menu.grab());
    }
    menu.close();
    Save(composed, folder, "report_header_menu.png");
    if (argc > 2 && qstrcmp(argv[2], "--stay") == 0)
    {
        ctrl.SetTickSource({});
        ctrl.setWindowTitle(QStringLiteral("Report list"));
        return QApplication::exec();
    }
    return 0;
}
