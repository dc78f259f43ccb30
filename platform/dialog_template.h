// Dialogs described as constant tables of controls in dialog units, and the one builder that
// turns such a table into Qt widgets inside a QDialog. Dialog units follow the dialog's font:
// x * average character width / 4, y * font height / 8.
#pragma once

#include <QFont>
#include <QRect>

#include <span>

class QDialog;
class QWidget;

namespace platform
{

enum class ControlKind
{
    PushButton,
    Label,     // left-aligned static text
    RightText, // right-aligned static text
    GroupBox,  // a frame with a title, drawn beneath the controls it frames
    EditBox,
    DropDownList,    // a non-editable drop-down list
    SmoothProgress,  // progress bar with a range of 0 to 100
    MarqueeProgress, // progress bar that shows activity without a percentage
    ReportList,      // a list with columns and a header
};

// Style bits of one control.
enum ControlStyle : unsigned
{
    CsNone = 0,
    CsDefaultButton = 0x1, // push button: pressed by Enter, takes the first focus
    CsDisabled = 0x2,
    CsBorder = 0x4,         // edit box or list: framed
    CsSingleSelect = 0x8,   // report list: one row at a time (several otherwise)
    CsNoSortHeader = 0x10,  // report list: header sections are not buttons
    CsShowSelAlways = 0x20, // report list: selection shown without the focus
};

// Style bits of a dialog.
enum DialogStyle : unsigned
{
    DsNone = 0,
    DsResizable = 0x1, // the user may size the window
    DsMinimizeBox = 0x2,
    DsMaximizeBox = 0x4,
    DsAppWindow = 0x8, // a top-level window of its own in the taskbar
};

// One control: rectangle in dialog units (x, y, width, height). Texts are UTF-8.
struct DialogControl
{
    int id; // -1 for a control that is never looked up
    ControlKind kind;
    const char* text;
    int x;
    int y;
    int cx;
    int cy;
    unsigned style;
};

struct DialogTemplate
{
    int id;
    const char* caption;
    int cx; // client size in dialog units
    int cy;
    const char* fontFamily;
    int fontPointSize;
    unsigned style;
    std::span<const DialogControl> controls;
};

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits
{
    int cx = 0; // average character width
    int cy = 0; // font height
    friend bool operator==(const DialogBaseUnits&, const DialogBaseUnits&) = default;
};

// The family used when the template's family is not installed.
QString DialogFallbackFamily();

// The template's font: its family when installed, else the fallback family, at its point size.
QFont DialogFont(const char* family, int pointSize);

// Base units of a font: the average width of the 52 Latin letters, rounded, and the height.
DialogBaseUnits BaseUnitsForFont(const QFont& font);

// a * b / c, rounded half away from zero, computed without overflow.
int MulDiv(int a, int b, int c);

// A rectangle in dialog units to pixels; the edges are mapped, not the sizes, so adjacent
// controls stay adjacent.
QRect MapDialogRect(const QRect& units, DialogBaseUnits base);

// Builds `tmpl` in `dialog`: font, caption, window flags, client size and every control as a
// direct child in table order (which is also the tab order). Returns the base units used.
DialogBaseUnits BuildDialog(QDialog& dialog, const DialogTemplate& tmpl);

// The base units a dialog was built with (from its font when it was not built by BuildDialog).
DialogBaseUnits DialogUnits(const QWidget& dialog);

// The control with `id` among the dialog's children, or nullptr.
QWidget* GetDlgItem(const QWidget& dialog, int id);

// The id a control was built with; 0 for a widget that is no template control.
int GetDlgCtrlID(const QWidget& control);

} // namespace platform
