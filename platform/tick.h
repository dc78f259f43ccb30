// The millisecond tick count that durations are measured with.
#pragma once

#include <cstdint>

namespace platform
{

// A monotonic millisecond clock truncated to 32 bits; it wraps after about 49.7 days, so
// durations are always taken as unsigned differences (TickDiff), never compared directly.
uint32_t GetTickCount32();

inline constexpr uint32_t TickDiff(uint32_t later, uint32_t earlier)
{
    return later - earlier; // modulo 2^32 by unsigned arithmetic
}

} // namespace platform
