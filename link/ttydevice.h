#pragma once

#include <QString>
#include <QtGlobal>

// What a serial device needs from the platform, beyond what Qt does.

// Asks the driver behind an open serial device to pass received bytes on at
// once: a USB adapter otherwise holds them up to its latency timer (16 ms by
// default for FTDI), long enough for a reply to arrive after the next command.
// A driver that will not (a pseudo-terminal, an old kernel) is left as it is.
void askLowLatency(qintptr handle);

// The master side of a pseudo-terminal opens like a terminal, but no board
// can ever be behind it.
bool isPseudoTerminalMaster(qintptr handle);

// Qt locks a device with a file named after it; a long path makes that name
// longer than the file system allows.
bool lockNameTooLong(const QString &device);

// The lock file Qt uses for a device, in the first lock folder this user may write.
QString lockFileOf(const QString &device);

// Who holds a lock file, for a message: "minicom, process 1234; lock file /run/lock/LCK..ttyUSB0".
// `gone` tells that the process has ended and left the file behind.
struct LockHolder {
    QString text;
    bool gone = false;
};
LockHolder describeLock(const QString &lockFile);

// A name QSerialPort can open for the device, for as long as this lives: the
// device's own name, or, where Qt could not spell its bytes, a path to an
// opened handle of it.
class OpenableName {
public:
    explicit OpenableName(const QString &device);
    ~OpenableName();
    OpenableName(const OpenableName &) = delete;
    OpenableName &operator=(const OpenableName &) = delete;
    QString name() const { return m_name; }

private:
    QString m_name;
    int m_handle = -1;
};
