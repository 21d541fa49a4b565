#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// What the system tells about the terminals it uses itself: the kernel's
// consoles and the controlling terminals of its sessions. What these facts
// mean is CommPort's rule; a host only reports them.
class TerminalHost {
public:
    virtual ~TerminalHost() = default;
    // The texts of /proc/consoles and /sys/class/tty/console/active; empty where missing.
    virtual QByteArray consoleList() const = 0;
    virtual QByteArray activeConsoles() const = 0;
    // The virtual terminal tty0 stands for now ("tty1"); empty where there is none.
    virtual QString foregroundTerminal() const = 0;
    // Whether a running process has the device (links followed) as its controlling terminal.
    virtual bool controlsSession(const QString &device) const = 0;
};

// The system's own host: where it tells these facts, else null.
std::unique_ptr<TerminalHost> makeTerminalHost();
