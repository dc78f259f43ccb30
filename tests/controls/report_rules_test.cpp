#include "controls/report_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace
{

using Keys = std::vector<ColumnSortInfo>;

TEST(ReportSortKeys, HeaderClicksFollowTheKeyRules)
{
    Keys keys{{0, 1}};
    UpdateSortKeysOnClick(keys, 1); // new column: primary, ascending
    EXPECT_EQ(keys, (Keys{{1, 1}, {0, 1}}));
    UpdateSortKeysOnClick(keys, 1); // primary again: reversed
    EXPECT_EQ(keys, (Keys{{1, 0}, {0, 1}}));
    UpdateSortKeysOnClick(keys, 0); // a later key: primary with its own direction
    EXPECT_EQ(keys, (Keys{{0, 1}, {1, 0}}));

    for (int c = 2; c <= 8; ++c)
        UpdateSortKeysOnClick(keys, c);
    EXPECT_EQ(keys, (Keys{{8, 1}, {7, 1}, {6, 1}, {5, 1}, {4, 1}, {3, 1}}));
}

TEST(ReportCompare, TextIsComparedByUnsignedBytes)
{
    struct Case
    {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"Banana", "apple", -1},                       // case matters: upper case first
        {"apple", "apple", 0},   {"app", "apple", -1}, // a prefix is the smaller
        {"", "a", -1},           {"\xc3\xa9", "z", 1}, // UTF-8 lead bytes sort above ASCII
        {"10.50", "9.75", -1},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(CompareTextBytes(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(CompareTextBytes(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(ReportCompare, ValuesCompareNumericallyAndNaNIsEqual)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CompareValues(9.75, 10.5), -1);
    EXPECT_EQ(CompareValues(10.5, 9.75), 1);
    EXPECT_EQ(CompareValues(2.0, 2.0), 0);
    EXPECT_EQ(CompareValues(nan, 1.0), 0);
    EXPECT_EQ(CompareValues(1.0, nan), 0);
}

TEST(ReportQuickSort, IsTheUnstableHoareSort)
{
    // Rows 0 and 2 are equal; the pivot exchanges put row 2 before row 0, where a stable sort
    // would keep 0 first.
    const std::vector<std::string> text{"b", "a", "b"};
    std::vector<int> rows{0, 1, 2};
    QuickSortRows(rows, true, [&](int x, int y) { return CompareTextBytes(text[x], text[y]); });
    EXPECT_EQ(rows, (std::vector<int>{1, 2, 0}));
}

TEST(ReportQuickSort, SortsEveryInputBothWaysWithoutLosingRows)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round)
    {
        const int n = static_cast<int>(random() % 60);
        std::vector<int> value(static_cast<std::size_t>(n));
        for (int& v : value)
            v = static_cast<int>(random() % 8); // many ties
        for (const bool ascending : {true, false})
        {
            std::vector<int> rows(static_cast<std::size_t>(n));
            std::iota(rows.begin(), rows.end(), 0);
            QuickSortRows(rows, ascending,
                          [&](int x, int y) {
                              return value[x] < value[y] ? -1 : value[x] > value[y] ? 1 : 0;
                          });
            std::vector<int> seen = rows;
            std::sort(seen.begin(), seen.end());
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
            for (int i = 1; i < n; ++i)
            {
                const int a = value[rows[i - 1]], b = value[rows[i]];
                ASSERT_TRUE(ascending ? a <= b : a >= b) << "round " << round;
            }
        }
    }
}

TEST(ReportQuickSort, AnInconsistentComparisonStaysInsideTheArray)
{
    std::mt19937 random(7);
    std::vector<int> rows(500);
    std::iota(rows.begin(), rows.end(), 0);
    QuickSortRows(rows, true, [&](int, int) { return static_cast<int>(random() % 3) - 1; });
    std::sort(rows.begin(), rows.end());
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(rows[static_cast<std::size_t>(i)], i);
}

TEST(ReportQuickSort, LaterKeysBreakTiesInThePrimaryDirection)
{
    // Column 0 names, column 1 groups; keys: group, then name (its own direction ignored).
    const std::vector<std::vector<std::string>> cells{
        {"b", "x"}, {"a", "y"}, {"c", "x"}, {"a", "x"}, {"b", "y"}};
    const Keys keys{{1, 1}, {0, 0}};
    const auto compareColumn = [&](int r1, int r2, int32_t c)
    { return CompareTextBytes(cells[r1][c], cells[r2][c]); };
    const auto order = [&](bool ascending)
    {
        std::vector<int> rows{0, 1, 2, 3, 4};
        QuickSortRows(rows, ascending,
                      [&](int r1, int r2)
                      { return CompareRowsByKeys(r1, r2, 1, 0, keys, compareColumn); });
        std::string names;
        for (int r : rows)
            names += cells[r][0] + cells[r][1] + " ";
        return names;
    };
    EXPECT_EQ(order(true), "ax bx cx ay by ");
    EXPECT_EQ(order(false), "by ay cx bx ax ");
    // Equal on every key.
    EXPECT_EQ(CompareRowsByKeys(0, 0, 1, 0, keys, compareColumn), 0);
}

TEST(ReportRowStates, FilterMatching)
{
    const unsigned selectedFocused = StateSelected | StateCheckOff | StateFocused;
    const unsigned plain = StateUnselected | StateCheckOff | StateUnfocused;
    EXPECT_FALSE(RowMatchesFilter(selectedFocused, 0));
    EXPECT_TRUE(RowMatchesFilter(plain, StateAll));
    EXPECT_TRUE(RowMatchesFilter(plain, StateAll | StateSelected)); // StateAll wins
    EXPECT_TRUE(RowMatchesFilter(selectedFocused, StateSelected));
    EXPECT_TRUE(RowMatchesFilter(selectedFocused, StateSelected | StateFocused));
    EXPECT_FALSE(RowMatchesFilter(selectedFocused, StateSelected | StateUnfocused));
    EXPECT_FALSE(RowMatchesFilter(plain, StateSelected));
    EXPECT_TRUE(RowMatchesFilter(plain, StateUnselected | StateCheckOff));
}

TEST(ReportNumbers, CellNumberTexts)
{
    struct Case
    {
        double value;
        int precision;
        const char* text;
    } cases[] = {
        {1.5, -1, "1.5"},
        {2.0, -1, "2"},
        {0.0, -1, "0"},
        {100.0, -1, "100"},
        {3.14159, 2, "3.14"},
        {10.5, 2, "10.50"},
        {-0.25, -1, "-0.25"},
        {1e20, -1, "100000000000000000000"},
        {0.0000001, -1, "0"},
        {2.0, 0, "2"},
        {1234.5678, 3, "1234.568"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatCellNumber(c.value, c.precision), c.text) << c.value << " " << c.precision;
    // A silly precision is bounded, not a huge allocation.
    EXPECT_LE(FormatCellNumber(1.0, 2000000000).size(), 1200u);
}

TEST(ReportShading, ColoursBySortColumnParityAndValidity)
{
    // Column 3 primary, tint on.
    EXPECT_EQ(ShadingColor(0, 3, 3, true, false), ReportRgb(241, 242, 247));
    EXPECT_EQ(ShadingColor(1, 3, 3, true, false), ReportRgb(227, 230, 242));
    EXPECT_EQ(ShadingColor(1, 0, 3, true, false), ReportRgb(244, 245, 252));
    EXPECT_EQ(ShadingColor(0, 0, 3, true, false), ReportRgb(255, 255, 255));
    // Tint off, or no sort column: plain alternation.
    EXPECT_EQ(ShadingColor(0, 3, 3, false, false), ReportRgb(255, 255, 255));
    EXPECT_EQ(ShadingColor(1, 3, -1, true, false), ReportRgb(244, 245, 252));
    // Invalid rows are pink in every column.
    EXPECT_EQ(ShadingColor(0, 3, 3, true, true), ReportRgb(255, 225, 241));
    EXPECT_EQ(ShadingColor(1, 5, 3, false, true), ReportRgb(255, 225, 241));
}

TEST(ReportColumnOrder, HideAndShowSequence)
{
    std::vector<int> order{0, 1, 2, 3, 4, 5, 6, 7};
    std::vector<bool> hidden(8, false);
    const auto isHidden = [&](int c) { return static_cast<bool>(hidden[c]); };

    HideColumnInOrder(order, 4);
    hidden[4] = true;
    EXPECT_EQ(order, (std::vector<int>{4, 0, 1, 2, 3, 5, 6, 7}));
    HideColumnInOrder(order, 6);
    hidden[6] = true;
    EXPECT_EQ(order, (std::vector<int>{6, 4, 0, 1, 2, 3, 5, 7}));
    ShowColumnInOrder(order, 4, 8, isHidden); // restore bound: the count when hidden
    EXPECT_EQ(order, (std::vector<int>{6, 0, 1, 2, 3, 5, 7, 4}));

    // A small bound stops the walk early.
    std::vector<int> partial{3, 0, 1, 2};
    ShowColumnInOrder(partial, 3, 1, [](int c) { return c == 3; });
    EXPECT_EQ(partial, (std::vector<int>{0, 3, 1, 2}));

    // A column that is not in the order changes nothing.
    std::vector<int> same{0, 1};
    HideColumnInOrder(same, 5);
    EXPECT_EQ(same, (std::vector<int>{0, 1}));
}

TEST(ReportColumnOrder, DropsLandRightOfTheHiddenColumns)
{
    const std::vector<int> order{6, 4, 0, 1, 2, 3, 5, 7};
    const auto isHidden = [](int c) { return c == 6 || c == 4; };
    EXPECT_EQ(ClampDropPosition(order, 0, isHidden), 2);
    EXPECT_EQ(ClampDropPosition(order, 1, isHidden), 2);
    EXPECT_EQ(ClampDropPosition(order, 5, isHidden), 5);
    EXPECT_EQ(ClampDropPosition({0, 1}, 0, [](int) { return false; }), 0);
}

TEST(ReportColumnScroll, DeltaBringsTheColumnIntoView)
{
    struct Case
    {
        int left, right, scroll;
        bool partly;
        int delta;
    } cases[] = {
        {100, 200, 0, false, 0},     // fully visible
        {100, 200, 150, false, -50}, // left edge hidden: align left edges
        {450, 600, 0, false, 100},   // right edge hidden: align right edges
        {450, 600, 0, true, 0},      // partly visible is enough
        {600, 700, 0, true, 200},    // not visible at all: right edges aligned
        {0, 900, 100, false, -100},  // wider than the view: left edge first
    };
    for (const Case& c : cases)
        EXPECT_EQ(ColumnScrollDelta(c.left, c.right, c.scroll, 0, 500, c.partly), c.delta)
            << c.left << ".." << c.right << " at " << c.scroll;
}

TEST(ReportEditKeys, KeyTable)
{
    const std::vector<uint32_t> nameOnly{0};
    const std::vector<uint32_t> two{0, 2};
    struct Case
    {
        EditKey key;
        bool shift;
        int row, column;
        const std::vector<uint32_t>* editable;
        EditKeyAction::Kind kind;
        int toRow, toColumn;
    } cases[] = {
        {EditKey::Enter, false, 2, 0, &nameOnly, EditKeyAction::Commit, -1, -1},
        {EditKey::Escape, false, 2, 0, &nameOnly, EditKeyAction::Discard, -1, -1},
        {EditKey::Up, false, 0, 0, &nameOnly, EditKeyAction::MoveToCell, 4, 0},
        {EditKey::Up, false, 3, 0, &nameOnly, EditKeyAction::MoveToCell, 2, 0},
        {EditKey::Down, false, 4, 0, &nameOnly, EditKeyAction::MoveToCell, 0, 0},
        {EditKey::Down, false, 1, 2, &two, EditKeyAction::MoveToCell, 2, 2},
        {EditKey::Tab, false, 1, 0, &nameOnly, EditKeyAction::MoveToCell, 1, 0},
        {EditKey::Tab, false, 1, 0, &two, EditKeyAction::MoveToCell, 1, 2},
        {EditKey::Tab, false, 1, 2, &two, EditKeyAction::MoveToCell, 1, 0},
        {EditKey::Tab, true, 1, 0, &two, EditKeyAction::MoveToCell, 1, 2},
        {EditKey::Tab, true, 1, 2, &two, EditKeyAction::MoveToCell, 1, 0},
    };
    for (const Case& c : cases)
    {
        const EditKeyAction a = EditKeyRule(c.key, c.shift, c.row, c.column, 5, *c.editable);
        EXPECT_EQ(a.kind, c.kind) << static_cast<int>(c.key) << " row " << c.row;
        if (c.kind == EditKeyAction::MoveToCell)
        {
            EXPECT_EQ(a.row, c.toRow) << static_cast<int>(c.key) << " row " << c.row;
            EXPECT_EQ(a.column, c.toColumn) << static_cast<int>(c.key) << " col " << c.column;
        }
    }
}

TEST(ReportEditKeys, SelectionStopsBeforeTheLastFullStop)
{
    EXPECT_EQ(EditSelectionLength(u"song.wav"), 4u);
    EXPECT_EQ(EditSelectionLength(u"a.b.c"), 3u);
    EXPECT_EQ(EditSelectionLength(u"no extension"), 12u);
    EXPECT_EQ(EditSelectionLength(u".hidden"), 0u);
    EXPECT_EQ(EditSelectionLength(u""), 0u);
}

TEST(ReportHints, IndexRotatesEverySixSeconds)
{
    EXPECT_EQ(HintIndex(0), 0u);
    EXPECT_EQ(HintIndex(5999), 0u);
    EXPECT_EQ(HintIndex(6000), 1u);
    EXPECT_EQ(HintIndex(23999), 3u);
    EXPECT_EQ(HintIndex(24000), 0u);
    EXPECT_EQ(HintIndex(0xFFFFFFFFu), 3u); // 715827 slots: no special case at the wrap
    EXPECT_EQ(HintText(0), "Load your files by clicking the \"Add Files\" toolbar button");
    EXPECT_EQ(HintText(2), "Click the column header to sort the file list");
    // First line ends at the middle of the area.
    EXPECT_EQ(HintTextTop(20, 420, 30), 20 + 200 - 30);
}

TEST(ReportStyle, CreationStyleIsAdjusted)
{
    const uint32_t style = AdjustReportStyle(ReportStyleSmallIcon | ReportStyleEditLabels |
                                             ReportStyleNoScroll | ReportStyleShowSelAlways);
    EXPECT_EQ(style & (ReportStyleSmallIcon | ReportStyleEditLabels | ReportStyleNoScroll), 0u);
    EXPECT_EQ(style & ReportStyleShowSelAlways, ReportStyleShowSelAlways);
    const uint32_t required = WindowStyleChild | WindowStyleVisible | WindowStyleVScroll |
                              WindowStyleHScroll | ReportStyleReport;
    EXPECT_EQ(style & required, required);
}

} // namespace
