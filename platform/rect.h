// A rectangle by its four edges, as window geometry is laid out and stored.
#pragma once

#include <cstdint>

namespace platform
{

struct Rect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace platform
