#include "scan/scancycle.h"

#include "link/commport.h"
#include "link/protocol.h"
#include "scan/nextchannel.h"
#include "scan/panel.h"
#include "scan/precisewake.h"

#include <QTimer>

namespace {
constexpr int kMeasureToSelectMs = 20;
constexpr int kSelectToMeasureMs = 80;
} // namespace

void armTimer(Panel &p, QTimer *timer)
{
    timer->start();
    if (p.Wake)
        p.Wake->arm(timer->interval());
}

void Timer1_Timer(Panel &p)
{
    p.state.MeasIdx = p.state.ChanIdx;
    sendCommand(*p.OrvaneCom, wire::measureCommand());
    p.Timer1->stop();
    p.Timer2->setInterval(kMeasureToSelectMs);
    armTimer(p, p.Timer2);
}

void Timer2_Timer(Panel &p)
{
    p.state.ChanIdx = nextChannel(p.state.ChanIdx, p.chosen());
    sendCommand(*p.OrvaneCom, wire::selectCommand(p.state.ChanIdx));
    p.Timer1->setInterval(kSelectToMeasureMs);
    p.Timer2->stop();
    armTimer(p, p.Timer1);
}
