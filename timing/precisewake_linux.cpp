#include "timing/precisewake.h"

#include <QSocketNotifier>

#include <algorithm>
#include <array>

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

namespace {
constexpr qint64 kMaxLeadNs = 300'000;
// An early wake closer than this to the due time counts as on time; one
// further off sleeps again.
constexpr qint64 kOnTimeNs = 150'000;

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// A timerfd asked early by the lateness it has learnt, so that its wakes fall
// on the due time as often before it as after.
class TimerFdWake : public PreciseWake {
public:
    explicit TimerFdWake(int fd) : m_fd(fd), m_notifier(fd, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &TimerFdWake::woken);
    }
    ~TimerFdWake() override { ::close(m_fd); }

    void arm(int ms) override
    {
        m_armed = true;
        m_dueNs = monotonicNs() + qint64(ms) * 1'000'000;
        request(m_dueNs - lead());
    }

    void cancel() override
    {
        m_armed = false;
        timerfd_settime(m_fd, 0, &kDisarmed, nullptr);
    }

private:
    // How much earlier to ask: the median lateness of the recent wakes. A wake
    // delayed by a busy core says nothing of the kernel's own lateness, and
    // asking earlier for it would only mean a second sleep, and a second delay,
    // on the quiet ticks after it.
    qint64 lead() const
    {
        std::array<qint64, 16> sorted = m_lateness;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        return std::clamp(sorted[sorted.size() / 2], qint64(0), kMaxLeadNs);
    }

    void request(qint64 atNs)
    {
        m_requestedNs = atNs;
        itimerspec at{};
        at.it_value.tv_sec = atNs / 1'000'000'000;
        at.it_value.tv_nsec = atNs % 1'000'000'000;
        timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &at, nullptr);
    }

    void woken()
    {
        quint64 expirations = 0;
        const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
        // Already told, or replaced by an arm since the fd became readable.
        if (n <= 0 || !m_armed)
            return;
        const qint64 now = monotonicNs();
        // Learn how late the kernel wakes this thread.
        m_lateness[m_next++ % m_lateness.size()] = now - m_requestedNs;
        if (m_dueNs - now > kOnTimeNs) {
            request(m_dueNs);
            return;
        }
        m_armed = false;
        emit due();
    }

    int m_fd;
    QSocketNotifier m_notifier;
    static constexpr itimerspec kDisarmed{};
    bool m_armed = false;
    qint64 m_dueNs = 0;
    qint64 m_requestedNs = 0;
    std::array<qint64, 16> m_lateness{};
    std::size_t m_next = 0;
};
} // namespace

std::unique_ptr<PreciseWake> makePreciseWake()
{
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::make_unique<TimerFdWake>(fd);
}
