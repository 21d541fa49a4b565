#pragma once

struct Panel;

// Ends a run: timers off, idle buttons and menus, port closed if open. Sends nothing.
void StopScan(Panel &p);
