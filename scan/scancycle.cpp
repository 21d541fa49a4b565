#include "scan/scancycle.h"

#include "link/commport.h"
#include "link/protocol.h"
#include "scan/panel.h"
#include "scan/precisewake.h"

#include <QTimer>

namespace {
constexpr int kMeasureToSelectMs = 20;
constexpr int kSelectToMeasureMs = 80;
} // namespace

qint16 nextChannel(qint16 current, const std::bitset<kChannelCount> &chosen)
{
    qint16 idx = current + 1;
    if (idx > kChannelCount - 1)
        idx = 0;
    // One upward pass, so an empty tail wraps to channel 0 without testing it again.
    for (int k = 0; k <= kChannelCount - 2; ++k) {
        if (idx == k && !chosen[k])
            idx = qint16(k + 1);
    }
    if (idx == kChannelCount - 1 && !chosen[kChannelCount - 1])
        idx = 0;
    return idx;
}

void armTimer(Panel &p, QTimer *timer)
{
    timer->start();
    if (p.Wake)
        p.Wake->arm(timer->interval());
}

void Timer1_Timer(Panel &p)
{
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
