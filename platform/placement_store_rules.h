// The stored window placement as plain data: the 44-byte record of the profile, the show-state
// kinds and the geometry rules (centring, keeping a window reachable). No Qt here; the store
// that reads and applies real windows is platform/placement_store.h.
#pragma once

#include "platform/rect.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform
{

// Show commands as the record stores them.
enum ShowCommand : std::int32_t
{
    ShowHide = 0,
    ShowNormal = 1,
    ShowMinimized = 2,
    ShowMaximized = 3,
};

// Flag bits of the record.
enum PlacementFlags : std::int32_t
{
    PlacementSetMinPosition = 0x1,
    PlacementRestoreToMaximized = 0x2,
};

struct PlacementPoint
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const PlacementPoint&, const PlacementPoint&) = default;
};

// Left, top, right, bottom (right and bottom exclusive), screen coordinates.
using PlacementRect = Rect;

// The placement record; the profile keeps it as eleven little-endian 32-bit fields in this order.
struct WindowPlacement
{
    std::int32_t length = 0;
    std::int32_t flags = 0;
    std::int32_t showCmd = 0;
    PlacementPoint ptMinPosition;
    PlacementPoint ptMaxPosition;
    PlacementRect rcNormalPosition;
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

inline constexpr std::size_t PlacementRecordSize = 44;

std::array<std::uint8_t, PlacementRecordSize> EncodePlacement(const WindowPlacement& placement);

// The record in a stored value; nullopt when the value is shorter than a record or its normal
// rectangle is empty or inverted (a window cannot be given such a size). Bytes past the
// record are ignored.
std::optional<WindowPlacement> DecodePlacement(std::span<const std::uint8_t> bytes);

// The show command to apply for a stored one under a show-state kind (1 stored, 2 normal,
// 3 maximised, 4 minimised, anything else: the stored one with a minimised state turned into
// the state the window would return to).
std::int32_t ShowCommandForKind(std::int32_t kind, std::int32_t storedShowCmd,
                                std::int32_t storedFlags);

// `rect` centred on a screen of `screen`'s size: each edge by signed division toward zero,
// then offset by the screen's origin.
PlacementRect CentreOnScreen(const PlacementRect& rect, const PlacementRect& screen);

// True when `rect` shares at least one pixel with one of `screens`.
bool IsOnAnyScreen(const PlacementRect& rect, std::span<const PlacementRect> screens);

// `rect` unchanged when it is on some screen; otherwise centred on `primary`, so that a window
// stored on a monitor that has gone away comes back where the user can reach it.
PlacementRect KeepOnScreen(const PlacementRect& rect, std::span<const PlacementRect> screens,
                           const PlacementRect& primary);

} // namespace platform
