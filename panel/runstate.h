#pragma once

struct Panel;

enum class RunState { Idle, Running };

// The controls that show the panel's state: Run and Stop, and the Port and
// Shield Driver menus, which may change only between runs.
void showRunState(Panel &p, RunState state);

// Whether Run is offered; it is not while no channel is chosen.
void offerRun(Panel &p, bool offered);
