#pragma once

struct Panel;

// The serial component's receive event: judge what has arrived and chart it.
// Tells whether a reading was charted.
bool OrvaneCom_OnComm(Panel &p);
