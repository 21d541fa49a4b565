#include "eventlog.h"

#include "sysio.h"

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace boardsim {

EventLog::~EventLog()
{
    if (m_owned)
        ::close(m_fd);
}

bool EventLog::open(const std::string &path)
{
    if (path.empty())
        return true;
    if (path == "-") {
        m_fd = STDOUT_FILENO;
        return true;
    }
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    m_owned = m_fd >= 0;
    return m_fd >= 0;
}

// One write a line, so lines stay whole even if others append too.
void EventLog::event(double time, std::string_view text)
{
    if (m_fd < 0)
        return;
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%.6f ", time);
    writeAll(m_fd, stamp + std::string(text) + "\n");
}

void EventLog::complain(std::string_view text)
{
    boardsim::complain(text);
}

} // namespace boardsim
