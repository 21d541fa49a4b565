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
    closeFd(watch_);
    closeFd(keeper_);
    closeFd(master_);
}

bool PtyLine::open(std::string &error)
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 || !setNonBlocking(master_)) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char *name = ptsname(master_);
    if (!name) {
        error = "ptsname failed";
        return false;
    }
    path_ = name;

    // Raw mode lives on the slave side and stays while the keeper is open.
    keeper_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (keeper_ < 0 || tcgetattr(keeper_, &tio) != 0) {
        error = "cannot configure " + path_ + ": " + std::strerror(errno);
        return false;
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    tcsetattr(keeper_, TCSANOW, &tio);

    // Watched only after our own open, so every open and close it reports is someone else's.
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ < 0 || inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        error = "cannot watch " + path_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::vector<PtyLine::Change> PtyLine::changes()
{
    std::vector<Change> out;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(watch_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return out;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if ((event->mask & IN_OPEN) && ++users_ == 1)
                out.push_back(Change::Opened);
            if ((event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) && users_ > 0 && --users_ == 0)
                out.push_back(Change::Closed);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void PtyLine::release()
{
    tcflush(keeper_, TCIFLUSH);
    ioctl(keeper_, TIOCNXCL);
}

void PtyLine::fill()
{
    static const char zeros[4096] = {};
    for (const std::size_t chunk : {sizeof zeros, std::size_t{64}, std::size_t{1}}) {
        while (::write(keeper_, zeros, chunk) > 0) {
        }
    }
}

void PtyLine::hangUp()
{
    closeFd(master_);
}

} // namespace boardsim
