#include "scan/decoder.h"

#include "chart/barchart.h"
#include "chart/geometry.h"
#include "link/commport.h"
#include "link/protocol.h"
#include "scan/panel.h"

#include <QAction>

bool OrvaneCom_OnComm(Panel &p)
{
    p.BarRgb = barColour(p.state.MeasIdx);

    // Two characters, so an event that reads nothing can never look complete.
    QByteArray burst("00");
    if (p.OrvaneCom->waiting() != 0)
        burst = p.OrvaneCom->takeAll();
    const std::optional<int> reading = wire::judgeBurst(burst);
    if (!reading)
        return false;
    DrawBar(p, p.Inv->isChecked() ? 255 - *reading : *reading);
    return true;
}
