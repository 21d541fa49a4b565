#include "eventlog.h"

#include "sysio.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace boardsim {

EventLog::~EventLog()
{
    if (owned_)
        ::close(fd_);
}

bool EventLog::open(const std::string &path)
{
    if (path.empty())
        return true;
    if (path == "-") {
        fd_ = STDOUT_FILENO;
        return true;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    owned_ = fd_ >= 0;
    return fd_ >= 0;
}

// One write a line, so lines stay whole even if others append too.
void EventLog::event(double time, std::string_view text)
{
    if (fd_ < 0)
        return;
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%.6f ", time);
    writeAll(fd_, stamp + std::string(text) + "\n");
}

void EventLog::complain(std::string_view text)
{
    boardsim::complain(text);
}

} // namespace boardsim
