#pragma once

#include <QtGlobal>

struct Panel;

namespace chart {
inline constexpr double kLeft = 800;
inline constexpr double kRowPitch = 300;
inline constexpr double kBarHeight = 200;
inline constexpr double kEraseWidth = 6000;
inline constexpr double kFullScale = 5100;
inline constexpr double kPerUnit = 20;

// Bar length in twips for reading v at magnification zoom and offset s, clamped to the chart.
double barLength(double v, qint16 zoom, int s);
} // namespace chart

void DrawBar(Panel &p, double v);
void CleanBars(Panel &p);
