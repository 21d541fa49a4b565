#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>

// The two ways serial programs on Linux keep each other off a port: a UUCP
// lock file in the lock folder, and flock() on the open device. Only the
// reading and writing of their texts lives here; the files are the caller's.

// The lock file's name for a device, as minicom names it: "LCK.." and the path
// below /dev with '/' as '_' (LCK..ttyUSB0, LCK..pts_3), or the last part of a
// path outside /dev. The caller resolves symbolic links first, so that every
// name of a device locks the same file. Empty when the name would be longer
// than a file name may be.
QString lockFileName(const QString &device);

// Whom a lock file names.
struct LockOwner {
    qint64 pid = 0; // 0: the file names no process (empty, garbage, 0 or below)
    QString program; // when the file says it
    bool namesProcess() const { return pid > 0; }
};

// Reads the formats in use: HDB text (the PID, right-aligned or not, then
// optionally a name, then a newline), the old 4-byte binary PID, and Qt's
// "pid\nprogram\nhost\n".
LockOwner parseLockFile(QByteArrayView bytes);

// The lock file of process `pid`, named `program`, in the HDB text every neighbour reads.
QByteArray formatLockFile(qint64 pid, const QString &program);

// A file as /proc/locks names it: the device number of its file system
// (st_dev) and its inode.
struct LockedFile {
    quint32 major = 0;
    quint32 minor = 0;
    quint64 inode = 0;
};

// Who holds an exclusive flock() on the file, read from /proc/locks' text:
// nothing when nobody does, else the holder's PID, or 0 when it is not visible
// from here (another PID namespace, or it has ended and passed the descriptor on).
std::optional<qint64> flockHolder(QByteArrayView procLocks, const LockedFile &file);
