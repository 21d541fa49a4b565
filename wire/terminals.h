#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// What the kernel tells about the terminals it and its login sessions use.

// A device's name as the kernel names its terminals: "/dev/ttyS0" is "ttyS0",
// "/dev/pts/3" is "pts/3"; empty for a path outside /dev.
QString terminalName(const QString &realDevice);

// The terminals the kernel writes its messages to, by name: the enabled ones
// of /proc/consoles and those of /sys/class/tty/console/active. "tty0" is the
// virtual terminal in front, `foreground` (from /sys/class/tty/tty0/active),
// and "console" is always one.
QStringList consoleTerminals(QByteArrayView procConsoles, QByteArrayView activeConsoles, const QString &foreground);

// A character device's number, as stat() and /proc give it.
struct TerminalNumber {
    quint32 major = 0;
    quint32 minor = 0;
    bool operator==(const TerminalNumber &) const = default;
};

// The controlling terminal of a process, from the text of its /proc/PID/stat;
// nothing when it has none.
std::optional<TerminalNumber> controllingTerminal(QByteArrayView procStat);
