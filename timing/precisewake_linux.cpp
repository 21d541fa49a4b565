#include "timing/precisewake.h"

#include <QSocketNotifier>

#include <algorithm>
#include <array>

#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

namespace {
constexpr qint64 kMaxLeadNs = 300'000;
// An early wake closer than this to the due time is waited out rather than slept again.
constexpr qint64 kSpinNs = 150'000;

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// A timerfd asked early by the lateness it has learnt; the last microseconds are waited out.
class TimerFdWake : public PreciseWake {
public:
    explicit TimerFdWake(int fd) : m_fd(fd), m_notifier(fd, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &TimerFdWake::woken);
    }
    ~TimerFdWake() override { ::close(m_fd); }

    void arm(int ms) override
    {
        // Qt read its clock just before this, so the due time here is never early.
        m_dueNs = monotonicNs() + qint64(ms) * 1'000'000;
        request(m_dueNs - lead());
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
        [[maybe_unused]] const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
        qint64 now = monotonicNs();
        // Learn how late the kernel wakes this thread.
        m_lateness[m_next++ % m_lateness.size()] = now - m_requestedNs;
        if (now >= m_dueNs)
            return;
        if (m_dueNs - now > kSpinNs) {
            request(m_dueNs);
            return;
        }
        while (now < m_dueNs)
            now = monotonicNs();
    }

    int m_fd;
    QSocketNotifier m_notifier;
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
