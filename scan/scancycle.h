#pragma once

struct Panel;
class QTimer;

// Starts a scan timer, waking the event loop exactly when it is due.
void armTimer(Panel &p, QTimer *timer);

void Timer1_Timer(Panel &p); // measure
void Timer2_Timer(Panel &p); // advance and select
