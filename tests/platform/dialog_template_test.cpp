#include "platform/dialog_template.h"
#include "platform/dialog_templates.h"

#include <QComboBox>
#include <QDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <climits>

using namespace platform;

namespace
{

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero)
{
    struct Case
    {
        int a, b, c, expected;
    };
    const Case cases[] = {
        {5, 4, 4, 5},
        {3, 3, 2, 5},
        {5, 1, 4, 1},
        {-3, 3, 2, -5},
        {3, -3, 2, -5},
        {-3, -3, 2, 5},
        {3, 3, -2, -5},
        {7, 1, 0, -1},
        {0, 9, 4, 0},
        {INT_MAX, 2, 1, -1},
        {INT_MAX, 2, 2, INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(DialogUnits, EdgesAreMappedSoNeighboursStayAdjacent)
{
    const DialogBaseUnits base{6, 13};
    // x 7 -> 10.5 -> 11, y 4 -> 6.5 -> 7, right 361 -> 541.5 -> 542, bottom 52 -> 84.5 -> 85
    EXPECT_EQ(MapDialogRect(QRect(7, 4, 354, 48), base), QRect(11, 7, 531, 78));
    // Two controls side by side in units share an edge in pixels.
    const QRect a = MapDialogRect(QRect(1, 1, 3, 3), base);
    const QRect b = MapDialogRect(QRect(4, 1, 3, 3), base);
    EXPECT_EQ(a.x() + a.width(), b.x());
    EXPECT_EQ(MapDialogRect(QRect(0, 0, 367, 273), {7, 15}).size(), QSize(642, 512));
}

TEST(DialogUnits, FontFallsBackToOneFamilyWhenMissing)
{
    const QFont tahoma = DialogFont("Tahoma", 8);
    EXPECT_EQ(tahoma.pointSize(), 8);
    const QString family = QFontInfo(tahoma).family();
    EXPECT_TRUE(family == QStringLiteral("Tahoma") || tahoma.family() == DialogFallbackFamily())
        << family.toStdString();

    const QFont missing = DialogFont("No Such Family For Sonoria", 8);
    EXPECT_EQ(missing.family(), DialogFallbackFamily());
    EXPECT_EQ(missing.pointSize(), 8);

    const DialogBaseUnits small = BaseUnitsForFont(DialogFont("Tahoma", 8));
    const DialogBaseUnits large = BaseUnitsForFont(DialogFont("Tahoma", 16));
    EXPECT_GT(small.cx, 0);
    EXPECT_GT(small.cy, small.cx);
    EXPECT_GT(large.cx, small.cx);
    EXPECT_GT(large.cy, small.cy);
}

// Is the widget of the kind its table row asks for?
bool HasKind(QWidget* w, ControlKind kind)
{
    switch (kind)
    {
    case ControlKind::PushButton:
        return qobject_cast<QPushButton*>(w);
    case ControlKind::Label:
    case ControlKind::RightText:
        return qobject_cast<QLabel*>(w);
    case ControlKind::GroupBox:
        return qobject_cast<QGroupBox*>(w);
    case ControlKind::EditBox:
        return qobject_cast<QLineEdit*>(w);
    case ControlKind::DropDownList:
        return qobject_cast<QComboBox*>(w);
    case ControlKind::SmoothProgress:
    case ControlKind::MarqueeProgress:
        return qobject_cast<QProgressBar*>(w);
    case ControlKind::ReportList:
        return qobject_cast<QTreeWidget*>(w);
    }
    return false;
}

QString TextOf(QWidget* w)
{
    if (auto* b = qobject_cast<QPushButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    return QString();
}

TEST(DialogTemplate, ProgressWindowTemplateBuildsEveryControlWhereItsUnitsSay)
{
    QDialog dialog;
    const DialogBaseUnits base = BuildDialog(dialog, g_tmplConvProg);
    EXPECT_EQ(DialogUnits(dialog), base);
    EXPECT_EQ(base, BaseUnitsForFont(dialog.font()));
    EXPECT_EQ(dialog.size(), MapDialogRect(QRect(0, 0, 367, 273), base).size());
    EXPECT_TRUE(dialog.windowTitle().isEmpty());
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(dialog.minimumSize(), QSize(0, 0)); // resizable
    EXPECT_EQ(dialog.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

    ASSERT_EQ(g_tmplConvProg.controls.size(), 28u);
    for (const DialogControl& c : g_tmplConvProg.controls)
    {
        SCOPED_TRACE(c.id);
        QWidget* w = GetDlgItem(dialog, c.id);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), &dialog);
        EXPECT_EQ(GetDlgCtrlID(*w), c.id);
        EXPECT_TRUE(HasKind(w, c.kind));
        EXPECT_EQ(TextOf(w), QString::fromUtf8(c.text));
        EXPECT_EQ(w->geometry(), MapDialogRect(QRect(c.x, c.y, c.cx, c.cy), base));
        if (auto* label = qobject_cast<QLabel*>(w))
        {
            EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask,
                      c.kind == ControlKind::RightText ? Qt::AlignRight : Qt::AlignLeft);
            EXPECT_EQ(label->textFormat(), Qt::PlainText); // paths are never markup
        }
    }
    EXPECT_EQ(GetDlgItem(dialog, 4242), nullptr);

    auto* bar = qobject_cast<QProgressBar*>(GetDlgItem(dialog, 1073));
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    auto* log = qobject_cast<QTreeWidget*>(GetDlgItem(dialog, 1003));
    EXPECT_FALSE(log->header()->sectionsClickable());
    EXPECT_EQ(log->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(log->selectionBehavior(), QAbstractItemView::SelectRows);

    // The frames lie beneath everything they frame; the rest keep the table's order.
    const QObjectList children = dialog.children();
    const auto at = [&](int id) { return children.indexOf(GetDlgItem(dialog, id)); };
    EXPECT_LT(at(1071), at(1073));
    EXPECT_LT(at(1072), at(1073));
    EXPECT_LT(at(1072), at(1076));
    EXPECT_LT(at(1096), at(1075));
    EXPECT_LT(at(1075), at(2));
    // Tab order follows the table.
    EXPECT_EQ(GetDlgItem(dialog, 1096)->nextInFocusChain(), GetDlgItem(dialog, 1075));
    EXPECT_EQ(GetDlgItem(dialog, 1075)->nextInFocusChain(), GetDlgItem(dialog, 2));
}

constexpr DialogControl g_aFixedControls[] = {
    {1054, ControlKind::MarqueeProgress, "", 7, 7, 302, 10, CsNone},
    {1012, ControlKind::EditBox, "/music", 7, 20, 200, 13, CsDisabled | CsBorder},
    {1088, ControlKind::DropDownList, "", 7, 36, 200, 60, CsNone},
    {1, ControlKind::PushButton, "OK", 210, 24, 50, 14, CsDefaultButton},
    {3, ControlKind::PushButton, "Cancel", 259, 24, 50, 14, CsNone},
    {-1, ControlKind::GroupBox, "Frame listed last", 2, 2, 312, 40, CsNone},
};

constexpr DialogTemplate g_tmplFixed = {
    1, "Processing Audio Files...", 316, 44, "Tahoma", 8, DsNone, g_aFixedControls,
};

TEST(DialogTemplate, FixedDialogWithEachRemainingKind)
{
    QDialog dialog;
    const DialogBaseUnits base = BuildDialog(dialog, g_tmplFixed);
    const QSize client = MapDialogRect(QRect(0, 0, 316, 44), base).size();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Processing Audio Files..."));
    EXPECT_EQ(dialog.minimumSize(), client);
    EXPECT_EQ(dialog.maximumSize(), client);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);

    auto* marquee = qobject_cast<QProgressBar*>(GetDlgItem(dialog, 1054));
    ASSERT_NE(marquee, nullptr);
    EXPECT_EQ(marquee->maximum(), 0); // busy, no percentage
    auto* edit = qobject_cast<QLineEdit*>(GetDlgItem(dialog, 1012));
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_TRUE(edit->hasFrame());
    auto* combo = qobject_cast<QComboBox*>(GetDlgItem(dialog, 1088));
    ASSERT_NE(combo, nullptr);
    EXPECT_FALSE(combo->isEditable());
    // The template height of a drop-down list is its open list; closed, it is as tall as Qt
    // draws it.
    EXPECT_EQ(combo->height(), combo->sizeHint().height());
    EXPECT_EQ(combo->y(), MapDialogRect(QRect(7, 36, 200, 60), base).y());
    auto* ok = qobject_cast<QPushButton*>(GetDlgItem(dialog, 1));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(qobject_cast<QPushButton*>(GetDlgItem(dialog, 3))->isDefault());
    // A frame listed after the controls it frames is still beneath them.
    QWidget* frame = GetDlgItem(dialog, -1);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(dialog.children().indexOf(frame), 0);
    EXPECT_EQ(dialog.childAt(ok->geometry().center()), ok);
}

} // namespace
