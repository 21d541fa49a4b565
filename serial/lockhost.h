#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// What the system offers to keep programs off each other's serial devices:
// UUCP lock files in a shared folder, processes to ask about, and locks on the
// open device. What these facts mean is CommPort's rule; a host only reports them.
class LockHost {
public:
    enum class Write { Written, Exists, NotAllowed, NameTooLong };
    struct Process {
        bool running = false;
        QString name; // empty when it cannot be told
    };

    virtual ~LockHost() = default;
    // The device a path names, through symbolic links.
    virtual QString realDevice(const QString &device) const = 0;
    // Where lock files live; empty where there is no such folder.
    virtual QString lockDirectory() const = 0;
    // A lock file's bytes; nothing when there is no such file.
    virtual std::optional<QByteArray> read(const QString &file) const = 0;
    // Creates the file with these bytes, never replacing one that is there.
    virtual Write create(const QString &file, const QByteArray &content) = 0;
    virtual bool remove(const QString &file) = 0;
    virtual Process process(qint64 pid) const = 0;
    virtual qint64 self() const = 0;
    // The process holding an exclusive lock on the open device, when it can be found.
    virtual std::optional<qint64> deviceLockHolder(const QString &device) const = 0;
};

// The system's own host: where it has lock-file conventions, else null.
std::unique_ptr<LockHost> makeLockHost();
