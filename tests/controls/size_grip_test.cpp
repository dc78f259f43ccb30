#include "controls/size_grip_ext.h"

#include "controls/resize_dlg.h"
#include "platform/dialog_templates.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QSettings>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

using namespace controls;

namespace
{

// A style whose scroll bars are `extent` pixels thick.
class CExtentStyle : public QProxyStyle
{
public:
    explicit CExtentStyle(int extent) : m_nExtent(extent) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        if (metric == PM_ScrollBarExtent)
            return m_nExtent;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    int m_nExtent;
};

class SizeGripTest : public testing::Test
{
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(m_dir.Path()));
    }

    static void Show(QWidget& w)
    {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }

    // A mouse event at a point of the screen, delivered to the grip wherever it is by then.
    static void Send(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButton button,
                     Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    // Drags the grip by `by` in two steps and lets go; the grip moves along meanwhile.
    static void Drag(CSizeGripExt* grip, QPoint by)
    {
        const QPoint start = grip->mapToGlobal(QPoint(grip->width() - 3, grip->height() - 3));
        Send(grip, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        Send(grip, QEvent::MouseMove, start + by / 2, Qt::NoButton, Qt::LeftButton);
        Send(grip, QEvent::MouseMove, start + by, Qt::NoButton, Qt::LeftButton);
        Send(grip, QEvent::MouseButtonRelease, start + by, Qt::LeftButton, Qt::NoButton);
    }

    testing_support::TempDir m_dir;
};

TEST_F(SizeGripTest, SitsInTheCornerAsATriangleBeneathItsSiblings)
{
    CResizeDlg dlg(platform::g_tmplConvProg, nullptr);
    Show(dlg);
    CSizeGripExt* grip = dlg.SizeGrip();
    ASSERT_NE(grip, nullptr);
    const int e = grip->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grip);
    EXPECT_EQ(grip->GripWidth(), e);
    EXPECT_EQ(grip->GripHeight(), e);
    EXPECT_EQ(grip->geometry(), QRect(dlg.width() - e, dlg.height() - e, e, e));
    EXPECT_EQ(dlg.children().indexOf(grip), 0);
    EXPECT_EQ(grip->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(grip->HitTest(), HitBottomRight);
    EXPECT_EQ(grip->cursor().shape(), Qt::SizeFDiagCursor);
    // Lower-right half only.
    const QRegion mask = grip->mask();
    EXPECT_TRUE(mask.contains(QPoint(e - 1, e - 1)));
    EXPECT_TRUE(mask.contains(QPoint(e - 2, 2)));
    EXPECT_FALSE(mask.contains(QPoint(1, 1)));
    EXPECT_FALSE(mask.contains(QPoint(2, e - 5)));

    grip->SetTriangular(false);
    EXPECT_TRUE(grip->mask().isEmpty());
    grip->SetTriangular(true);
    EXPECT_TRUE(grip->mask().contains(QPoint(e - 1, e - 1)));
}

TEST_F(SizeGripTest, RightToLeftDialogHasItsGripBottomLeft)
{
    CResizeDlg dlg(platform::g_tmplConvProg, nullptr);
    dlg.setLayoutDirection(Qt::RightToLeft);
    Show(dlg);
    CSizeGripExt* grip = dlg.SizeGrip();
    const int e = grip->GripWidth();
    EXPECT_EQ(grip->HitTest(), HitBottomLeft);
    EXPECT_EQ(grip->geometry(), QRect(0, dlg.height() - e, e, e));
    EXPECT_EQ(grip->cursor().shape(), Qt::SizeBDiagCursor);
    EXPECT_TRUE(grip->mask().contains(QPoint(0, e - 1)));
    EXPECT_FALSE(grip->mask().contains(QPoint(e - 2, 1)));

    const QRect before = dlg.geometry();
    Drag(grip, QPoint(-30, 20));
    // Its corner is bottom-left: the left edge follows the pointer, the right edge stays.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg.height() == before.height() + 20; }, 5000));
    EXPECT_EQ(dlg.geometry().right(), before.right());
    EXPECT_EQ(dlg.width(), before.width() + 30);
}

TEST_F(SizeGripTest, DraggingSizesTheDialogAndTheLayoutFollows)
{
    CResizeDlg dlg(platform::g_tmplConvProg, nullptr);
    Show(dlg);
    ASSERT_TRUE(dlg.AddResizeItem(1003, RuleStretch, RuleStretch, RuleStretch, RuleStretch));
    const QRect log = platform::GetDlgItem(dlg, 1003)->geometry();
    const QSize before = dlg.size();
    CSizeGripExt* grip = dlg.SizeGrip();

    Drag(grip, QPoint(30, 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.size() == before + QSize(30, 20); }, 5000))
        << dlg.width() << "x" << dlg.height();
    EXPECT_EQ(platform::GetDlgItem(dlg, 1003)->geometry(), log.adjusted(0, 0, 30, 20));
    // The grip went along to the new corner.
    EXPECT_EQ(grip->geometry().bottomRight(), QPoint(dlg.width() - 1, dlg.height() - 1));

    Drag(grip, QPoint(-70, -50));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.size() == before - QSize(40, 30); }, 5000))
        << dlg.width() << "x" << dlg.height();
    EXPECT_EQ(platform::GetDlgItem(dlg, 1003)->geometry(), log.adjusted(0, 0, -40, -30));
}

TEST_F(SizeGripTest, KeepsItsCornerWhenTheMetricsChange)
{
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft})
    {
        SCOPED_TRACE(int(direction));
        CExtentStyle wide(31);
        CExtentStyle narrow(9);
        CResizeDlg dlg(platform::g_tmplConvProg, nullptr);
        dlg.setLayoutDirection(direction);
        Show(dlg);
        CSizeGripExt* grip = dlg.SizeGrip();
        const QRect before = grip->geometry();

        grip->setStyle(&wide);
        EXPECT_EQ(grip->GripWidth(), 31);
        EXPECT_EQ(grip->size(), QSize(31, 31));
        EXPECT_EQ(grip->geometry().bottom(), before.bottom());
        if (direction == Qt::LeftToRight)
            EXPECT_EQ(grip->geometry().right(), before.right());
        else
            EXPECT_EQ(grip->geometry().left(), before.left());
        EXPECT_TRUE(
            grip->mask().contains(direction == Qt::LeftToRight ? QPoint(30, 30) : QPoint(0, 30)));
        EXPECT_FALSE(
            grip->mask().contains(direction == Qt::LeftToRight ? QPoint(1, 1) : QPoint(29, 1)));

        grip->setStyle(&narrow);
        EXPECT_EQ(grip->size(), QSize(9, 9));
        EXPECT_EQ(grip->geometry().bottom(), before.bottom());
        if (direction == Qt::LeftToRight)
            EXPECT_EQ(grip->geometry().right(), before.right());
        else
            EXPECT_EQ(grip->geometry().left(), before.left());
        grip->setStyle(nullptr); // before the styles go
    }
}

TEST_F(SizeGripTest, CreatesOnAnyParentAndRepositionNeedsOne)
{
    QWidget parent;
    parent.resize(200, 100);
    CSizeGripExt grip(&parent);
    EXPECT_FALSE(grip.isVisibleTo(&parent));
    EXPECT_EQ(grip.pos(), QPoint(0, 0));
    ASSERT_TRUE(grip.Create(true, false, true));
    EXPECT_TRUE(grip.isVisibleTo(&parent));
    EXPECT_EQ(grip.geometry().bottomRight(), QPoint(199, 99));
    EXPECT_TRUE(grip.mask().isEmpty());
    EXPECT_TRUE(grip.IsTransparent());
    EXPECT_FALSE(grip.autoFillBackground());
    grip.setParent(nullptr);
    grip.Reposition(); // no parent: stays put, no crash
    EXPECT_EQ(grip.geometry().bottomRight(), QPoint(199, 99));
}

} // namespace
