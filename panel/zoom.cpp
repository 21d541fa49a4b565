#include "panel/zoom.h"

#include "geometry/geometry.h"
#include "panel/panel.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace {
void showScroll(Panel &p, bool shown)
{
    p.HScroll->setVisible(shown);
    p.HScroll->setEnabled(shown);
}

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
    showScroll(p, true);
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
        showScroll(p, false);
        p.HScroll->setValue(0);
    } else {
        p.ZoomOut->setEnabled(true);
        showScroll(p, true);
    }
    showReadouts(p);
}

void HScroll_Change(Panel &p)
{
    p.Center->setText(QString::number(chart::centreValue(p.state.ZoomMag, p.HScroll->value())));
}
