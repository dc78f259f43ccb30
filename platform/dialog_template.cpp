#include "platform/dialog_template.h"

#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVariant>

#include <cstdint>

namespace platform
{
namespace
{

// Dynamic properties on built widgets.
constexpr char ControlIdProperty[] = "sonoriaControlId";
constexpr char BaseUnitsXProperty[] = "sonoriaBaseUnitsX";
constexpr char BaseUnitsYProperty[] = "sonoriaBaseUnitsY";

QString Utf8(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

QWidget* CreateControl(QDialog& dialog, const DialogControl& c)
{
    const QString text = Utf8(c.text);
    switch (c.kind)
    {
    case ControlKind::PushButton:
    {
        auto* button = new QPushButton(text, &dialog);
        if (c.style & CsDefaultButton)
        {
            button->setDefault(true);
            button->setFocus();
        }
        return button;
    }
    case ControlKind::Label:
    case ControlKind::RightText:
    {
        auto* label = new QLabel(&dialog);
        // Labels show paths and file names: never read them as markup.
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setAlignment(Qt::AlignTop |
                            (c.kind == ControlKind::RightText ? Qt::AlignRight : Qt::AlignLeft));
        return label;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(text, &dialog);
    case ControlKind::EditBox:
    {
        auto* edit = new QLineEdit(text, &dialog);
        edit->setFrame((c.style & CsBorder) != 0);
        return edit;
    }
    case ControlKind::DropDownList:
    {
        auto* combo = new QComboBox(&dialog);
        combo->setEditable(false);
        return combo;
    }
    case ControlKind::SmoothProgress:
    case ControlKind::MarqueeProgress:
    {
        auto* bar = new QProgressBar(&dialog);
        bar->setTextVisible(false);
        if (c.kind == ControlKind::MarqueeProgress)
            bar->setRange(0, 0); // Qt's busy indicator
        else
            bar->setRange(0, 100);
        bar->setValue(0);
        return bar;
    }
    case ControlKind::ReportList:
    {
        auto* list = new QTreeWidget(&dialog);
        list->setRootIsDecorated(false);
        list->setItemsExpandable(false);
        list->setUniformRowHeights(true);
        list->setAllColumnsShowFocus(true);
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setSelectionMode((c.style & CsSingleSelect) ? QAbstractItemView::SingleSelection
                                                          : QAbstractItemView::ExtendedSelection);
        list->setSortingEnabled(false);
        list->header()->setSectionsClickable((c.style & CsNoSortHeader) == 0);
        list->header()->setStretchLastSection(false);
        list->setColumnCount(0);
        if (!(c.style & CsBorder))
            list->setFrameShape(QFrame::NoFrame);
        return list;
    }
    }
    return nullptr;
}

Qt::WindowFlags FlagsForStyle(unsigned style)
{
    if (style & (DsMinimizeBox | DsMaximizeBox | DsAppWindow))
    {
        Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
        if (style & DsMinimizeBox)
            flags |= Qt::WindowMinimizeButtonHint;
        if (style & DsMaximizeBox)
            flags |= Qt::WindowMaximizeButtonHint;
        return flags;
    }
    return Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
           Qt::CustomizeWindowHint;
}

} // namespace

QString DialogFallbackFamily()
{
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont DialogFont(const char* family, int pointSize)
{
    QFont font(Utf8(family));
    font.setPointSize(pointSize > 0 ? pointSize : 8);
    // Font matching picks some installed family for a missing one; name the fallback
    // ourselves, so the dialog looks the same wherever the template's family is missing.
    if (QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) != 0)
        font.setFamily(DialogFallbackFamily());
    return font;
}

DialogBaseUnits BaseUnitsForFont(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t p = std::int64_t{a} * b;
    const std::int64_t half = (c < 0 ? -std::int64_t{c} : std::int64_t{c}) / 2;
    const std::int64_t q = (p >= 0 ? p + half : p - half) / c;
    if (q > INT32_MAX || q < INT32_MIN)
        return -1;
    return static_cast<int>(q);
}

QRect MapDialogRect(const QRect& units, DialogBaseUnits base)
{
    const int left = MulDiv(units.x(), base.cx, 4);
    const int top = MulDiv(units.y(), base.cy, 8);
    const int right = MulDiv(units.x() + units.width(), base.cx, 4);
    const int bottom = MulDiv(units.y() + units.height(), base.cy, 8);
    return QRect(left, top, right - left, bottom - top);
}

DialogBaseUnits BuildDialog(QDialog& dialog, const DialogTemplate& tmpl)
{
    const QFont font = DialogFont(tmpl.fontFamily, tmpl.fontPointSize);
    dialog.setFont(font);
    const DialogBaseUnits base = BaseUnitsForFont(font);
    dialog.setProperty(BaseUnitsXProperty, base.cx);
    dialog.setProperty(BaseUnitsYProperty, base.cy);
    dialog.setWindowFlags(FlagsForStyle(tmpl.style));
    dialog.setWindowTitle(Utf8(tmpl.caption));
    dialog.setSizeGripEnabled(false);

    const QSize client = MapDialogRect(QRect(0, 0, tmpl.cx, tmpl.cy), base).size();
    if (tmpl.style & DsResizable)
        dialog.resize(client);
    else
        dialog.setFixedSize(client);

    QList<QWidget*> frames;
    for (const DialogControl& c : tmpl.controls)
    {
        QWidget* control = CreateControl(dialog, c);
        if (!control)
            continue;
        control->setProperty(ControlIdProperty, c.id);
        QRect rect = MapDialogRect(QRect(c.x, c.y, c.cx, c.cy), base);
        // A drop-down list's template height is that of its open list; its closed height comes
        // from the font, as the platform's own lists do.
        if (c.kind == ControlKind::DropDownList)
            rect.setHeight(control->sizeHint().height());
        control->setGeometry(rect);
        if (c.style & CsDisabled)
            control->setEnabled(false);
        if (c.kind == ControlKind::GroupBox)
            frames.push_back(control);
    }
    // A frame listed after the controls it frames would otherwise cover them and take their
    // clicks.
    for (QWidget* frame : frames)
        frame->lower();
    return base;
}

DialogBaseUnits DialogUnits(const QWidget& dialog)
{
    const QVariant x = dialog.property(BaseUnitsXProperty);
    const QVariant y = dialog.property(BaseUnitsYProperty);
    if (x.isValid() && y.isValid())
        return {x.toInt(), y.toInt()};
    return BaseUnitsForFont(dialog.font());
}

QWidget* GetDlgItem(const QWidget& dialog, int id)
{
    const auto children = dialog.findChildren<QWidget*>();
    for (QWidget* child : children)
    {
        const QVariant value = child->property(ControlIdProperty);
        if (value.isValid() && value.toInt() == id)
            return child;
    }
    return nullptr;
}

int GetDlgCtrlID(const QWidget& control)
{
    const QVariant value = control.property(ControlIdProperty);
    return value.isValid() ? value.toInt() : 0;
}

} // namespace platform
