// orvane-boardsim: the evaluation board on a pseudo-terminal, for running and
// testing the panel without hardware.

#include "board_model.h"
#include "event_log.h"
#include "link.h"
#include "options.h"
#include "protocol.h"
#include "rng.h"
#include "sysio.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace boardsim;

// While nobody has the slave open the master reports POLLHUP without end, so
// the loop sleeps this long between looks instead of waiting on the fd.
constexpr int kHungUpPollMs = 15;
constexpr unsigned long kIgnoredLinesReported = 20;

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

struct PendingReply
{
    std::string bytes; // the 8 reply bytes, then any garbage
    std::size_t sent = 0;
    double notBefore = 0.0;
    int channel = 0;
    std::uint8_t value = 0;
};

class Simulator
{
public:
    Simulator(const Options &options, int master, std::string slavePath, EventLog &log)
        : options_(options)
        , master_(master)
        , slavePath_(std::move(slavePath))
        , log_(log)
        , model_(options.seed)
        , bytes_(options.seed ^ 0x6279746573ull)
        , start_(monotonicNow())
    {
        for (int channel = 0; channel < kChannelCount; ++channel) {
            if (const auto &value = options.fixed[static_cast<std::size_t>(channel)])
                model_.fix(channel, *value);
        }
    }

    // Returns when a signal arrives or the line was hung up on purpose;
    // false on a failure.
    bool run(int wakeRead)
    {
        while (!g_stop && !hungUpOnPurpose_) {
            double now = monotonicNow();
            if (!connected_)
                probeConnection();
            if (hungUpOnPurpose_)
                break;

            pollfd fds[2] = {{wakeRead, POLLIN, 0}, {master_, 0, 0}};
            nfds_t count = 1;
            int timeoutMs = -1;
            if (connected_) {
                fds[1].events = static_cast<short>(POLLIN | (wantsWrite(now) ? POLLOUT : 0));
                count = 2;
                timeoutMs = nextTimeoutMs(now);
            } else {
                timeoutMs = kHungUpPollMs;
            }

            const int ready = ::poll(fds, count, timeoutMs);
            if (ready < 0 && errno != EINTR) {
                complain(std::string("poll: ") + std::strerror(errno));
                return false;
            }
            if (g_stop)
                break;
            if (ready > 0 && count == 2 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
                readMaster((fds[1].revents & (POLLHUP | POLLERR)) != 0);

            now = monotonicNow();
            updateFlood(now);
            if (connected_ && !hungUpOnPurpose_)
                writeOutput(now);
        }
        return true;
    }

    bool hungUpOnPurpose() const { return hungUpOnPurpose_; }

private:
    void probeConnection()
    {
        pollfd fd{master_, POLLIN, 0};
        if (::poll(&fd, 1, 0) < 0)
            return;
        if (!(fd.revents & POLLHUP)) {
            connected_ = true;
            log_.event(monotonicNow(), "opened");
        } else if (fd.revents & POLLIN) {
            // Opened, written to and closed again between two looks.
            log_.event(monotonicNow(), "opened");
            connected_ = true;
            readMaster(true);
        }
    }

    void readMaster(bool hangupSeen)
    {
        char buffer[4096];
        bool lost = hangupSeen;
        for (;;) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                handleInput(std::string_view(buffer, static_cast<std::size_t>(n)));
                if (hungUpOnPurpose_)
                    return;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                lost = true; // EIO: the last slave fd was closed
            break;
        }
        if (lost)
            onClosed();
    }

    void onClosed()
    {
        connected_ = false;
        log_.event(monotonicNow(), "closed");
        for (const auto &reply : pending_)
            log_.event(monotonicNow(), "drop " + std::to_string(reply.channel) + " " + hexByte(reply.value));
        pending_.clear();
        // Bytes already written but unread would greet the next open; a real
        // serial port loses them, so do the same.
        const int slave = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave >= 0) {
            tcflush(slave, TCIFLUSH);
            ::close(slave);
        }
    }

    // Fed up to one CR at a time so an overflow is logged in its place
    // among the lines.
    void handleInput(std::string_view data)
    {
        std::vector<std::string> lines;
        while (!data.empty() && !hungUpOnPurpose_) {
            const auto cr = data.find('\r');
            const auto piece = data.substr(0, cr == std::string_view::npos ? data.size() : cr + 1);
            data.remove_prefix(piece.size());
            lines.clear();
            assembler_.feed(piece, lines);
            for (std::size_t i = assembler_.takeOverflows(); i > 0; --i)
                log_.event(monotonicNow(), "overflow");
            for (const auto &line : lines)
                handleLine(line);
        }
    }

    void handleLine(const std::string &line)
    {
        ++linesReceived_;
        log_.event(monotonicNow(), "rx " + escapeForLog(line));
        if (options_.hangupAfter != 0 && linesReceived_ >= options_.hangupAfter) {
            log_.event(monotonicNow(), "hangup");
            ::close(master_);
            master_ = -1;
            hungUpOnPurpose_ = true;
            return;
        }
        const double now = monotonicNow();
        if (options_.floodSeconds > 0.0 && !floodUsed_) {
            floodUsed_ = true;
            flooding_ = true;
            floodEnd_ = now + options_.floodSeconds;
            log_.event(monotonicNow(), "flood-start");
        }

        const Command command = parseCommand(line);
        switch (command.kind) {
        case CommandKind::Drive:
            shield_ = command.arg != 0;
            break;
        case CommandKind::Select:
            channel_ = command.arg;
            break;
        case CommandKind::Measure:
            measure(now);
            break;
        case CommandKind::Unknown:
            // Bounded, so a chatty peer cannot fill a stderr pipe nobody reads.
            if (++ignoredLines_ <= kIgnoredLinesReported)
                complain("ignored line '" + escapeForLog(line) + "'"
                         + (ignoredLines_ == kIgnoredLinesReported ? "; further ones only in the log" : ""));
            break;
        }
    }

    void measure(double now)
    {
        ++measures_;
        const std::uint8_t value = model_.read(channel_, now - start_, shield_);
        const bool dropped = options_.silent || flooding_
                             || (options_.drop != 0 && measures_ % options_.drop == 0);
        if (dropped) {
            log_.event(monotonicNow(), "drop " + std::to_string(channel_) + " " + hexByte(value));
            return;
        }
        const auto reply = readingReply(value);
        PendingReply pending;
        pending.bytes.assign(reply.begin(), reply.end());
        if (measures_ % options_.garbageEvery == 0) {
            for (unsigned i = 0; i < options_.garbage; ++i)
                pending.bytes += static_cast<char>(bytes_.byte());
        }
        pending.notBefore = now + options_.delayMs / 1000.0;
        pending.channel = channel_;
        pending.value = value;
        pending_.push_back(std::move(pending));
    }

    void updateFlood(double now)
    {
        if (flooding_ && now >= floodEnd_) {
            flooding_ = false;
            log_.event(monotonicNow(), "flood-end");
        }
    }

    bool wantsWrite(double now) const
    {
        if (flooding_)
            return true;
        return !pending_.empty() && pending_.front().notBefore <= now;
    }

    // A reply that is already due waits for POLLOUT, not for a timeout.
    int nextTimeoutMs(double now) const
    {
        double due = -1.0;
        if (flooding_)
            due = floodEnd_;
        else if (!pending_.empty() && pending_.front().notBefore > now)
            due = pending_.front().notBefore;
        if (due < 0.0)
            return -1;
        // Round up so we never wake a hair early and spin.
        const double ms = (due - now) * 1000.0;
        return ms <= 0.0 ? 0 : static_cast<int>(ms) + 1;
    }

    // false when the line is full (EAGAIN) or gone.
    bool writeSome(const char *data, std::size_t size, std::size_t &written)
    {
        const ssize_t n = ::write(master_, data, size);
        if (n >= 0) {
            written = static_cast<std::size_t>(n);
            return true;
        }
        written = 0;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            onClosed();
        return false;
    }

    void writeOutput(double now)
    {
        if (flooding_) {
            char chunk[4096];
            std::size_t written = sizeof chunk;
            while (connected_ && written == sizeof chunk) {
                for (auto &c : chunk)
                    c = static_cast<char>(bytes_.byte());
                if (!writeSome(chunk, sizeof chunk, written))
                    break;
            }
            return;
        }

        while (connected_ && !pending_.empty()) {
            PendingReply &head = pending_.front();
            if (head.notBefore > now)
                return;
            std::size_t end = head.bytes.size();
            if (options_.splitMs >= 0 && head.sent < 4)
                end = 4;
            std::size_t written = 0;
            const bool ok = writeSome(head.bytes.data() + head.sent, end - head.sent, written);
            if (!connected_)
                return;
            const std::size_t before = head.sent;
            head.sent += written;
            if (options_.splitMs >= 0 && before < 4 && head.sent == 4)
                head.notBefore = now + options_.splitMs / 1000.0;
            if (before < 8 && head.sent >= 8)
                log_.event(monotonicNow(), "tx " + std::to_string(head.channel) + " " + hexByte(head.value));
            if (head.sent == head.bytes.size())
                pending_.pop_front();
            else if (!ok || written == 0)
                return;
        }
    }

    const Options &options_;
    int master_;
    std::string slavePath_;
    EventLog &log_;
    BoardModel model_;
    Rng bytes_;
    double start_;
    LineAssembler assembler_;
    std::deque<PendingReply> pending_;

    bool connected_ = false;
    bool hungUpOnPurpose_ = false;
    bool shield_ = false;
    int channel_ = 0;
    unsigned long linesReceived_ = 0;
    unsigned long measures_ = 0;
    unsigned long ignoredLines_ = 0;
    bool floodUsed_ = false;
    bool flooding_ = false;
    double floodEnd_ = 0.0;
};

int openMaster(std::string &slavePath)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || !setNonBlocking(master)) {
        complain(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
        if (master >= 0)
            ::close(master);
        return -1;
    }
    const char *name = ptsname(master);
    if (!name) {
        complain("ptsname failed");
        ::close(master);
        return -1;
    }
    slavePath = name;

    // Raw mode lives on the slave side and stays while the master is open.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        complain("cannot configure " + slavePath + ": " + std::strerror(errno));
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return -1;
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    tcsetattr(slave, TCSANOW, &tio);
    ::close(slave);
    return master;
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

    int wake[2];
    if (::pipe(wake) != 0 || !setNonBlocking(wake[0]) || !setNonBlocking(wake[1])) {
        complain(std::string("pipe: ") + std::strerror(errno));
        return 1;
    }
    g_wakeWrite = wake[1];
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    EventLog log;
    if (!log.open(options.logPath)) {
        complain("--log: cannot open '" + options.logPath + "': " + std::strerror(errno));
        return 1;
    }

    std::string slavePath;
    const int master = openMaster(slavePath);
    if (master < 0)
        return 1;

    Link link;
    if (!options.linkPath.empty() && !link.publish(options.linkPath, slavePath)) {
        ::close(master);
        return 1;
    }

    writeAll(STDOUT_FILENO, slavePath + "\n");

    Simulator simulator(options, master, slavePath, log);
    const bool ok = simulator.run(wake[0]);
    if (!simulator.hungUpOnPurpose())
        ::close(master);
    return ok ? 0 : 1;
}
