#include "panel/runstate.h"

#include "panel/panel.h"

#include <QAction>
#include <QPushButton>

void showRunState(Panel &p, RunState state)
{
    const bool idle = state == RunState::Idle;
    // Run and Stop take turns with the focus, so Space, Space starts and stops a run.
    QPushButton *focused = p.Start->hasFocus() ? p.Start : p.Halt->hasFocus() ? p.Halt : nullptr;
    offerRun(p, idle);
    p.Halt->setEnabled(!idle);
    p.PortSel->setEnabled(idle);
    p.ShldDrvr->setEnabled(idle);
    QPushButton *next = idle ? p.Start : p.Halt;
    if (focused && focused != next)
        next->setFocus(Qt::TabFocusReason);
}

void offerRun(Panel &p, bool offered)
{
    p.Start->setEnabled(offered);
}
