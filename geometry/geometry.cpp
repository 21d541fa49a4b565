#include "geometry/geometry.h"

#include <cmath>

namespace chart {
double barLength(double v, qint16 zoom, int s)
{
    const qint16 p = qint16(zoom * s);
    double length = kPerUnit * (v * zoom - p);
    if (length > kFullScale)
        length = kFullScale;
    if (length < 0)
        length = 0;
    return length;
}

int centreValue(qint16 zoom, int s)
{
    return int(std::floor(120.0 / zoom + s));
}

int pageStep(qint16 zoom)
{
    return int(std::nearbyint(60.0 / zoom));
}
} // namespace chart
