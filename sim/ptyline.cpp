#include "ptyline.h"

#include "sysio.h"

#include <cerrno>
#include <cstring>
#include <initializer_list>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace boardsim {

namespace {
void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
} // namespace

PtyLine::~PtyLine()
{
    closeFd(m_watch);
    closeFd(m_keeper);
    closeFd(m_master);
}

bool PtyLine::open(std::string &error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 || !setNonBlocking(m_master)) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char *name = ptsname(m_master);
    if (!name) {
        error = "ptsname failed";
        return false;
    }
    m_path = name;

    // Raw mode lives on the slave side and stays while the keeper is open.
    m_keeper = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (m_keeper < 0 || tcgetattr(m_keeper, &tio) != 0) {
        error = "cannot configure " + m_path + ": " + std::strerror(errno);
        return false;
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    tcsetattr(m_keeper, TCSANOW, &tio);

    // Watched only after our own open, so every open and close it reports is someone else's.
    m_watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_watch < 0 || inotify_add_watch(m_watch, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        error = "cannot watch " + m_path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::vector<PtyLine::Change> PtyLine::changes()
{
    std::vector<Change> out;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_watch, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return out;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if ((event->mask & IN_OPEN) && ++m_users == 1)
                out.push_back(Change::Opened);
            if ((event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) && m_users > 0 && --m_users == 0)
                out.push_back(Change::Closed);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void PtyLine::release()
{
    tcflush(m_keeper, TCIFLUSH);
    ioctl(m_keeper, TIOCNXCL);
}

void PtyLine::fill()
{
    static const char zeros[4096] = {};
    for (const std::size_t chunk : {sizeof zeros, std::size_t{64}, std::size_t{1}}) {
        while (::write(m_keeper, zeros, chunk) > 0) {
        }
    }
}

void PtyLine::hangUp()
{
    closeFd(m_master);
}

} // namespace boardsim
