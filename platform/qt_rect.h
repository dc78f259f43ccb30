// Conversions between the edge rectangle and Qt's position-and-size rectangle.
#pragma once

#include "platform/rect.h"

#include <QRect>

namespace platform
{

inline Rect FromQRect(const QRect& r)
{
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

inline QRect ToQRect(const Rect& r)
{
    return QRect(r.left, r.top, r.Width(), r.Height());
}

} // namespace platform
