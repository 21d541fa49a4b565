#include "link/runstate.h"

#include "scan/panel.h"

#include <QAction>
#include <QPushButton>

void showRunState(Panel &p, RunState state)
{
    const bool idle = state == RunState::Idle;
    offerRun(p, idle);
    p.Halt->setEnabled(!idle);
    p.PortSel->setEnabled(idle);
    p.ShldDrvr->setEnabled(idle);
}

void offerRun(Panel &p, bool offered)
{
    p.Start->setEnabled(offered);
}
