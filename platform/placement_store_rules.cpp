#include "platform/placement_store_rules.h"

#include <algorithm>

namespace platform
{
namespace
{

void PutLe32(std::uint8_t* out, std::int32_t value)
{
    const auto u = static_cast<std::uint32_t>(value);
    out[0] = static_cast<std::uint8_t>(u);
    out[1] = static_cast<std::uint8_t>(u >> 8);
    out[2] = static_cast<std::uint8_t>(u >> 16);
    out[3] = static_cast<std::uint8_t>(u >> 24);
}

// The largest width or height a window can take; a larger stored one is not a placement.
constexpr std::int64_t MaxExtent = 0xFFFFFF;

std::int32_t GetLe32(const std::uint8_t* in)
{
    const std::uint32_t u = std::uint32_t{in[0]} | (std::uint32_t{in[1]} << 8) |
                            (std::uint32_t{in[2]} << 16) | (std::uint32_t{in[3]} << 24);
    return static_cast<std::int32_t>(u);
}

} // namespace

std::array<std::uint8_t, PlacementRecordSize> EncodePlacement(const WindowPlacement& p)
{
    const std::int32_t fields[11] = {
        p.length,
        p.flags,
        p.showCmd,
        p.ptMinPosition.x,
        p.ptMinPosition.y,
        p.ptMaxPosition.x,
        p.ptMaxPosition.y,
        p.rcNormalPosition.left,
        p.rcNormalPosition.top,
        p.rcNormalPosition.right,
        p.rcNormalPosition.bottom,
    };
    std::array<std::uint8_t, PlacementRecordSize> bytes{};
    for (std::size_t i = 0; i < 11; ++i)
        PutLe32(bytes.data() + 4 * i, fields[i]);
    return bytes;
}

std::optional<WindowPlacement> DecodePlacement(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < PlacementRecordSize)
        return std::nullopt;
    std::int32_t f[11];
    for (std::size_t i = 0; i < 11; ++i)
        f[i] = GetLe32(bytes.data() + 4 * i);
    WindowPlacement p;
    p.length = f[0];
    p.flags = f[1];
    p.showCmd = f[2];
    p.ptMinPosition = {f[3], f[4]};
    p.ptMaxPosition = {f[5], f[6]};
    p.rcNormalPosition = {f[7], f[8], f[9], f[10]};
    // Widened so that a hand-edited value at the ends of the range cannot overflow.
    const std::int64_t w = std::int64_t{p.rcNormalPosition.right} - p.rcNormalPosition.left;
    const std::int64_t h = std::int64_t{p.rcNormalPosition.bottom} - p.rcNormalPosition.top;
    if (w <= 0 || h <= 0 || w > MaxExtent || h > MaxExtent)
        return std::nullopt;
    return p;
}

std::int32_t ShowCommandForKind(std::int32_t kind, std::int32_t storedShowCmd,
                                std::int32_t storedFlags)
{
    switch (kind)
    {
    case 1:
        return storedShowCmd;
    case 2:
        return ShowNormal;
    case 3:
        return ShowMaximized;
    case 4:
        return ShowMinimized;
    default:
        if (storedShowCmd != ShowMinimized)
            return storedShowCmd;
        // The program only ever stores flags 0 or 2 here, for which this is flags + 1; other
        // bits (a set minimised position) must not turn the result into another command.
        return (storedFlags & PlacementRestoreToMaximized) ? ShowMaximized : ShowNormal;
    }
}

PlacementRect CentreOnScreen(const PlacementRect& rect, const PlacementRect& screen)
{
    const std::int32_t W = screen.Width();
    const std::int32_t H = screen.Height();
    const std::int32_t w = rect.Width();
    const std::int32_t h = rect.Height();
    return {screen.left + (W - w) / 2, screen.top + (H - h) / 2, screen.left + (w + W) / 2,
            screen.top + (h + H) / 2};
}

bool IsOnAnyScreen(const PlacementRect& rect, std::span<const PlacementRect> screens)
{
    return std::any_of(screens.begin(), screens.end(),
                       [&](const PlacementRect& s)
                       {
                           return std::max(rect.left, s.left) < std::min(rect.right, s.right) &&
                                  std::max(rect.top, s.top) < std::min(rect.bottom, s.bottom);
                       });
}

PlacementRect KeepOnScreen(const PlacementRect& rect, std::span<const PlacementRect> screens,
                           const PlacementRect& primary)
{
    if (IsOnAnyScreen(rect, screens))
        return rect;
    return CentreOnScreen(rect, primary);
}

} // namespace platform
