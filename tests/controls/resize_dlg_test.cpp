#include "controls/resize_dlg.h"

#include "controls/size_grip_ext.h"
#include "platform/dialog_template.h"
#include "platform/dialog_templates.h"
#include "platform/message_box.h"
#include "platform/profile.h"
#include "tests/support/temp_dir.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>

using namespace controls;
using platform::GetDlgItem;

namespace
{

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

// The progress window's registrations, on a dialog built from its template.
class CTestProgressDlg : public CResizeDlg
{
public:
    CTestProgressDlg() : CResizeDlg(platform::g_tmplConvProg, nullptr) {}

    bool m_bRegistered = false;

protected:
    bool OnInitDialog() override
    {
        const bool result = CResizeDlg::OnInitDialog();
        for (int id : {1071, 1072, 1073, 1074})
            AddResizeItem(id, RuleStretch, RuleStretch, RuleFixed, RuleFixed, 0, -1, -1, -1, -1);
        for (int id : {1096, 1075, 2})
            AddResizeItem(id, RuleCenter, RuleCenter, RuleMove, RuleMove, 0, 1.0, -1, -1, -1);
        for (int id : {1076, 1077, 1078, 1079, 1085, 1084, 1090, 1089, 1080, 1081, 1082, 1083, 1087,
                       1086, 1088, 1091})
            AddResizeItem(id, RuleCenter, RuleCenter, RuleFixed, RuleFixed,
                          id == 1080 ? int(ResizeClipOnErase) : 0, 1.0, -1, -1, -1);
        for (int id : {1092, 1093})
            AddResizeItem(id, RuleStretch, RuleStretch, RuleFixed, RuleFixed, 0, 1.0, -1, -1, -1);
        AddResizeItem(1003, RuleStretch, RuleStretch, RuleStretch, RuleStretch, 0, 1.0, -1, -1, -1);
        m_bRegistered = true;
        return result;
    }
};

class ResizeDlgTest : public testing::Test
{
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(m_dir.Path()));
        m_oldHandler = platform::SetMessageBoxHandler(
            [this](const std::string& text, const std::string& caption, unsigned flags)
            {
                m_boxes.push_back({text, caption, flags});
                return int(platform::IdOk);
            });
    }
    void TearDown() override { platform::SetMessageBoxHandler(m_oldHandler); }

    static void Show(QWidget& w)
    {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }

    // Resizes and waits until the dialog has the new client size.
    static void ResizeTo(QWidget& w, int width, int height)
    {
        w.resize(width, height);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.size() == QSize(width, height); }, 5000));
    }

    static std::map<int, QRect> Geometries(const QWidget& dlg)
    {
        std::map<int, QRect> rects;
        for (const platform::DialogControl& c : platform::g_tmplConvProg.controls)
            rects[c.id] = GetDlgItem(dlg, c.id)->geometry();
        return rects;
    }

    struct Box
    {
        std::string text;
        std::string caption;
        unsigned flags;
    };
    testing_support::TempDir m_dir;
    platform::MessageBoxHandler m_oldHandler;
    std::vector<Box> m_boxes;
};

TEST_F(ResizeDlgTest, ConstructionDefaultsAndInitialisationBeforeTheFirstShow)
{
    CTestProgressDlg dlg;
    EXPECT_TRUE(dlg.ResizeItems().empty());
    EXPECT_EQ(dlg.SizeGrip(), nullptr);
    EXPECT_TRUE(dlg.PlacementEntry().isEmpty());
    EXPECT_EQ(dlg.MinTrackWidth(), 0);
    EXPECT_EQ(dlg.MinTrackHeight(), 0);
    EXPECT_TRUE(dlg.ResizableX());
    EXPECT_TRUE(dlg.ResizableY());
    EXPECT_EQ(dlg.SizingEdge(), 0);
    dlg.HideSizeGrip(); // no grip yet: nothing to do
    // A size change before initialisation only clears the sizing edge.
    dlg.OnSizing(SizingBottomRight);
    dlg.OnSize(SizeRestored);
    EXPECT_EQ(dlg.SizingEdge(), 0);
    EXPECT_EQ(dlg.SizeGrip(), nullptr);
    EXPECT_FALSE(dlg.AddResizeItem(4242, RuleMove, RuleMove, RuleMove, RuleMove));

    Show(dlg);
    EXPECT_TRUE(dlg.m_bRegistered);
    EXPECT_EQ(dlg.ResizeItems().size(), 26u);
    EXPECT_EQ(dlg.InitialClientRect().Width(), dlg.width());
    EXPECT_EQ(dlg.InitialClientRect().Height(), dlg.height());
    EXPECT_EQ(dlg.LastClientRect(), dlg.InitialClientRect());
    ASSERT_NE(dlg.SizeGrip(), nullptr);
    EXPECT_TRUE(dlg.SizeGrip()->isVisible());
    EXPECT_TRUE(dlg.SizeGrip()->IsTriangular());
    EXPECT_FALSE(dlg.SizeGrip()->IsTransparent());
    EXPECT_EQ(dlg.ResizeItems()[15].ControlId, 1080);
    EXPECT_TRUE(dlg.ResizeItems()[15].ClipOnErase);
}

TEST_F(ResizeDlgTest, ProgressWindowControlsFollowTheirRules)
{
    CTestProgressDlg dlg;
    Show(dlg);
    const std::map<int, QRect> before = Geometries(dlg);
    const int W0 = dlg.width();
    const int H0 = dlg.height();
    const int dx = 203;
    const int dy = 151;
    ResizeTo(dlg, W0 + dx, H0 + dy);
    const std::map<int, QRect> after = Geometries(dlg);

    // Where a centred control goes: its centre at the fraction of the width it had when it was
    // registered (its template place), truncated toward zero.
    const platform::DialogBaseUnits base = platform::DialogUnits(dlg);
    const auto centred = [&](int id)
    {
        for (const platform::DialogControl& c : platform::g_tmplConvProg.controls)
            if (c.id == id)
            {
                const QRect t = platform::MapDialogRect(QRect(c.x, c.y, c.cx, c.cy), base);
                const double ratio = (t.left() + t.left() + t.width()) * 0.5 / W0;
                return int((W0 + dx) * ratio - t.width() * 0.5);
            }
        ADD_FAILURE() << "no control " << id;
        return 0;
    };
    for (int id : {1071, 1072, 1073, 1074, 1092, 1093})
    {
        SCOPED_TRACE(id);
        EXPECT_EQ(after.at(id), before.at(id).adjusted(0, 0, dx, 0));
    }
    EXPECT_EQ(after.at(1003), before.at(1003).adjusted(0, 0, dx, dy));
    for (int id : {1096, 1075, 2})
    {
        SCOPED_TRACE(id);
        EXPECT_EQ(after.at(id),
                  QRect(QPoint(centred(id), before.at(id).y() + dy), before.at(id).size()));
    }
    for (int id : {1076, 1077, 1078, 1079, 1085, 1084, 1090, 1089, 1080, 1081, 1082, 1083, 1087,
                   1086, 1088, 1091})
    {
        SCOPED_TRACE(id);
        EXPECT_EQ(after.at(id),
                  QRect(QPoint(centred(id), before.at(id).y()), before.at(id).size()));
    }
    // Not registered: the two captions stay.
    EXPECT_EQ(after.at(1094), before.at(1094));
    EXPECT_EQ(after.at(1095), before.at(1095));
    // The buttons keep their order and do not overlap.
    EXPECT_LT(after.at(1096).right(), after.at(1075).left());
    EXPECT_LT(after.at(1075).right(), after.at(2).left());

    // Back to the first size: every control is exactly where it started.
    ResizeTo(dlg, W0, H0);
    EXPECT_EQ(Geometries(dlg), before);
}

TEST_F(ResizeDlgTest, MaximiseHidesTheGripAndRestoreBringsBackLayoutAndGrip)
{
    CTestProgressDlg dlg;
    Show(dlg);
    const std::map<int, QRect> before = Geometries(dlg);
    const QSize normal = dlg.size();

    dlg.showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.isMaximized() && dlg.size() != normal; }, 5000));
    const QSize maxi = dlg.size();
    EXPECT_FALSE(dlg.SizeGrip()->isVisible());
    EXPECT_EQ(GetDlgItem(dlg, 1003)->geometry(),
              before.at(1003).adjusted(0, 0, maxi.width() - normal.width(),
                                       maxi.height() - normal.height()));
    EXPECT_EQ(dlg.LastClientRect().Width(), maxi.width());

    dlg.showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.isMaximized() && dlg.size() == normal; }, 5000));
    EXPECT_TRUE(dlg.SizeGrip()->isVisible());
    EXPECT_EQ(Geometries(dlg), before);
}

TEST_F(ResizeDlgTest, MinimisingMovesNothing)
{
    CTestProgressDlg dlg;
    Show(dlg);
    ResizeTo(dlg, dlg.width() + 40, dlg.height() + 30);
    const std::map<int, QRect> before = Geometries(dlg);
    const LayoutRect last = dlg.LastClientRect();

    dlg.OnSizing(SizingBottom);
    dlg.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.isMinimized(); }, 5000));
    dlg.OnSize(SizeMinimized); // also when the platform reports a size with it
    EXPECT_EQ(Geometries(dlg), before);
    EXPECT_EQ(dlg.LastClientRect(), last);
    EXPECT_EQ(dlg.SizingEdge(), SizingBottom);
    EXPECT_TRUE(dlg.SizeGrip()->WishedVisible());

    dlg.showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.isMinimized(); }, 5000));
    EXPECT_EQ(Geometries(dlg), before);
    EXPECT_EQ(dlg.SizingEdge(), 0);
}

TEST_F(ResizeDlgTest, HiddenGripReturnsWithTheNextSizeChange)
{
    CTestProgressDlg dlg;
    Show(dlg);
    dlg.HideSizeGrip();
    EXPECT_FALSE(dlg.SizeGrip()->isVisible());
    ResizeTo(dlg, dlg.width() + 1, dlg.height());
    EXPECT_TRUE(dlg.SizeGrip()->isVisible());
}

TEST_F(ResizeDlgTest, SizingEdgeFromAPlatformLaysOutByThatEdge)
{
    CTestProgressDlg dlg;
    Show(dlg);
    const QRect log = GetDlgItem(dlg, 1003)->geometry();
    const QRect clear = GetDlgItem(dlg, 1096)->geometry();
    ResizeTo(dlg, dlg.width() + 50, dlg.height() + 20);
    dlg.OnSizing(SizingRight);
    dlg.OnSize(SizeMaxShow); // the size did not change since: nothing moves
    EXPECT_EQ(dlg.SizingEdge(), 0);
    EXPECT_EQ(GetDlgItem(dlg, 1003)->geometry(), log.adjusted(0, 0, 50, 20));
    EXPECT_EQ(GetDlgItem(dlg, 1096)->geometry().y(), clear.y() + 20);
}

TEST_F(ResizeDlgTest, TrackingLimits)
{
    CTestProgressDlg dlg;
    Show(dlg);
    dlg.SetMinTrackSize(300, 200);
    EXPECT_EQ(dlg.minimumSize(), QSize(300, 200));
    EXPECT_EQ(dlg.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    dlg.SetResizable(false, true);
    EXPECT_EQ(dlg.maximumWidth(), 300);
    EXPECT_EQ(dlg.maximumHeight(), QWIDGETSIZE_MAX);
    dlg.SetMinTrackSize(0, 0);
    dlg.SetResizable(true, false);
    // No minimum height to pin to: the height stays as it is instead of collapsing.
    EXPECT_EQ(dlg.maximumHeight(), dlg.height());
    EXPECT_EQ(dlg.maximumWidth(), QWIDGETSIZE_MAX);
}

TEST_F(ResizeDlgTest, PlacementIsSavedOnDestroyUnderItsEntry)
{
    const QString entry = Q("{08498238-9FCE-4F3C-861C-BE77C5E25FD5}");
    QRect geometry;
    {
        CTestProgressDlg dlg;
        dlg.SetPlacementEntry(entry);
        Show(dlg);
        dlg.setGeometry(40, 50, dlg.width() + 10, dlg.height() + 10);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return dlg.geometry().topLeft() == QPoint(40, 50); }, 5000));
        geometry = dlg.geometry();
        dlg.DestroyWindow();
        dlg.DestroyWindow(); // once only
    }
    QByteArray stored;
    ASSERT_TRUE(platform::GetProfileBinary(Q("Position"), entry, stored));
    ASSERT_EQ(stored.size(), 44);
    const auto placement = platform::DecodePlacement(
        std::span(reinterpret_cast<const std::uint8_t*>(stored.data()), 44));
    ASSERT_TRUE(placement);
    EXPECT_EQ(placement->rcNormalPosition,
              (platform::PlacementRect{geometry.x(), geometry.y(), geometry.x() + geometry.width(),
                                       geometry.y() + geometry.height()}));
    EXPECT_TRUE(m_boxes.empty());

    // Without an entry, or never shown, nothing is saved.
    ASSERT_TRUE(platform::WriteProfileBinary(Q("Position"), entry, QByteArray("keep")));
    {
        CTestProgressDlg never;
        never.SetPlacementEntry(entry);
    }
    {
        CTestProgressDlg unnamed;
        Show(unnamed);
    }
    ASSERT_TRUE(platform::GetProfileBinary(Q("Position"), entry, stored));
    EXPECT_EQ(stored, QByteArray("keep"));
}

TEST_F(ResizeDlgTest, FailedSaveOnDestroyTellsTheUser)
{
    const std::string blocker = m_dir / "blocker";
    std::ofstream(blocker) << "x";
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(blocker + "/profile"));
    {
        CTestProgressDlg dlg;
        dlg.SetPlacementEntry(Q("{08498238-9FCE-4F3C-861C-BE77C5E25FD5}"));
        Show(dlg);
    } // destroyed here
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, "Fail to Save!");
    EXPECT_EQ(m_boxes[0].caption, platform::ApplicationTitle());
    EXPECT_EQ(m_boxes[0].flags, unsigned(platform::MbOk | platform::MbIconWarning));
}

} // namespace
