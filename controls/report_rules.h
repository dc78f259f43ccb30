// The report list's rules that need no window: sort keys and their quicksort, text and value
// comparison, row-state filters, shading colours, number texts, the display order of hidden
// columns, the in-place edit keys and the empty-list hints. CReportCtrl applies them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A bulk change of the file list is under way: SortRows sets it for the length of a sort (the
// busy dialog too), so the main window ignores the flood of row-change notifications.
inline std::atomic<bool> g_bListBusy{false};
// Lists are drawn themed and double-buffered. Always so with Qt; when cleared, the list
// repaints itself in a few more situations so that hints are not smeared.
inline std::atomic<bool> g_bVistaOrLater{true};

// One sort key. Saved as "SortEx": 8 bytes per key, both fields little-endian.
struct ColumnSortInfo
{
    int32_t nColumn = 0;    // column index, not display position
    int32_t bAscending = 1; // 1 ascending, 0 descending

    bool operator==(const ColumnSortInfo&) const = default;
};

// Row states, as read by QueryRowStates and used as filters and changes.
enum RowStateFlags : unsigned
{
    StateAll = 0x01,
    StateSelected = 0x02,
    StateUnselected = 0x04,
    StateCheckOn = 0x08,
    StateCheckOff = 0x10,
    StateFocused = 0x20,
    StateUnfocused = 0x40,
};

// Show/hide bookkeeping of one column.
struct ColumnState
{
    uint8_t bVisible = 1;
    int32_t nSavedWidth = 0;  // the width the column gets when shown again
    int32_t nRestorePos = -1; // the column count when last hidden; -1 before that

    bool operator==(const ColumnState&) const = default;
};

// Colours as 0x00BBGGRR; ReportDefaultColor stands for the system's window or text colour.
using ReportColor = uint32_t;
inline constexpr ReportColor ReportDefaultColor = 0xFFFFFFFFu;
constexpr ReportColor ReportRgb(unsigned r, unsigned g, unsigned b)
{
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned ReportRed(ReportColor c)
{
    return c & 0xFFu;
}
constexpr unsigned ReportGreen(ReportColor c)
{
    return (c >> 8) & 0xFFu;
}
constexpr unsigned ReportBlue(ReportColor c)
{
    return (c >> 16) & 0xFFu;
}

inline constexpr ReportColor ShadeInvalid = ReportRgb(255, 225, 241);
inline constexpr ReportColor ShadeOdd = ReportRgb(244, 245, 252);
inline constexpr ReportColor ShadeOddSorted = ReportRgb(227, 230, 242);
inline constexpr ReportColor ShadeEven = ReportRgb(255, 255, 255);
inline constexpr ReportColor ShadeEvenSorted = ReportRgb(241, 242, 247);
inline constexpr ReportColor HintTextColor = ReportRgb(106, 106, 255);

inline constexpr std::size_t MaxSortKeys = 6;
inline constexpr unsigned WM_REPORT_SORTED = 0xA711;
inline constexpr unsigned WM_REPORT_EDITED = 0xA712;

// The cell that WM_REPORT_EDITED refers to through its wParam, valid during the call.
struct EditedCell
{
    int32_t nRow = -1;
    int32_t nColumn = -1;
};

// A header click on column c: c becomes the primary key, reversed when it already was the
// primary key, keeping its direction when it was a later key, ascending when new; at most
// MaxSortKeys keys remain.
void UpdateSortKeysOnClick(std::vector<ColumnSortInfo>& keys, int32_t column);

// Byte-wise comparison of UTF-8 texts as unsigned bytes; a prefix is the smaller. -1, 0, 1.
int CompareTextBytes(std::string_view a, std::string_view b);
// By value; values that do not compare (NaN) count as equal. -1, 0, 1.
int CompareValues(double a, double b);

// Hoare-style quicksort of row indexes; the comparison's sign is reversed for a descending
// sort. Not stable: rows that compare equal may change their order.
void QuickSortRows(std::vector<int>& rows, bool ascending,
                   const std::function<int(int, int)>& compare);

// The key chain: compares on column, then, while equal, on the columns of the keys after key
// index k, all in one direction. compareColumn(r1, r2, column) compares one column.
int CompareRowsByKeys(int r1, int r2, int32_t column, std::size_t k,
                      const std::vector<ColumnSortInfo>& keys,
                      const std::function<int(int, int, int32_t)>& compareColumn);

// The row-state filter test: a filter of 0 matches nothing; StateAll matches every row;
// otherwise every bit of the filter must be among the row's states.
constexpr bool RowMatchesFilter(unsigned states, unsigned filter)
{
    return filter != 0 && ((filter & StateAll) != 0 || (states & filter) == filter);
}

// The text of SetCellNumber: "%.<p>f" for p >= 0; for p < 0 "%f" with trailing zeros and
// then trailing full stops removed.
std::string FormatCellNumber(double value, int32_t precision);

// The back colour that ApplyRowShading gives a cell; sortColumn is -1 when there is none.
ReportColor ShadingColor(int row, int column, int sortColumn, bool tint, bool invalid);

// Display order rules for hiding and showing a column: order lists the column indexes by
// display position. Hiding moves the column to position 0; showing moves it right past every
// later hidden column and every position up to restorePos.
void HideColumnInOrder(std::vector<int>& order, int column);
void ShowColumnInOrder(std::vector<int>& order, int column, int restorePos,
                       const std::function<bool(int)>& isHidden);
// A column dropped at newPos by a header drag lands at least at the display position of the
// leftmost shown column of order (the order before the drop).
int ClampDropPosition(const std::vector<int>& order, int newPos,
                      const std::function<bool(int)>& isHidden);

// Horizontal scroll delta that brings a column's header item [left, right) into view, with
// scroll the current scroll position and [clientLeft, clientRight) the visible area.
int ColumnScrollDelta(int left, int right, int scroll, int clientLeft, int clientRight,
                      bool partlyEnough);

// The in-place editor's keys.
enum class EditKey
{
    Tab,
    Enter,
    Escape,
    Up,
    Down,
};
struct EditKeyAction
{
    enum Kind
    {
        Commit,     // finish, keeping the text
        Discard,    // finish, dropping the text
        MoveToCell, // commit, then edit the cell (row, column)
    } kind = Commit;
    int row = -1;
    int column = -1;
};
EditKeyAction EditKeyRule(EditKey key, bool shift, int editRow, int editColumn, int rowCount,
                          const std::vector<uint32_t>& editableColumns);

// How much of a cell's text a new edit selects from the start: up to, not including, the
// last "." (the whole text when it has none), in UTF-16 code units as the edit box counts.
std::size_t EditSelectionLength(std::u16string_view text);

// The empty-list hint shown at a tick count: each stands for 6 seconds of a 24-second cycle.
constexpr unsigned HintIndex(uint32_t ticks)
{
    return (ticks / 6000u) % 4u;
}
std::string_view HintText(unsigned index);
// Top of the hint's text so that its first line ends at the middle of [top, bottom).
constexpr int HintTextTop(int top, int bottom, int lineHeight)
{
    return top + ((bottom - top) / 2 - lineHeight);
}

// The style bits CreateReport adjusts: drops small-icon view, label editing and no-scroll,
// adds child, visible, both scroll bars and report view.
inline constexpr uint32_t ReportStyleReport = 0x0001;
inline constexpr uint32_t ReportStyleSmallIcon = 0x0002;
inline constexpr uint32_t ReportStyleSingleSel = 0x0004;
inline constexpr uint32_t ReportStyleShowSelAlways = 0x0008;
inline constexpr uint32_t ReportStyleEditLabels = 0x0200;
inline constexpr uint32_t ReportStyleNoScroll = 0x2000;
inline constexpr uint32_t ReportStyleNoColumnHeader = 0x4000;
inline constexpr uint32_t ReportStyleNoSortHeader = 0x8000;
inline constexpr uint32_t WindowStyleHScroll = 0x00100000;
inline constexpr uint32_t WindowStyleVScroll = 0x00200000;
inline constexpr uint32_t WindowStyleVisible = 0x10000000;
inline constexpr uint32_t WindowStyleChild = 0x40000000;
constexpr uint32_t AdjustReportStyle(uint32_t style)
{
    style &= ~(ReportStyleSmallIcon | ReportStyleEditLabels | ReportStyleNoScroll);
    return style | WindowStyleChild | WindowStyleVisible | WindowStyleVScroll | WindowStyleHScroll |
           ReportStyleReport;
}

// Extended styles: grid lines, header drag and drop, sub-item images, full-row select, info
// tips, double buffer. SetReportExStyle always adds full-row select and sub-item images.
inline constexpr uint32_t ReportExGridLines = 0x00001;
inline constexpr uint32_t ReportExSubItemImages = 0x00002;
inline constexpr uint32_t ReportExHeaderDragDrop = 0x00010;
inline constexpr uint32_t ReportExFullRowSelect = 0x00020;
inline constexpr uint32_t ReportExInfoTip = 0x00400;
inline constexpr uint32_t ReportExDoubleBuffer = 0x10000;
inline constexpr uint32_t ReportExAlways = ReportExFullRowSelect | ReportExSubItemImages;
