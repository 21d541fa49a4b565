#include "scan/precisewake.h"

#include <QSocketNotifier>

#include <algorithm>

#ifdef Q_OS_LINUX
#include "scan/schedattr.h"

#include <sched.h>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>
#endif

namespace {
constexpr qint64 kMaxLeadNs = 300'000;
// An early wake closer than this to the due time is waited out rather than slept again.
constexpr qint64 kSpinNs = 150'000;

#ifdef Q_OS_LINUX
// On a busy machine a woken thread waits for the running one to finish its
// time slice, up to a scheduler tick (4 ms at 250 Hz). Since Linux 6.12 a
// thread that asks for a short slice may cut in at once instead; it needs no
// privilege and older kernels ignore it. A chosen non-default policy is kept.
void requestShortSlice()
{
    constexpr quint64 kSliceNs = 100'000;
    SchedAttr attr{};
    if (!readSchedAttr(attr) || attr.policy != SCHED_OTHER)
        return;
    attr.runtime = kSliceNs;
    writeSchedAttr(attr);
}

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}
#endif
} // namespace

PreciseWake::PreciseWake(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_LINUX
    // The kernel may defer a sleeping thread's wake by 50 us by default; ask for none.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    requestShortSlice();
    m_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PreciseWake::woken);
#endif
}

PreciseWake::~PreciseWake()
{
#ifdef Q_OS_LINUX
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

void PreciseWake::arm(int ms)
{
#ifdef Q_OS_LINUX
    if (m_fd < 0)
        return;
    // Qt read its clock just before this, so the due time here is never early.
    m_dueNs = monotonicNs() + qint64(ms) * 1'000'000;
    request(m_dueNs - m_leadNs);
#else
    Q_UNUSED(ms);
#endif
}

void PreciseWake::request(qint64 atNs)
{
#ifdef Q_OS_LINUX
    m_requestedNs = atNs;
    itimerspec at{};
    at.it_value.tv_sec = atNs / 1'000'000'000;
    at.it_value.tv_nsec = atNs % 1'000'000'000;
    timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &at, nullptr);
#else
    Q_UNUSED(atNs);
#endif
}

void PreciseWake::woken()
{
#ifdef Q_OS_LINUX
    quint64 expirations = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
    qint64 now = monotonicNs();
    // Learn how late the kernel wakes this thread, and ask that much earlier next time.
    const qint64 lateness = now - m_requestedNs;
    m_leadNs = std::clamp(m_leadNs + (lateness - m_leadNs) / 8, qint64(0), kMaxLeadNs);
    if (now >= m_dueNs)
        return;
    if (m_dueNs - now > kSpinNs) {
        request(m_dueNs);
        return;
    }
    while (now < m_dueNs)
        now = monotonicNs();
#endif
}
