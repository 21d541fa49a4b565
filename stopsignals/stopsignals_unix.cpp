#include "stopsignals/stopsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalled[2] = {-1, -1};

// Only a write is safe here; the event loop does the rest.
void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalled[1], &byte, 1);
    errno = saved;
}

bool ignored(int signal)
{
    struct sigaction current{};
    return ::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}
} // namespace

void whenToldToStop(QObject *context, std::function<void()> stop)
{
    // Not SOCK_CLOEXEC: macOS lacks it. A child started meanwhile may inherit
    // the pair for a moment; it never writes to it.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalled) != 0)
        return;
    for (const int fd : g_signalled)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    // A flood of signals must not block the handler; one byte waiting is enough.
    ::fcntl(g_signalled[1], F_SETFL, O_NONBLOCK);
    auto *notifier = new QSocketNotifier(g_signalled[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [stop = std::move(stop)] {
        char bytes[16];
        [[maybe_unused]] const ssize_t n = ::read(g_signalled[0], bytes, sizeof bytes);
        stop();
    });
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        if (!ignored(signal))
            ::sigaction(signal, &action, nullptr);
    }
}
