#include "scan/precisewake.h"

#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>
#endif

PreciseWake::PreciseWake(QObject *parent) : QObject(parent)
{
#ifdef Q_OS_LINUX
    // The kernel may defer a sleeping thread's wake by 50 us by default; ask for none.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    m_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        quint64 expirations = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
    });
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
    // Qt took its start time just before this, so the wake is never early.
    itimerspec due{};
    clock_gettime(CLOCK_MONOTONIC, &due.it_value);
    due.it_value.tv_sec += ms / 1000;
    due.it_value.tv_nsec += long(ms % 1000) * 1000000L;
    if (due.it_value.tv_nsec >= 1000000000L) {
        due.it_value.tv_sec += 1;
        due.it_value.tv_nsec -= 1000000000L;
    }
    timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &due, nullptr);
#else
    Q_UNUSED(ms);
#endif
}
