#include "app/sessionend.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_signalled[2] = {-1, -1};

// Only a write is safe here; the event loop does the rest.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalled[1], &byte, 1);
}

bool ignoredAtStart(int signal)
{
    struct sigaction current{};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}
} // namespace

void quitWhenSessionEnds()
{
    if (::pipe(g_signalled) != 0)
        return;
    for (const int fd : g_signalled)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(g_signalled[1], F_SETFL, O_NONBLOCK);
    auto *notifier = new QSocketNotifier(g_signalled[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char bytes[16];
        [[maybe_unused]] const ssize_t n = ::read(g_signalled[0], bytes, sizeof bytes);
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A signal ignored when the program started (nohup, a background job of a
    // script) was meant to pass it by, and stays ignored.
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        if (!ignoredAtStart(signal))
            sigaction(signal, &action, nullptr);
}
