#pragma once

#include "faultpolicy.h"

#include <string>

namespace boardsim {

// "--log FILE": one line an event, "<seconds, 6 decimals> <event>".
class EventLog : public Sink
{
public:
    EventLog() = default;
    EventLog(const EventLog &) = delete;
    EventLog &operator=(const EventLog &) = delete;
    ~EventLog();

    // An empty path logs nothing, "-" logs to stdout.
    bool open(const std::string &path);

    void event(double time, std::string_view text) override;
    void complain(std::string_view text) override;

private:
    int m_fd = -1;
    bool m_owned = false;
};

} // namespace boardsim
