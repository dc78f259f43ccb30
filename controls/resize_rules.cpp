#include "controls/resize_rules.h"

#include <cmath>
#include <limits>

namespace controls
{
namespace
{

// Truncation toward zero that stays defined for any double: a ratio taken from a zero-sized
// client must not turn into undefined behaviour, only into a useless but harmless position.
int Trunc(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

bool IsScaleOrShare(unsigned rule)
{
    return rule == RuleScale || rule == RuleShare;
}

bool IsCenterOrScale(unsigned rule)
{
    return rule == RuleCenter || rule == RuleScale;
}

// The centre of [lo, hi) as a fraction of the extent; a zero extent keeps the control centred.
double CentreRatio(int lo, int hi, int extent)
{
    if (extent == 0)
        return 0.5;
    return ((lo + hi) * 0.5) / extent;
}

// One axis of K. `lo`/`hi` are K's leading and far coordinates; the rest is the axis's share of
// the growth. `currentCase` says whether rule 0 takes the control's actual position.
struct Axis
{
    int extent;   // W or H
    int delta;    // dx or dy
    int growth;   // gx or gy
    int initial;  // initial client extent
    double ratio; // XRatio or YRatio
    double share; // XShare or YShare
};

// Applies `rule` to [lo, hi); returns whether the result is written back into Rect.
bool ApplyRule(unsigned rule, bool currentCase, int actualLo, int actualHi, const Axis& a, int& lo,
               int& hi)
{
    switch (rule)
    {
    case RuleFixed:
        if (currentCase)
        {
            lo = actualLo;
            hi = actualHi;
            return false;
        }
        return true;
    case RuleStretch:
        hi += a.delta;
        return true;
    case RuleMove:
        lo += a.delta;
        hi += a.delta;
        return true;
    case RuleCenter:
    {
        const int w = hi - lo;
        lo = Trunc(a.extent * a.ratio - w * 0.5);
        hi = lo + w;
        return true;
    }
    case RuleScale:
        // A zero initial extent has no scale; the control then keeps its registered place.
        if (a.initial != 0)
        {
            lo = Trunc(static_cast<double>(lo) * a.extent / a.initial);
            hi = Trunc(static_cast<double>(hi) * a.extent / a.initial);
        }
        return false;
    case RuleShare:
    {
        const int w = hi - lo;
        hi = Trunc(lo + a.ratio * a.growth + w + a.share * a.growth);
        lo = lo + Trunc(a.ratio * a.growth);
        return false;
    }
    default:
        return true; // 6 to 15: as stored
    }
}

} // namespace

ResizeItem MakeResizeItem(int controlId, int leftRule, int rightRule, int topRule, int bottomRule,
                          int options, double xRatio, double xShare, double yRatio, double yShare,
                          const LayoutRect& rect, int clientWidth, int clientHeight)
{
    ResizeItem item;
    item.ControlId = controlId;
    item.LeftRule = static_cast<unsigned>(leftRule) & 0xF;
    item.RightRule = static_cast<unsigned>(rightRule) & 0xF;
    item.TopRule = static_cast<unsigned>(topRule) & 0xF;
    item.BottomRule = static_cast<unsigned>(bottomRule) & 0xF;
    item.ClipOnErase = (options & ResizeClipOnErase) != 0;
    item.RepaintOnMove = (options & ResizeRepaintOnMove) != 0;
    item.Rect = rect;
    item.XRatio = xRatio;
    item.XShare = xShare;
    item.YRatio = yRatio;
    item.YShare = yShare;
    if (IsCenterOrScale(item.LeftRule) || IsCenterOrScale(item.RightRule))
        item.XRatio = CentreRatio(rect.left, rect.right, clientWidth);
    if (IsCenterOrScale(item.TopRule) || IsCenterOrScale(item.BottomRule))
        item.YRatio = CentreRatio(rect.top, rect.bottom, clientHeight);
    return item;
}

std::optional<unsigned> EdgesForSizeChange(int kind, int sizingEdge)
{
    switch (kind)
    {
    case SizeMinimized:
        return std::nullopt;
    case SizeRestored:
    case SizeMaximized:
        return EdgeRight | EdgeBottom;
    default:
        break;
    }
    switch (sizingEdge)
    {
    case SizingLeft:
        return EdgeLeft;
    case SizingRight:
        return EdgeRight;
    case SizingTop:
        return EdgeTop;
    case SizingTopLeft:
        return EdgeLeft | EdgeTop;
    case SizingTopRight:
        return EdgeTop | EdgeRight;
    case SizingBottom:
        return EdgeBottom;
    case SizingBottomLeft:
        return EdgeLeft | EdgeBottom;
    case SizingBottomRight:
        return EdgeRight | EdgeBottom;
    default:
        return std::nullopt;
    }
}

namespace
{
// The rule that governs an axis: that of the first moving edge with a rule, else fixed.
unsigned ActiveRule(unsigned edges, unsigned firstEdge, unsigned firstRule, unsigned secondEdge,
                    unsigned secondRule)
{
    if ((edges & firstEdge) && firstRule != RuleFixed)
        return firstRule;
    if ((edges & secondEdge) && secondRule != RuleFixed)
        return secondRule;
    return RuleFixed;
}
} // namespace

std::optional<ResizeMove> PlaceItem(ResizeItem& item, unsigned edges, const LayoutGrowth& growth,
                                    const LayoutRect& actual)
{
    LayoutRect k = item.Rect;

    const unsigned h = ActiveRule(edges, EdgeLeft, item.LeftRule, EdgeRight, item.RightRule);
    const Axis ax{growth.width,        growth.dx,   growth.gx,
                  growth.initialWidth, item.XRatio, item.XShare};
    const bool keepX = ApplyRule(h, IsScaleOrShare(item.LeftRule) || IsScaleOrShare(item.RightRule),
                                 actual.left, actual.right, ax, k.left, k.right);

    const unsigned v = ActiveRule(edges, EdgeTop, item.TopRule, EdgeBottom, item.BottomRule);
    const Axis ay{growth.height,        growth.dy,   growth.gy,
                  growth.initialHeight, item.YRatio, item.YShare};
    // Not a mirror of the horizontal case: vertically only a scaled top or a shared bottom
    // takes the control's actual position.
    const bool keepY = ApplyRule(v, item.TopRule == RuleScale || item.BottomRule == RuleShare,
                                 actual.top, actual.bottom, ay, k.top, k.bottom);

    LayoutRect from = actual;
    if (keepX)
    {
        from.left = item.Rect.left;
        from.right = item.Rect.right;
    }
    if (keepY)
    {
        from.top = item.Rect.top;
        from.bottom = item.Rect.bottom;
    }
    if (k == from)
        return std::nullopt;

    if (keepX)
    {
        item.Rect.left = k.left;
        item.Rect.right = k.right;
    }
    if (keepY)
    {
        item.Rect.top = k.top;
        item.Rect.bottom = k.bottom;
    }
    return ResizeMove{item.ControlId, from, k, item.RepaintOnMove};
}

void CResizeLayout::Init(const LayoutRect& clientRect)
{
    m_rcInitialClient = clientRect;
    m_rcLastClient = clientRect;
}

void CResizeLayout::AddItem(const ResizeItem& item)
{
    for (ResizeItem& existing : m_aItems)
    {
        if (existing.ControlId == item.ControlId)
        {
            existing = item;
            return;
        }
    }
    m_aItems.push_back(item);
}

bool CResizeLayout::OnSize(int kind, const LayoutRect& clientRect, const IControlGeometry& controls,
                           std::vector<ResizeMove>& moves)
{
    if (!m_aItems.empty())
    {
        if (kind == SizeMinimized)
            return false;
        if (const std::optional<unsigned> edges = EdgesForSizeChange(kind, m_nSizingEdge))
        {
            const LayoutGrowth growth{
                clientRect.Width(),
                clientRect.Height(),
                clientRect.Width() - m_rcLastClient.Width(),
                clientRect.Height() - m_rcLastClient.Height(),
                clientRect.Width() - m_rcInitialClient.Width(),
                clientRect.Height() - m_rcInitialClient.Height(),
                m_rcInitialClient.Width(),
                m_rcInitialClient.Height(),
            };
            moves.reserve(moves.size() + m_aItems.size());
            for (ResizeItem& item : m_aItems)
            {
                // A control that has gone away is skipped; the others still follow the size.
                const std::optional<LayoutRect> actual = controls.ActualRect(item.ControlId);
                if (!actual)
                    continue;
                if (std::optional<ResizeMove> move = PlaceItem(item, *edges, growth, *actual))
                    moves.push_back(*move);
            }
        }
        m_rcLastClient = clientRect;
    }
    m_nSizingEdge = SizingNone;
    return true;
}

} // namespace controls
