#pragma once

#include <QtGlobal>

// Where the chart draws, in twips, and how a reading becomes a bar.
namespace chart {
inline constexpr double kLeft = 800;
inline constexpr int kRowPitch = 300; // row i has its top at 300 * i
inline constexpr double kBarHeight = 200;
inline constexpr double kEraseWidth = 6000;
inline constexpr double kFullScale = 5100;
inline constexpr double kPerUnit = 20;
// Readings run from 0 to this; the inverted view shows this minus the reading.
inline constexpr int kTopReading = 255;

// Bar length in twips for reading v at magnification zoom and offset s, clamped to the chart.
double barLength(double v, qint16 zoom, int s);
// Reading that stands near the middle of the chart: Int(120 / zoom + s).
int centreValue(qint16 zoom, int s);
// Scroll page for a magnification: 60 / zoom rounded half to even.
int pageStep(qint16 zoom);
} // namespace chart

struct Rgb {
    qint16 red = 0;
    qint16 green = 0;
    qint16 blue = 0;
    friend bool operator==(const Rgb &, const Rgb &) = default;
};

// Each channel's bar colour, fixed by its index.
constexpr Rgb barColour(int idx)
{
    return Rgb{qint16((22 * idx + 64) % 256), qint16((38 * idx + 128) % 256),
               qint16((86 * idx) % 256)};
}
