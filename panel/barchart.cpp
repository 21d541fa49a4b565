#include "panel/barchart.h"

#include "panel/chartsurface.h"
#include "geometry/geometry.h"
#include "panel/runstate.h"
#include "panel/stopscan.h"
#include "panel/panel.h"

#include <QLabel>
#include <QScrollBar>

void DrawBar(Panel &p, double v)
{
    const int idx = p.state.MeasIdx;
    const float y = float(qint16(chart::kRowPitch * idx));
    p.Chart->fillTwips(chart::kLeft, y, chart::kEraseWidth, chart::kBarHeight, Qt::white);
    // While the thumb is dragged the value waits for the release; the bars follow the thumb.
    const double length = chart::barLength(v, p.state.ZoomMag, p.HScroll->sliderPosition());
    if (!p.isChosen(idx))
        return;
    const QColor colour(p.BarRgb.red, p.BarRgb.green, p.BarRgb.blue);
    p.Chart->fillTwips(chart::kLeft, y, float(length), chart::kBarHeight, colour);
    p.valueLabels[idx]->setText(QString::number(qint64(v)));
}

void CleanBars(Panel &p)
{
    for (int i = 0; i < kChannelCount; ++i)
        p.Chart->fillTwips(chart::kLeft, float(chart::kRowPitch * i), chart::kEraseWidth,
                           chart::kBarHeight, Qt::white);
    if (p.chosen().none()) {
        StopScan(p);
        offerRun(p, false);
    }
}
