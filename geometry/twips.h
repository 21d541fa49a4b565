#pragma once

#include <QRect>
#include <cmath>

// The window is laid out in twips; logical pixels are taken at 96 dpi.
inline constexpr double kTwipsPerPixel = 15.0;

inline int twipsToPx(double twips)
{
    return int(std::lround(twips / kTwipsPerPixel));
}

// Corners are rounded, not sizes, so neighbours share their edges exactly.
inline QRect twipsRect(double left, double top, double width, double height)
{
    const int x0 = twipsToPx(left);
    const int y0 = twipsToPx(top);
    return QRect(x0, y0, twipsToPx(left + width) - x0, twipsToPx(top + height) - y0);
}
