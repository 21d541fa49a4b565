#pragma once

#include <QtGlobal>

struct Panel;

namespace chart {
// Reading that stands near the middle of the chart: Int(120 / zoom + s).
int centreValue(qint16 zoom, int s);
// Scroll page for a magnification: 60 / zoom rounded half to even.
int pageStep(qint16 zoom);
} // namespace chart

void ZoomIn_Click(Panel &p);
void ZoomOut_Click(Panel &p);
void HScroll_Change(Panel &p);
