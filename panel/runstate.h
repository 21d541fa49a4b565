#pragma once

struct Panel;

enum class RunState { Idle, Running };

// The controls that show the panel's state: Run and Stop, and the Port and
// Shield Driver menus, which may change only between runs.
void showRunState(Panel &p, RunState state);

// Enables or disables Run, and nothing more: its callers keep Run disabled
// while no channel is chosen (CleanBars does so after StopScan).
void offerRun(Panel &p, bool offered);
