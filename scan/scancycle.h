#pragma once

#include "scan/channeltable.h"

#include <QtGlobal>
#include <bitset>

struct Panel;
class QTimer;

// The channel after `current`: the first chosen one looking upward as far as
// the last channel, else channel 0 whether or not it is chosen.
qint16 nextChannel(qint16 current, const std::bitset<kChannelCount> &chosen);

// Starts a scan timer, waking the event loop exactly when it is due.
void armTimer(Panel &p, QTimer *timer);

void Timer1_Timer(Panel &p); // measure
void Timer2_Timer(Panel &p); // advance and select
