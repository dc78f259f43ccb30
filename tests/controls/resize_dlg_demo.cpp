// A look at the resizable dialog: template 170 with the progress window's layout rules and a
// few log rows, for trying by hand or under Xvfb. Not a test.
//   resize_dlg_demo              show the dialog
//   resize_dlg_demo --png FILE   render it offscreen to FILE and quit
#include "controls/resize_dlg.h"
#include "platform/dialog_template.h"
#include "platform/dialog_templates.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>

#include <cstring>

namespace
{

class CDemoDlg : public controls::CResizeDlg
{
public:
    CDemoDlg() : CResizeDlg(platform::g_tmplConvProg, nullptr) {}

protected:
    bool OnInitDialog() override
    {
        using namespace controls;
        const bool result = CResizeDlg::OnInitDialog();
        setWindowTitle(QStringLiteral("Converting 2/5"));
        for (int id : {1071, 1072, 1073, 1074})
            AddResizeItem(id, RuleStretch, RuleStretch, RuleFixed, RuleFixed);
        for (int id : {1096, 1075, 2})
            AddResizeItem(id, RuleCenter, RuleCenter, RuleMove, RuleMove, 0, 1.0);
        for (int id : {1076, 1077, 1078, 1079, 1085, 1084, 1090, 1089, 1080, 1081, 1082, 1083, 1087,
                       1086, 1088, 1091})
            AddResizeItem(id, RuleCenter, RuleCenter, RuleFixed, RuleFixed,
                          id == 1080 ? int(ResizeClipOnErase) : 0, 1.0);
        for (int id : {1092, 1093})
            AddResizeItem(id, RuleStretch, RuleStretch, RuleFixed, RuleFixed, 0, 1.0);
        AddResizeItem(1003, RuleStretch, RuleStretch, RuleStretch, RuleStretch, 0, 1.0);

        qobject_cast<QProgressBar*>(platform::GetDlgItem(*this, 1073))->setValue(62);
        qobject_cast<QProgressBar*>(platform::GetDlgItem(*this, 1074))->setValue(31);
        qobject_cast<QLabel*>(platform::GetDlgItem(*this, 1092))
            ->setText(QStringLiteral("/home/user/Music/<b>Session</b> & Takes/take 2.wav"));
        qobject_cast<QLabel*>(platform::GetDlgItem(*this, 1093))
            ->setText(QStringLiteral("/home/user/Music/Sonoria/take 2.mp3"));
        auto* log = qobject_cast<QTreeWidget*>(platform::GetDlgItem(*this, 1003));
        log->setHeaderLabels({QString(), QStringLiteral("#"), QStringLiteral("Time"),
                              QStringLiteral("Description")});
        log->setColumnWidth(0, 0);
        log->setColumnWidth(1, 55);
        log->setColumnWidth(2, 63);
        log->setColumnWidth(3, 500);
        const char* lines[] = {"Converting 5 files", "Source: take 1.wav", "Converting status: OK.",
                               "Source: take 2.wav"};
        int n = 0;
        for (const char* line : lines)
        {
            ++n;
            auto* item = new QTreeWidgetItem(log);
            item->setText(1, QStringLiteral("%1 ").arg(n, 3, 10, QLatin1Char('0')));
            item->setText(2, QStringLiteral("12:00:0%1").arg(n));
            item->setText(3, QString::fromUtf8(line));
        }
        return result;
    }
};

} // namespace

int main(int argc, char** argv)
{
    const char* png = nullptr;
    if (argc == 3 && std::strcmp(argv[1], "--png") == 0)
    {
        png = argv[2];
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    CDemoDlg dlg;
    if (png)
    {
        dlg.show();
        return dlg.grab().save(QString::fromLocal8Bit(png)) ? 0 : 1;
    }
    dlg.show();
    return app.exec();
}
