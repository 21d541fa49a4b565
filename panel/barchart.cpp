#include "panel/barchart.h"

#include "panel/chartsurface.h"
#include "geometry/geometry.h"
#include "panel/runstate.h"
#include "panel/stopscan.h"
#include "panel/panel.h"
#include "panel/valuelabel.h"

#include <QScrollBar>

#include <array>

void DrawBar(Panel &p, double v)
{
    const int idx = p.state.MeasIdx;
    const float y = float(qint16(chart::kRowPitch * idx));
    const ChartSurface::Fill erase{chart::kLeft, y, chart::kEraseWidth, chart::kBarHeight, Qt::white};
    if (!p.isChosen(idx)) {
        p.Chart->fillTwips({&erase, 1});
        return;
    }
    // While the thumb is dragged the value waits for the release; the bars follow the thumb.
    const double length = chart::barLength(v, p.state.ZoomMag, p.HScroll->sliderPosition());
    const QColor colour(p.BarRgb.red, p.BarRgb.green, p.BarRgb.blue);
    const ChartSurface::Fill row[] = {erase, {chart::kLeft, y, float(length), chart::kBarHeight, colour}};
    p.Chart->fillTwips(row);
    p.valueLabels[idx]->setText(QString::number(qint64(v)));
}

void CleanBars(Panel &p)
{
    std::array<ChartSurface::Fill, kChannelCount> rows;
    for (int i = 0; i < kChannelCount; ++i)
        rows[i] = {chart::kLeft, float(chart::kRowPitch * i), chart::kEraseWidth, chart::kBarHeight, Qt::white};
    p.Chart->fillTwips(rows);
    if (p.chosen().none()) {
        StopScan(p);
        offerRun(p, false);
    }
}

QStringList readingCaptions()
{
    QStringList captions;
    for (int v = 0; v <= chart::kTopReading; ++v)
        captions.append(QString::number(v));
    return captions;
}
