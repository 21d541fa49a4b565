#include "panel/stopscan.h"

#include "panel/runstate.h"
#include "panel/panel.h"
#include "engine/scanengine.h"

void StopScan(Panel &p)
{
    p.engine->stop();
    showRunState(p, RunState::Idle);
}
