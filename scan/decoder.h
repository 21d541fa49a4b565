#pragma once

struct Panel;

// The serial component's receive event: judge what has arrived and chart it.
void OrvaneCom_OnComm(Panel &p);
