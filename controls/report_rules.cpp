#include "controls/report_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

void UpdateSortKeysOnClick(std::vector<ColumnSortInfo>& keys, int32_t column)
{
    int32_t ascending = 1;
    const auto it = std::find_if(keys.begin(), keys.end(),
                                 [column](const ColumnSortInfo& k) { return k.nColumn == column; });
    if (it != keys.end())
    {
        ascending = it->bAscending != 0 ? 1 : 0;
        if (it == keys.begin())
            ascending = 1 - ascending;
        keys.erase(it);
    }
    keys.insert(keys.begin(), ColumnSortInfo{column, ascending});
    if (keys.size() > MaxSortKeys)
        keys.resize(MaxSortKeys);
}

int CompareTextBytes(std::string_view a, std::string_view b)
{
    // memcmp compares as unsigned char, which is what the byte order asks for.
    const std::size_t n = std::min(a.size(), b.size());
    const int r = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
    if (r != 0)
        return r < 0 ? -1 : 1;
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

int CompareValues(double a, double b)
{
    if (a < b)
        return -1;
    if (a > b)
        return 1;
    return 0; // equal, or not comparable
}

namespace
{

void QuickSortRange(std::vector<int>& a, int lo, int hi, int sign,
                    const std::function<int(int, int)>& compare)
{
    // The two halves are sorted independently, so recursing into the smaller one and looping
    // on the larger gives the same order with a stack depth bounded by log2(n).
    while (lo < hi)
    {
        const int pivot = a[static_cast<std::size_t>(lo + (hi - lo) / 2)];
        int i = lo;
        int j = hi;
        do
        {
            // The bounds checks never bind for a consistent comparison; they keep an
            // inconsistent owner hook from running off the array.
            while (i < hi && sign * compare(a[static_cast<std::size_t>(i)], pivot) < 0)
                ++i;
            while (j > lo && sign * compare(a[static_cast<std::size_t>(j)], pivot) > 0)
                --j;
            if (i <= j)
            {
                if (i != j)
                    std::swap(a[static_cast<std::size_t>(i)], a[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);

        if (j - lo < hi - i)
        {
            if (lo < j)
                QuickSortRange(a, lo, j, sign, compare);
            lo = i;
        }
        else
        {
            if (i < hi)
                QuickSortRange(a, i, hi, sign, compare);
            hi = j;
        }
    }
}

} // namespace

void QuickSortRows(std::vector<int>& rows, bool ascending,
                   const std::function<int(int, int)>& compare)
{
    if (rows.size() < 2)
        return;
    QuickSortRange(rows, 0, static_cast<int>(rows.size()) - 1, ascending ? 1 : -1, compare);
}

int CompareRowsByKeys(int r1, int r2, int32_t column, std::size_t k,
                      const std::vector<ColumnSortInfo>& keys,
                      const std::function<int(int, int, int32_t)>& compareColumn)
{
    for (;;)
    {
        const int r = compareColumn(r1, r2, column);
        if (r != 0)
            return r < 0 ? -1 : 1;
        if (k + 1 >= keys.size())
            return 0;
        ++k;
        column = keys[k].nColumn;
    }
}

std::string FormatCellNumber(double value, int32_t precision)
{
    // Locale-independent, unlike printf once the application has set the user's locale.
    // Beyond 1100 decimals a double has no more digits to show.
    const int digits = precision < 0 ? 6 : std::min<int32_t>(precision, 1100);
    std::string text(420 + static_cast<std::size_t>(digits), '\0');
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::fixed, digits);
    text.resize(static_cast<std::size_t>(result.ptr - text.data()));
    if (precision < 0)
    {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
        while (!text.empty() && text.back() == '.')
            text.pop_back();
    }
    return text;
}

ReportColor ShadingColor(int row, int column, int sortColumn, bool tint, bool invalid)
{
    if (invalid)
        return ShadeInvalid;
    const bool sorted = tint && sortColumn >= 0 && column == sortColumn;
    if (row % 2 != 0)
        return sorted ? ShadeOddSorted : ShadeOdd;
    return sorted ? ShadeEvenSorted : ShadeEven;
}

void HideColumnInOrder(std::vector<int>& order, int column)
{
    int current = -1;
    for (int p = static_cast<int>(order.size()) - 1; p >= 0; --p)
    {
        if (current < 0)
        {
            if (order[static_cast<std::size_t>(p)] == column)
                current = p;
            continue;
        }
        std::swap(order[static_cast<std::size_t>(p)], order[static_cast<std::size_t>(current)]);
        current = p;
    }
}

void ShowColumnInOrder(std::vector<int>& order, int column, int restorePos,
                       const std::function<bool(int)>& isHidden)
{
    int k = -1;
    for (int p = 0; p < static_cast<int>(order.size()); ++p)
    {
        if (k < 0)
        {
            if (order[static_cast<std::size_t>(p)] == column)
                k = p;
            continue;
        }
        if (p <= restorePos || isHidden(order[static_cast<std::size_t>(p)]))
        {
            std::swap(order[static_cast<std::size_t>(k)], order[static_cast<std::size_t>(p)]);
            k = p;
        }
    }
}

int ClampDropPosition(const std::vector<int>& order, int newPos,
                      const std::function<bool(int)>& isHidden)
{
    for (int p = 0; p < static_cast<int>(order.size()); ++p)
    {
        if (!isHidden(order[static_cast<std::size_t>(p)]))
            return std::max(newPos, p);
    }
    return newPos;
}

int ColumnScrollDelta(int left, int right, int scroll, int clientLeft, int clientRight,
                      bool partlyEnough)
{
    if (partlyEnough && left - scroll < clientRight && right - scroll > 0)
        return 0;
    if (right - left > clientRight - clientLeft || left - scroll < 0)
        return left - scroll;
    if (right - scroll > clientRight)
        return right - clientRight - scroll;
    return 0;
}

EditKeyAction EditKeyRule(EditKey key, bool shift, int editRow, int editColumn, int rowCount,
                          const std::vector<uint32_t>& editableColumns)
{
    switch (key)
    {
    case EditKey::Enter:
        return {EditKeyAction::Commit};
    case EditKey::Escape:
        return {EditKeyAction::Discard};
    case EditKey::Tab:
    {
        const int n = static_cast<int>(editableColumns.size());
        if (n == 0)
            return {EditKeyAction::MoveToCell, editRow, editColumn};
        const auto it = std::find(editableColumns.begin(), editableColumns.end(),
                                  static_cast<uint32_t>(editColumn));
        const int at =
            it == editableColumns.end() ? -1 : static_cast<int>(it - editableColumns.begin());
        const int next = shift ? (at <= 0 ? n - 1 : at - 1) : (at + 1) % n;
        return {EditKeyAction::MoveToCell, editRow,
                static_cast<int>(editableColumns[static_cast<std::size_t>(next)])};
    }
    case EditKey::Up:
    case EditKey::Down:
    {
        if (rowCount <= 0)
            return {EditKeyAction::Commit};
        const int step = key == EditKey::Up ? rowCount - 1 : 1;
        return {EditKeyAction::MoveToCell, (editRow + step) % rowCount, editColumn};
    }
    }
    return {EditKeyAction::Commit};
}

std::size_t EditSelectionLength(std::u16string_view text)
{
    const std::size_t dot = text.rfind(u'.');
    return dot == std::u16string_view::npos ? text.size() : dot;
}

std::string_view HintText(unsigned index)
{
    static constexpr std::string_view texts[4] = {
        "Load your files by clicking the \"Add Files\" toolbar button",
        "Right click items in the file list, then click the floating popup menu to perform "
        "various file operations",
        "Click the column header to sort the file list",
        "Right click the column header, then click the floating popup menu to show/hide columns",
    };
    return texts[index % 4];
}
