#pragma once

#include "bench/session.h"

#include <QJsonObject>

#include <vector>

// The phases of a benchmark run; each adds its figures to the results.

// The bare Qt window and the panel (on no device) started alternately, ten
// times each, since single starts vary by a quarter on a shared machine. The
// panel's start times come back, to be joined by the measured runs'.
std::vector<double> compareStartup(const Bench &bench, QJsonObject &results);

// The panel against the simulator as it is: idle, then scanning quiet and
// loaded while the reference sleeps the same cycle beside it. Gives its start time.
double plainScenario(const Bench &bench, QJsonObject &results);

// The same scan through what an adapter does to replies: sent at the line's
// pace and held by a 16 ms latency timer.
void adapterScenario(const Bench &bench, QJsonObject &results);

// The headless recorder on the plain simulator, quiet and loaded, beside its own
// run of the reference: its steps, its processor share and its memory.
void recorderScenario(const Bench &bench, QJsonObject &results);

// The panel's quiet scan alone, then followed by two recorders of its run
// (orvane-record on the panel's device), the reference beside both windows;
// and whether each follower got every reading drawn in its time, the same rows as the other.
void followedScenario(const Bench &bench, QJsonObject &results);
