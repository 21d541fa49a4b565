#include "chart/zoom.h"

#include "scan/panel.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <cmath>

namespace chart {
int centreValue(qint16 zoom, int s)
{
    return int(std::floor(120.0 / zoom + s));
}

int pageStep(qint16 zoom)
{
    return int(std::nearbyint(60.0 / zoom));
}
} // namespace chart

namespace {
void showReadouts(Panel &p)
{
    p.Mag->setText(QString::number(p.state.ZoomMag));
    p.Center->setText(QString::number(chart::centreValue(p.state.ZoomMag, p.HScroll->value())));
}
} // namespace

void ZoomIn_Click(Panel &p)
{
    if (p.state.ZoomMag == 0)
        p.state.ZoomMag = 1;
    p.state.ZoomMag = qint16(p.state.ZoomMag * 2);
    if (p.state.ZoomMag <= 15) {
        p.ZoomIn->setEnabled(true);
    } else {
        p.state.ZoomMag = 16;
        p.ZoomIn->setEnabled(false);
    }
    p.ZoomOut->setEnabled(true);
    p.HScroll->setVisible(true);
    p.HScroll->setEnabled(true);
    showReadouts(p);
    p.HScroll->setPageStep(chart::pageStep(p.state.ZoomMag));
}

void ZoomOut_Click(Panel &p)
{
    p.ZoomIn->setEnabled(true);
    if (p.state.ZoomMag > 1)
        p.state.ZoomMag = qint16(std::lround(p.state.ZoomMag / 2.0));
    if (p.state.ZoomMag == 1) {
        p.ZoomOut->setEnabled(false);
        p.HScroll->setVisible(false);
        p.HScroll->setEnabled(false);
        p.HScroll->setValue(0);
    } else {
        p.ZoomOut->setEnabled(true);
        p.HScroll->setVisible(true);
        p.HScroll->setEnabled(true);
    }
    showReadouts(p);
}

void HScroll_Change(Panel &p)
{
    p.Center->setText(QString::number(chart::centreValue(p.state.ZoomMag, p.HScroll->value())));
}
