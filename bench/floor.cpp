// The least any program can spend on the scan on this machine: the same
// commands at the same moments, each in one write, woken once the driver has a
// whole reply, a row written for each reading and the file synced once a
// second. No Qt and no checks. The recorder's and the panel's processor time
// are read against it, measured on its own simulated board in the same window.
#include "scheduling/scheduling.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr char kSelectCodes[] = "123456789ABCDEFGHI";

std::int64_t monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

bool openLine(const char *device, int &fd)
{
    fd = ::open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (fd < 0 || ::tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    cfsetspeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 8;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

// Sleeps until `dueNs`, writing a row for every reply that comes meanwhile.
void waitUntil(int timer, int line, int csv, std::int64_t dueNs)
{
    itimerspec at{};
    at.it_value.tv_sec = dueNs / 1'000'000'000;
    at.it_value.tv_nsec = dueNs % 1'000'000'000;
    timerfd_settime(timer, TFD_TIMER_ABSTIME, &at, nullptr);
    for (;;) {
        pollfd fds[2] = {{timer, POLLIN, 0}, {line, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN) {
            char reply[1024];
            if (::read(line, reply, sizeof reply) >= 5) {
                timespec now{};
                clock_gettime(CLOCK_REALTIME, &now);
                char row[64];
                const int n = std::snprintf(row, sizeof row, "%lld.%03ld,%c%c\n", static_cast<long long>(now.tv_sec),
                                            now.tv_nsec / 1'000'000, reply[3], reply[4]);
                [[maybe_unused]] const ssize_t w = ::write(csv, row, size_t(n));
            }
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t r = ::read(timer, &expirations, sizeof expirations);
            return;
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: orvane-floor DEVICE CSV\n");
        return 2;
    }
    int line = -1;
    if (!openLine(argv[1], line)) {
        std::perror(argv[1]);
        return 1;
    }
    const int csv = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (csv < 0 || timer < 0) {
        std::perror(argv[2]);
        return 1;
    }
    requestPreciseScheduling();
    std::int64_t due = monotonicNs();
    for (int step = 0;; ++step) {
        waitUntil(timer, line, csv, due += 80'000'000);
        [[maybe_unused]] ssize_t w = ::write(line, "x\r", 2);
        waitUntil(timer, line, csv, due += 20'000'000);
        const char select[] = {'s', ' ', kSelectCodes[step % 18], '\r'};
        w = ::write(line, select, sizeof select);
        if (step % 10 == 9)
            ::fdatasync(csv);
    }
}
