// orvane-boardsim: the evaluation board on a pseudo-terminal, for running and
// testing the panel without hardware.

#include "eventlog.h"
#include "scheduling/scheduling.h"
#include "faultpolicy.h"
#include "link.h"
#include "options.h"
#include "ptyline.h"
#include "sysio.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace {

using namespace boardsim;

// The kernel moves the filling along for a while after the first EAGAIN.
constexpr double kStallTopUpSeconds = 0.005;
// Writes per turn of the loop, so an instant flood cannot starve the rest.
constexpr int kWritesPerTurn = 16;

int g_wakeWrite = -1;
volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    const int saved = errno;
    g_stop = 1;
    const char byte = 0;
    [[maybe_unused]] auto n = ::write(g_wakeWrite, &byte, 1);
    errno = saved;
}

class Loop
{
public:
    Loop(PtyLine &line, FaultPolicy &policy)
        : m_line(line)
        , m_policy(policy)
    {
    }

    // Returns on a signal or once the line was hung up on purpose; false on a failure.
    bool run(int wakeRead)
    {
        while (!g_stop && !m_policy.hungUp()) {
            const double now = monotonicNow();
            const bool writing = !m_policy.output(now).empty();
            pollfd fds[3] = {{wakeRead, POLLIN, 0}, {m_line.watch(), POLLIN, 0}, {m_line.master(), 0, 0}};
            fds[2].events = static_cast<short>((m_policy.reading() ? POLLIN : 0) | (writing ? POLLOUT : 0));
            timespec timeout{};
            const int ready = ::ppoll(fds, 3, timeoutUntil(now, timeout), nullptr);
            if (ready < 0 && errno != EINTR) {
                complain(std::string("poll: ") + std::strerror(errno));
                return false;
            }
            if (g_stop)
                break;
            if ((fds[1].revents & POLLIN) && !followChanges())
                return false;
            if ((fds[2].revents & (POLLIN | POLLHUP | POLLERR)) && !readInput())
                return false;
            if (m_policy.hungUp()) {
                m_line.hangUp();
                break;
            }
            if (m_policy.stalled() && monotonicNow() >= m_lastFill + kStallTopUpSeconds)
                fillLine();
            if (!writeOutput())
                return false;
        }
        return true;
    }

private:
    void fillLine()
    {
        m_line.fill();
        m_lastFill = monotonicNow();
    }

    timespec *timeoutUntil(double now, timespec &timeout) const
    {
        double wake = m_policy.nextWake().value_or(INFINITY);
        if (m_policy.stalled())
            wake = std::min(wake, m_lastFill + kStallTopUpSeconds);
        if (std::isinf(wake))
            return nullptr;
        const double wait = std::max(0.0, wake - now);
        timeout.tv_sec = static_cast<time_t>(wait);
        // Rounded up, so we never wake a hair early and spin.
        timeout.tv_nsec = static_cast<long>(std::ceil((wait - static_cast<double>(timeout.tv_sec)) * 1e9));
        if (timeout.tv_nsec >= 1000000000L) {
            ++timeout.tv_sec;
            timeout.tv_nsec -= 1000000000L;
        }
        return &timeout;
    }

    bool followChanges()
    {
        for (const PtyLine::Change change : m_line.changes()) {
            if (change == PtyLine::Change::Opened) {
                m_policy.opened(monotonicNow());
                continue;
            }
            // Commands written just before the close still count.
            if (!readInput())
                return false;
            m_line.release();
            m_policy.closed(monotonicNow());
        }
        return true;
    }

    bool readInput()
    {
        char buffer[4096];
        while (m_policy.reading()) {
            const ssize_t n = ::read(m_line.master(), buffer, sizeof buffer);
            if (n > 0) {
                m_policy.received(std::string_view(buffer, static_cast<std::size_t>(n)), monotonicNow());
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            complain(std::string("reading the line: ") + (n == 0 ? "end of file" : std::strerror(errno)));
            return false;
        }
        return true;
    }

    bool writeOutput()
    {
        for (int i = 0; i < kWritesPerTurn; ++i) {
            // Stamped before the write: once it returns, the reader may have the bytes.
            const double now = monotonicNow();
            const std::string_view bytes = m_policy.output(now);
            if (bytes.empty())
                return true;
            const ssize_t n = ::write(m_line.master(), bytes.data(), bytes.size());
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                return true;
            if (n < 0) {
                complain(std::string("writing the line: ") + std::strerror(errno));
                return false;
            }
            m_policy.sent(static_cast<std::size_t>(n), now);
            if (static_cast<std::size_t>(n) < bytes.size())
                return true;
        }
        return true;
    }

    PtyLine &m_line;
    FaultPolicy &m_policy;
    double m_lastFill = 0.0;
};

// The adapter's time away; false when a signal ends the simulator meanwhile.
bool waitOut(int wakeRead, double seconds)
{
    const double until = monotonicNow() + seconds;
    for (double left = seconds; !g_stop && left > 0.0; left = until - monotonicNow()) {
        timespec timeout{static_cast<time_t>(left), static_cast<long>(std::fmod(left, 1.0) * 1e9)};
        pollfd fd{wakeRead, POLLIN, 0};
        ::ppoll(&fd, 1, &timeout, nullptr);
    }
    return !g_stop;
}

bool catchSignals(int wake[2])
{
    if (::pipe(wake) != 0 || !setNonBlocking(wake[0]) || !setNonBlocking(wake[1]))
        return false;
    g_wakeWrite = wake[1];
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const ParsedArgs parsed = parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.status == ParsedArgs::Status::Help) {
        writeAll(STDOUT_FILENO, usageText());
        return 0;
    }
    if (parsed.status == ParsedArgs::Status::Error) {
        complain(parsed.error);
        return 2;
    }
    const Options &options = parsed.options;
    // A board answers in hardware: its stand-in should not add a busy core's delays.
    requestPreciseScheduling();

    int wake[2];
    if (!catchSignals(wake)) {
        complain(std::string("pipe: ") + std::strerror(errno));
        return 1;
    }
    EventLog log;
    if (!log.open(options.logPath)) {
        complain("--log: cannot open '" + options.logPath + "': " + std::strerror(errno));
        return 1;
    }
    // Made once the first line is out: its log may go to standard output, after the device.
    std::optional<FaultPolicy> policy;
    Link link;
    for (bool replugged = false;; replugged = true) {
        if (replugged && !waitOut(wake[0], options.replugSeconds))
            return 0;
        PtyLine line;
        std::string error;
        if (!line.open(error)) {
            complain(error);
            return 1;
        }
        // Full before anyone can open it; the loop tops it up from its first turn.
        if (options.stallAfter == 0u)
            line.fill();
        if (!options.linkPath.empty() && !link.publish(options.linkPath, line.path()))
            return 1;
        writeAll(STDOUT_FILENO, line.path() + "\n");
        if (replugged)
            policy->replugged(monotonicNow(), line.path());
        else
            policy.emplace(options, monotonicNow(), log);

        Loop loop(line, *policy);
        if (!loop.run(wake[0]))
            return 1;
        if (g_stop || !policy->hungUp() || options.replugSeconds <= 0.0)
            return 0;
        // The device's name goes with the adapter.
        link.remove();
    }
}
