#pragma once

#include <string_view>

namespace boardsim {

// CLOCK_MONOTONIC in seconds: the clock of the log and of every timer.
double monotonicNow();

// Retries short writes and EINTR; gives up silently on any other failure.
void writeAll(int fd, std::string_view text);

// "orvane-boardsim: MESSAGE" on stderr.
void complain(std::string_view message);

// Also sets close-on-exec.
bool setNonBlocking(int fd);

} // namespace boardsim
