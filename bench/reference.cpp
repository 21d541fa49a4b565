// The platform's own limit: no Qt, the panel's scheduling requests, and its
// 20 ms / 80 ms alternation with each sleep started once the previous one has
// woken, as the panel's timers are. Logs "<monotonic seconds> woke <ms>" at
// every wake until it is killed.
#include "clock.h"
#include "scheduling/scheduling.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace {

void sleepMs(long ms)
{
    timespec left{ms / 1000, (ms % 1000) * 1'000'000};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvane-reference LOG\n");
        return 2;
    }
    std::FILE *log = std::fopen(argv[1], "a");
    if (!log) {
        std::perror(argv[1]);
        return 1;
    }
    std::setvbuf(log, nullptr, _IOLBF, 0);
    requestPreciseScheduling();
    for (;;) {
        for (const long ms : {80L, 20L}) {
            sleepMs(ms);
            std::fprintf(log, "%.6f woke %ld\n", monotonicSeconds(), ms);
        }
    }
}
