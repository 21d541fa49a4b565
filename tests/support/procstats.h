#pragma once

#include <QtGlobal>

// What a process has cost so far, from /proc; `pid` 0 is this process.
// Processor seconds of all its threads, at nanosecond resolution:
double cpuSeconds(qint64 pid = 0);
// Its resident memory now, and at its peak, in MiB; NaN when it cannot be read:
double residentMb(qint64 pid = 0);
double peakRssMb(qint64 pid = 0);
