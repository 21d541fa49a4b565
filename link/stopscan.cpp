#include "link/stopscan.h"

#include "link/runstate.h"
#include "scan/panel.h"
#include "scan/scanengine.h"

void StopScan(Panel &p)
{
    p.engine->stop();
    showRunState(p, RunState::Idle);
}
