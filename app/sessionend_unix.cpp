#include "app/sessionend.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalled[2] = {-1, -1};

// Only a write is safe here; the event loop does the rest.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalled[1], &byte, 1);
}
} // namespace

void quitWhenSessionEnds()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalled) != 0)
        return;
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
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal, &action, nullptr);
}
