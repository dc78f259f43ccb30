#include "controls/resize_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace controls;

namespace
{

// A dialog without a window: controls are rectangles that the planned moves are applied to.
class FakeDialog : public IControlGeometry
{
public:
    FakeDialog(int width, int height) { m_layout.Init({100, 50, 100 + width, 50 + height}); }

    std::optional<LayoutRect> ActualRect(int id) const override
    {
        const auto it = m_controls.find(id);
        if (it == m_controls.end())
            return std::nullopt;
        return it->second;
    }

    // Creates a control and registers it with the rules; the client size is the current one.
    void Add(int id, LayoutRect rect, int l, int r, int t, int b, double xRatio = -1,
             double xShare = -1, double yRatio = -1, double yShare = -1, int options = 0)
    {
        m_controls[id] = rect;
        m_layout.AddItem(MakeResizeItem(id, l, r, t, b, options, xRatio, xShare, yRatio, yShare,
                                        rect, m_width, m_height));
    }

    // A size change to width x height; returns the moves that were applied.
    std::vector<ResizeMove> Resize(int width, int height, int kind = SizeRestored)
    {
        std::vector<ResizeMove> moves;
        if (m_layout.OnSize(kind, {100, 50, 100 + width, 50 + height}, *this, moves))
        {
            m_width = width;
            m_height = height;
        }
        for (const ResizeMove& move : moves)
            m_controls[move.ControlId] = move.To;
        return moves;
    }

    LayoutRect At(int id) const { return m_controls.at(id); }
    CResizeLayout& Layout() { return m_layout; }
    std::map<int, LayoutRect> m_controls;

private:
    CResizeLayout m_layout;
    int m_width = 400;
    int m_height = 300;
};

TEST(ResizeRegistration, RulesKeepLowBitsOptionsSetFlagsRatiosAreRecomputed)
{
    const LayoutRect rect{100, 30, 200, 50};
    const ResizeItem centred =
        MakeResizeItem(7, 0x13, 0x23, 0x10, 0x14, 3, 9.0, 0.25, 9.0, 0.75, rect, 400, 200);
    EXPECT_EQ(centred.ControlId, 7);
    EXPECT_EQ(centred.LeftRule, RuleCenter);
    EXPECT_EQ(centred.RightRule, RuleCenter);
    EXPECT_EQ(centred.TopRule, RuleFixed);
    EXPECT_EQ(centred.BottomRule, RuleScale);
    EXPECT_TRUE(centred.ClipOnErase);
    EXPECT_TRUE(centred.RepaintOnMove);
    EXPECT_EQ(centred.Rect, rect);
    EXPECT_DOUBLE_EQ(centred.XRatio, 150.0 / 400);
    EXPECT_DOUBLE_EQ(centred.YRatio, 40.0 / 200);
    EXPECT_DOUBLE_EQ(centred.XShare, 0.25); // shares are never recomputed
    EXPECT_DOUBLE_EQ(centred.YShare, 0.75);

    const ResizeItem shared =
        MakeResizeItem(8, RuleShare, RuleShare, RuleStretch, RuleStretch, ResizeRepaintOnMove, 0.5,
                       0.5, 1.0, -1, rect, 400, 200);
    EXPECT_FALSE(shared.ClipOnErase);
    EXPECT_TRUE(shared.RepaintOnMove);
    EXPECT_DOUBLE_EQ(shared.XRatio, 0.5); // share keeps what the caller passed
    EXPECT_DOUBLE_EQ(shared.YRatio, 1.0);
}

TEST(ResizeRegistration, ZeroSizedClientGivesACentredRatioInsteadOfInfinity)
{
    const ResizeItem item = MakeResizeItem(1, RuleCenter, RuleCenter, RuleScale, RuleFixed, 0, -1,
                                           -1, -1, -1, {10, 10, 20, 20}, 0, 0);
    EXPECT_DOUBLE_EQ(item.XRatio, 0.5);
    EXPECT_DOUBLE_EQ(item.YRatio, 0.5);
}

TEST(ResizeRegistration, ReRegisteringReplacesTheItemAndKeepsItsPlace)
{
    FakeDialog dlg(400, 300);
    dlg.Add(1, {0, 0, 10, 10}, RuleStretch, RuleStretch, 0, 0);
    dlg.Add(2, {100, 0, 180, 10}, RuleCenter, RuleCenter, 0, 0);
    dlg.Add(3, {0, 0, 10, 10}, RuleMove, RuleMove, 0, 0);
    dlg.m_controls[2] = {20, 0, 60, 10};
    dlg.Add(2, {20, 0, 60, 10}, RuleMove, RuleMove, RuleMove, RuleMove, 0.1, 0.2, 0.3, 0.4);

    const auto& items = dlg.Layout().Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].ControlId, 1);
    EXPECT_EQ(items[1].ControlId, 2);
    EXPECT_EQ(items[2].ControlId, 3);
    EXPECT_EQ(items[1].Rect, (LayoutRect{20, 0, 60, 10}));
    EXPECT_EQ(items[1].LeftRule, RuleMove);
    EXPECT_EQ(items[1].TopRule, RuleMove);
    EXPECT_DOUBLE_EQ(items[1].XRatio, 0.1);

    dlg.Resize(410, 305);
    EXPECT_EQ(dlg.At(2), (LayoutRect{30, 5, 70, 15}));
}

// One control, one size sequence, the rectangle it ends at.
struct PlacementCase
{
    const char* name;
    LayoutRect rect;
    int l, r, t, b;
    double xRatio, xShare, yRatio, yShare;
    std::vector<std::pair<int, int>> sizes; // client sizes after the initial 400 x 300
    LayoutRect expected;
};

class ResizePlacement : public testing::TestWithParam<PlacementCase>
{
};

TEST_P(ResizePlacement, EndsWhereTheRulesPutIt)
{
    const PlacementCase& c = GetParam();
    FakeDialog dlg(400, 300);
    dlg.Add(1, c.rect, c.l, c.r, c.t, c.b, c.xRatio, c.xShare, c.yRatio, c.yShare);
    for (const auto& [w, h] : c.sizes)
        dlg.Resize(w, h);
    EXPECT_EQ(dlg.At(1), c.expected);
}

std::vector<std::pair<int, int>> ManySizes()
{
    std::vector<std::pair<int, int>> sizes;
    for (int i = 0; i < 200; ++i)
        sizes.emplace_back(400 + (i * 37) % 291, 300 + (i * 53) % 177);
    sizes.emplace_back(400, 300);
    return sizes;
}

// clang-format off
const PlacementCase g_placementCases[] = {
    // name, rectangle; left, right, top, bottom rules; x ratio, x share, y ratio,
    // y share; client sizes in turn; expected rectangle
    {"StretchGrowsBothWays", {10, 20, 110, 70},
     1, 1, 1, 1, -1, -1, -1, -1,
     {{450, 333}}, {10, 20, 160, 103}},
    {"StretchThereAndBackIsExact", {10, 20, 110, 70},
     1, 1, 1, 1, -1, -1, -1, -1,
     {{437, 337}, {400, 300}}, {10, 20, 110, 70}},
    {"MoveFollowsTheGrowth", {10, 250, 60, 270},
     2, 2, 2, 2, -1, -1, -1, -1,
     {{450, 320}}, {60, 270, 110, 290}},
    {"MoveCanShrinkPastZero", {10, 250, 60, 270},
     2, 2, 2, 2, -1, -1, -1, -1,
     {{300, 100}}, {-90, 50, -40, 70}},
    {"CenterAt600", {160, 0, 240, 10},
     3, 3, 0, 0, 1.0, -1, -1, -1,
     {{600, 300}}, {260, 0, 340, 10}},
    {"CenterBackTo400", {160, 0, 240, 10},
     3, 3, 0, 0, 1.0, -1, -1, -1,
     {{600, 300}, {400, 300}}, {160, 0, 240, 10}},
    {"CenterDoesNotDrift", {160, 100, 240, 125},
     3, 3, 3, 3, 1.0, -1, -1, -1,
     ManySizes(), {160, 100, 240, 125}},
    {"CenterTruncatesTowardZero", {0, 0, 10, 10},
     3, 3, 0, 0, 1.0, -1, -1, -1,
     {{300, 300}}, {-1, 0, 9, 10}}, // 300 * 5 / 400 - 5 = -1.25 -> -1
    {"ScaleEachEdgeTruncated", {100, 30, 200, 60},
     4, 4, 4, 4, -1, -1, -1, -1,
     {{400 * 4 / 3, 400}}, {133, 40, 266, 80}},
    {"ScaleWithoutDrift", {37, 11, 98, 24},
     4, 4, 4, 4, -1, -1, -1, -1,
     ManySizes(), {37, 11, 98, 24}},
    {"ShareHalfAndHalf", {10, 0, 110, 10},
     5, 5, 0, 0, 0.5, 0.5, -1, -1,
     {{501, 300}}, {60, 0, 211, 10}},
    {"ShareVertical", {0, 10, 10, 110},
     0, 0, 5, 5, -1, -1, 0.25, 0.5,
     {{400, 340}}, {0, 20, 10, 140}},
    {"ShareNegativeGrowthTruncatesTowardZero", {10, 0, 110, 10},
     5, 5, 0, 0, 0.5, 0.5, -1, -1,
     {{299, 300}}, {-40, 0, 9, 10}}, // 10 + trunc(-50.5), trunc(10 - 50.5 + 100 - 50.5)
    {"FixedNeverMoves", {10, 20, 30, 40},
     0, 0, 0, 0, -1, -1, -1, -1,
     {{800, 600}, {200, 100}}, {10, 20, 30, 40}},
    {"LeftRuleIsNotUsedForRestoredSizes", {10, 20, 30, 40},
     1, 0, 1, 0, -1, -1, -1, -1,
     {{500, 400}}, {10, 20, 30, 40}},
    {"RightRuleMovesAloneBesideFixedLeft", {10, 20, 30, 40},
     0, 2, 0, 2, -1, -1, -1, -1,
     {{410, 305}}, {20, 25, 40, 45}},
};
// clang-format on

// clang-format off
const PlacementCase g_reservedRuleCases[] = {
    // name, rectangle; left, right, top, bottom rules; x ratio, x share, y ratio,
    // y share; client sizes in turn; expected rectangle
    {"Rule6", {10, 20, 30, 40},
     6, 6, 6, 6, -1, -1, -1, -1,
     {{800, 600}}, {10, 20, 30, 40}},
    {"Rule9", {10, 20, 30, 40},
     9, 9, 9, 9, -1, -1, -1, -1,
     {{800, 600}}, {10, 20, 30, 40}},
    {"Rule15", {10, 20, 30, 40},
     15, 15, 15, 15, -1, -1, -1, -1,
     {{800, 600}}, {10, 20, 30, 40}},
    {"RulesKeepTheirLowFourBits", {10, 20, 30, 40},
     16, 17, 16, 18, -1, -1, -1, -1,
     {{410, 310}}, {10, 30, 40, 50}},
    {"Rule18WrapsToMove", {10, 20, 30, 40},
     18, 18, 18, 18, -1, -1, -1, -1,
     {{410, 310}}, {20, 30, 40, 50}},
};
// clang-format on

std::string CaseName(const testing::TestParamInfo<PlacementCase>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Rules, ResizePlacement, testing::ValuesIn(g_placementCases), CaseName);
INSTANTIATE_TEST_SUITE_P(Reserved, ResizePlacement, testing::ValuesIn(g_reservedRuleCases),
                         CaseName);

TEST(ResizeLayout, FixedBesideScaleOrShareFollowsTheControlsActualPlace)
{
    FakeDialog dlg(400, 300);
    // Left fixed, right scaled: a restored size uses the right rule (scale).
    dlg.Add(1, {100, 0, 200, 10}, RuleFixed, RuleScale, 0, 0);
    // Vertically a scaled top and a shared bottom are the current-position cases.
    dlg.Add(2, {0, 30, 10, 60}, 0, 0, RuleScale, RuleFixed);
    dlg.Add(3, {0, 30, 10, 60}, 0, 0, RuleFixed, RuleShare, -1, -1, 0.0, 1.0);
    dlg.Resize(800, 600);
    EXPECT_EQ(dlg.At(1), (LayoutRect{200, 0, 400, 10}));
    EXPECT_EQ(dlg.At(3), (LayoutRect{0, 30, 10, 360}));

    // Someone else moves the controls; rule 0 in the current-position case keeps them there.
    dlg.m_controls[2] = {0, 70, 10, 90};
    const std::vector<ResizeMove> moves = dlg.Resize(800, 600, SizeMaxShow);
    EXPECT_TRUE(moves.empty());        // no sizing edge: nothing placed
    dlg.Layout().OnSizing(SizingLeft); // left edge: h = 0 for 1, current position
    dlg.m_controls[1] = {5, 0, 15, 10};
    EXPECT_TRUE(dlg.Resize(800, 600, SizeMaxShow).empty());
    EXPECT_EQ(dlg.At(1), (LayoutRect{5, 0, 15, 10}));
}

TEST(ResizeLayout, SizeKindsChooseTheEdges)
{
    struct Case
    {
        int kind;
        int sizingEdge;
        std::optional<unsigned> edges;
    };
    const Case cases[] = {
        {SizeRestored, SizingLeft, EdgeRight | EdgeBottom},
        {SizeMaximized, SizingTop, EdgeRight | EdgeBottom},
        {SizeMinimized, SizingRight, std::nullopt},
        {SizeMaxShow, SizingNone, std::nullopt},
        {SizeMaxShow, SizingLeft, EdgeLeft},
        {SizeMaxShow, SizingRight, EdgeRight},
        {SizeMaxHide, SizingTop, EdgeTop},
        {SizeMaxHide, SizingTopLeft, EdgeLeft | EdgeTop},
        {SizeMaxHide, SizingTopRight, EdgeTop | EdgeRight},
        {SizeMaxHide, SizingBottom, EdgeBottom},
        {SizeMaxHide, SizingBottomLeft, EdgeLeft | EdgeBottom},
        {SizeMaxHide, SizingBottomRight, EdgeRight | EdgeBottom},
        {SizeMaxHide, 9, std::nullopt},
        {17, SizingBottom, EdgeBottom},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EdgesForSizeChange(c.kind, c.sizingEdge), c.edges)
            << "kind " << c.kind << " edge " << c.sizingEdge;
}

TEST(ResizeLayout, SizingEdgeLaysOutWithThatEdgesRulesOnce)
{
    FakeDialog dlg(400, 300);
    dlg.Add(1, {10, 10, 50, 30}, RuleMove, RuleStretch, RuleMove, RuleStretch);
    dlg.Layout().OnSizing(SizingTopLeft);
    dlg.Resize(420, 310, SizeMaxShow);
    EXPECT_EQ(dlg.At(1), (LayoutRect{30, 20, 70, 40})); // left and top rules: move
    EXPECT_EQ(dlg.Layout().SizingEdge(), SizingNone);

    // Without a new sizing report the same kind moves nothing, yet the size is taken.
    EXPECT_TRUE(dlg.Resize(450, 330, SizeMaxShow).empty());
    EXPECT_EQ(dlg.Layout().LastClientRect().Width(), 450);
    // The next restored change grows from there: right and bottom rules stretch.
    dlg.Resize(460, 335);
    EXPECT_EQ(dlg.At(1), (LayoutRect{30, 20, 80, 45}));
}

TEST(ResizeLayout, MinimisingChangesNothingAndRestoreLaysOutAgainstTheOldSize)
{
    FakeDialog dlg(400, 300);
    dlg.Add(1, {10, 10, 50, 30}, RuleStretch, RuleStretch, RuleStretch, RuleStretch);
    dlg.Resize(500, 350);
    dlg.Layout().OnSizing(SizingBottom);
    EXPECT_TRUE(dlg.Resize(0, 0, SizeMinimized).empty());
    EXPECT_EQ(dlg.At(1), (LayoutRect{10, 10, 150, 80}));
    EXPECT_EQ(dlg.Layout().LastClientRect(), (LayoutRect{100, 50, 600, 400}));
    EXPECT_EQ(dlg.Layout().SizingEdge(), SizingBottom); // untouched by the minimised change

    EXPECT_TRUE(dlg.Resize(500, 350).empty()); // restored to the same size
    dlg.Resize(520, 360);
    EXPECT_EQ(dlg.At(1), (LayoutRect{10, 10, 170, 90}));
}

TEST(ResizeLayout, MaximisingUsesRightAndBottomRules)
{
    FakeDialog dlg(400, 300);
    dlg.Add(1, {10, 10, 50, 30}, RuleMove, RuleStretch, RuleMove, RuleCenter);
    dlg.Resize(1000, 700, SizeMaximized);
    // Bottom: centre at 20/300 of the height -> 700 * 20 / 300 - 10 = 36.67 -> 36.
    EXPECT_EQ(dlg.At(1), (LayoutRect{10, 36, 650, 56}));
}

TEST(ResizeLayout, EmptyListKeepsTheLastClientRectButClearsTheSizingEdge)
{
    CResizeLayout layout;
    layout.Init({0, 0, 400, 300});
    layout.OnSizing(SizingRight);
    FakeDialog none(1, 1);
    std::vector<ResizeMove> moves;
    EXPECT_TRUE(layout.OnSize(SizeRestored, {0, 0, 500, 350}, none, moves));
    EXPECT_TRUE(moves.empty());
    EXPECT_EQ(layout.LastClientRect(), (LayoutRect{0, 0, 400, 300}));
    EXPECT_EQ(layout.SizingEdge(), SizingNone);
    // With no items even a minimised change runs to the end.
    layout.OnSizing(SizingRight);
    EXPECT_TRUE(layout.OnSize(SizeMinimized, {0, 0, 0, 0}, none, moves));
    EXPECT_EQ(layout.SizingEdge(), SizingNone);
}

TEST(ResizeLayout, UnchangedItemsAddNoMoveAndMissingControlsAreSkipped)
{
    FakeDialog dlg(400, 300);
    dlg.Add(1, {10, 10, 50, 30}, RuleFixed, RuleFixed, RuleFixed, RuleFixed);
    dlg.Add(2, {10, 40, 50, 60}, RuleStretch, RuleStretch, RuleFixed, RuleFixed, -1, -1, -1, -1,
            ResizeRepaintOnMove);
    dlg.Add(3, {10, 70, 50, 90}, RuleMove, RuleMove, RuleFixed, RuleFixed);
    dlg.m_controls.erase(3);

    const std::vector<ResizeMove> moves = dlg.Resize(410, 330);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].ControlId, 2);
    EXPECT_EQ(moves[0].From, (LayoutRect{10, 40, 50, 60}));
    EXPECT_EQ(moves[0].To, (LayoutRect{10, 40, 60, 60}));
    EXPECT_TRUE(moves[0].RepaintOnMove);
    // The missing control's item is untouched and still registered.
    EXPECT_EQ(dlg.Layout().Items()[2].Rect, (LayoutRect{10, 70, 50, 90}));
}

TEST(ResizeLayout, InitialAndLastClientRectsServeShareAndStretch)
{
    FakeDialog dlg(400, 300);
    dlg.Add(1, {0, 0, 100, 10}, RuleShare, RuleShare, 0, 0, 0.0, 1.0);
    dlg.Add(2, {0, 20, 100, 30}, RuleStretch, RuleStretch, 0, 0);
    dlg.Resize(450, 300);
    dlg.Resize(420, 300);
    // Share measures from the initial width, stretch from the last one.
    EXPECT_EQ(dlg.At(1), (LayoutRect{0, 0, 120, 10}));
    EXPECT_EQ(dlg.At(2), (LayoutRect{0, 20, 120, 30}));
    EXPECT_EQ(dlg.Layout().InitialClientRect(), (LayoutRect{100, 50, 500, 350}));
    EXPECT_EQ(dlg.Layout().LastClientRect(), (LayoutRect{100, 50, 520, 350}));
}

} // namespace
