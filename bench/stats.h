#pragma once

#include "eventlog.h"

#include <vector>

// Nearest-rank percentile (p in 0..100) and median; NaN for no samples.
double percentile(std::vector<double> samples, double p);
double median(std::vector<double> samples);
std::vector<double> absDeviation(const std::vector<double> &samples, double ideal);
// The p99 of how far steps stray from the 100 ms cycle.
double stepP99AbsDev(const std::vector<double> &stepsMs);

// A log line that marks one point of the scan cycle: its first two words.
struct Mark {
    const char *kind;
    const char *what;
};

// Gaps in ms, within [from, to], between successive measures (step), from a
// measure to the select after it (toSelect) and from a select to the next measure.
struct Steps {
    std::vector<double> step, toSelect, toMeasure;
};
Steps cycleSteps(const std::vector<LogLine> &log, double from, double to, Mark measure, Mark select);

// The marks of the simulator's log ("rx x", "rx s 3") and of the reference's ("woke 80", "woke 20").
inline constexpr Mark kSimMeasure{"rx", "x"}, kSimSelect{"rx", "s"};
inline constexpr Mark kReferenceMeasure{"woke", "80"}, kReferenceSelect{"woke", "20"};
