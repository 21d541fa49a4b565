#pragma once

#include <chrono>

// Seconds on the steady clock: CLOCK_MONOTONIC on Linux, the clock of the
// simulator's log and of the panel's trace.
inline double monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
