#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// What a serial device needs from the platform, beyond POSIX.

// Asks the driver behind an open serial device to pass received bytes on at
// once: a USB adapter otherwise holds them up to its latency timer (16 ms by
// default for FTDI), long enough for a reply to arrive after the next command.
// True when the setting was changed, so that it can be put back. A driver that
// will not (a pseudo-terminal, an old kernel) is left as it is.
bool askLowLatency(int fd);
// Puts back what askLowLatency changed: the driver keeps it across closes.
void restoreLatency(int fd);

// The master side of a pseudo-terminal opens like a terminal, but no board
// can ever be behind it.
bool isPseudoTerminalMaster(int fd);

// A running process's name ("minicom"); empty when it cannot be told.
QString processName(qint64 pid);

// The process holding an exclusive lock (flock) on a device node, from the
// system's table of locks; nothing when none is found.
std::optional<qint64> deviceFlockHolder(const QByteArray &devicePath);
