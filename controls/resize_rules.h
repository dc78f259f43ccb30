// The layout rules of the resizable dialog as plain geometry: registering controls with their
// rules and placing every registered control after a size change. No window system here, so
// the dialog (controls/resize_dlg.h) only feeds rectangles in and applies the moves it gets.
#pragma once

#include "platform/rect.h"

#include <optional>
#include <vector>

namespace controls
{

// What a rule does on one axis when the edge it belongs to moves.
enum ResizeRule : unsigned
{
    RuleFixed = 0,   // keeps its stored coordinates
    RuleStretch = 1, // far edge follows the client growth
    RuleMove = 2,    // both edges follow the client growth
    RuleCenter = 3,  // centre stays at a fixed fraction of the client extent
    RuleScale = 4,   // position and size scale with the client, from the registration layout
    RuleShare = 5,   // leading edge moves by XRatio of the growth, extent grows by XShare of it
};

// Option bits of AddResizeItem.
enum ResizeOptions : unsigned
{
    ResizeClipOnErase = 0x1,
    ResizeRepaintOnMove = 0x2,
};

// Kinds of size change, numbered like the platform's WM_SIZE kinds.
enum SizeKind : int
{
    SizeRestored = 0,
    SizeMinimized = 1,
    SizeMaximized = 2,
    SizeMaxShow = 3,
    SizeMaxHide = 4,
};

// The edge a user drags, numbered like the platform's WMSZ_ codes (0 = none reported).
enum SizingEdgeCode : int
{
    SizingNone = 0,
    SizingLeft = 1,
    SizingRight = 2,
    SizingTop = 3,
    SizingTopLeft = 4,
    SizingTopRight = 5,
    SizingBottom = 6,
    SizingBottomLeft = 7,
    SizingBottomRight = 8,
};

// A set of moving client edges.
enum EdgeBits : unsigned
{
    EdgeLeft = 0x1,
    EdgeTop = 0x2,
    EdgeRight = 0x4,
    EdgeBottom = 0x8,
};

// Left, top, right, bottom; right and bottom are exclusive like the platform's rectangles.
using LayoutRect = platform::Rect;

// One registered control.
struct ResizeItem
{
    int ControlId = 0;
    unsigned LeftRule : 4 = 0;
    unsigned RightRule : 4 = 0;
    unsigned TopRule : 4 = 0;
    unsigned BottomRule : 4 = 0;
    bool ClipOnErase = false;
    bool RepaintOnMove = false;
    LayoutRect Rect; // dialog client coordinates
    double XRatio = 0;
    double XShare = 0;
    double YRatio = 0;
    double YShare = 0;
};

// Steps 1 to 3 of registration: the item for a control at `rect` (client coordinates) in a
// client area of clientWidth x clientHeight. Rules keep their low four bits; the ratios of
// centred and scaled axes are computed here and replace the arguments.
ResizeItem MakeResizeItem(int controlId, int leftRule, int rightRule, int topRule, int bottomRule,
                          int options, double xRatio, double xShare, double yRatio, double yShare,
                          const LayoutRect& rect, int clientWidth, int clientHeight);

// The edges that a size change of `kind` moves; nullopt when the items are not to be placed
// at all (no edge known for a kind other than restored or maximised). Minimised is the
// caller's early exit and also gives nullopt.
std::optional<unsigned> EdgesForSizeChange(int kind, int sizingEdge);

// Growth of the client area, for one size change.
struct LayoutGrowth
{
    int width = 0;  // W: client width now
    int height = 0; // H
    int dx = 0;     // since the last layout
    int dy = 0;
    int gx = 0; // since initialisation
    int gy = 0;
    int initialWidth = 0; // width of the initial client rectangle
    int initialHeight = 0;
};

// Where a registered control is now; nullopt when it no longer exists.
class IControlGeometry
{
public:
    virtual std::optional<LayoutRect> ActualRect(int controlId) const = 0;

protected:
    ~IControlGeometry() = default;
};

// One planned move of a size change.
struct ResizeMove
{
    int ControlId = 0;
    LayoutRect From; // the area the control leaves (C' of the placement)
    LayoutRect To;
    bool RepaintOnMove = false;
};

// The per-item placement. `actual` is the control's rectangle now, in client coordinates.
// Returns the move, or nullopt when the control stays where it is; writes the axes that
// carry their result forward (stretch, move, centre) back into item.Rect.
std::optional<ResizeMove> PlaceItem(ResizeItem& item, unsigned edges, const LayoutGrowth& growth,
                                    const LayoutRect& actual);

// The registered items and reference rectangles of one dialog.
class CResizeLayout
{
public:
    // Both reference rectangles = the client area (screen coordinates) at initialisation.
    void Init(const LayoutRect& clientRect);

    // Registers an item, or overwrites the one with the same id where it stands in the order.
    void AddItem(const ResizeItem& item);

    // The edge of the last sizing report (SizingEdgeCode); cleared by every size change.
    void OnSizing(int edge) { m_nSizingEdge = edge; }
    int SizingEdge() const { return m_nSizingEdge; }

    // A size change to `clientRect` (screen coordinates). Fills `moves` with the moves to
    // apply together, in item order. Returns false when the change ends at once (a
    // minimised dialog with items), so that nothing else of the handler runs.
    bool OnSize(int kind, const LayoutRect& clientRect, const IControlGeometry& controls,
                std::vector<ResizeMove>& moves);

    const std::vector<ResizeItem>& Items() const { return m_aItems; }
    const LayoutRect& LastClientRect() const { return m_rcLastClient; }
    const LayoutRect& InitialClientRect() const { return m_rcInitialClient; }

private:
    std::vector<ResizeItem> m_aItems;
    LayoutRect m_rcLastClient;
    LayoutRect m_rcInitialClient;
    int m_nSizingEdge = SizingNone;
};

} // namespace controls
