#include "link/stopscan.h"

#include "link/commport.h"
#include "link/runstate.h"
#include "scan/panel.h"

#include <QTimer>

void StopScan(Panel &p)
{
    p.Timer1->stop();
    p.Timer2->stop();
    if (p.OrvaneCom->isOpen())
        p.OrvaneCom->close();
    showRunState(p, RunState::Idle);
}
