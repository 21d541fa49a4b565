#include "scan/decoder.h"

#include "chart/barchart.h"
#include "link/commport.h"
#include "link/protocol.h"
#include "scan/panel.h"

#include <QAction>

bool OrvaneCom_OnComm(Panel &p)
{
    p.BarRgb = barColour(p.state.ChanIdx);

    // Two characters, so an event that reads nothing can never look complete.
    QByteArray burst("00");
    int reading = 0;
    const qint64 count = p.OrvaneCom->waiting();
    if (count != 0) {
        burst = p.OrvaneCom->takeAll();
        reading = wire::decodeReading(burst);
        if (p.Inv->isChecked())
            reading = 255 - reading;
    }
    if (!wire::isReadingReply(burst))
        return false;
    DrawBar(p, reading);
    return true;
}
