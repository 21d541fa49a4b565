#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// UUCP lock files, as serial programs on Unix share them.
namespace lockfile {

// "LCK..ttyUSB0" for /dev/ttyUSB0.
QString nameFor(const QString &device);

struct Owner {
    qint64 pid = 0;
    QString program; // empty when the file does not say
};
// Who a lock file names; nothing when it names no process.
std::optional<Owner> parse(const QByteArray &content);
// The lock file of process `pid`, named `program`, in the format other programs read.
QByteArray format(qint64 pid, const QString &program);

// The process holding an exclusive flock on the file (device major:minor, inode)
// in the text of the system's lock table (/proc/locks).
std::optional<qint64> flockHolder(const QByteArray &table, quint32 major, quint32 minor, quint64 inode);

} // namespace lockfile
