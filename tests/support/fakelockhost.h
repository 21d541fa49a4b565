#pragma once

#include "serial/lockhost.h"

#include <QMap>
#include <QSet>

// The system's lock conventions, pretended: lock files in a map, processes by number.
class FakeLockHost : public LockHost {
public:
    QString directory = QStringLiteral("/run/lock");
    QMap<QString, QString> links;        // a path and the device it leads to
    QMap<QString, QByteArray> files;     // lock files and their bytes
    QSet<QString> othersFiles;           // files this user may not remove
    QMap<qint64, QString> running;       // running processes and their names
    qint64 pid = 4000;                   // this program's
    bool writable = true;                // may this user create files in the folder
    std::optional<qint64> deviceHolder;  // who holds a lock on the open device

    QString realDevice(const QString &device) const override { return links.value(device, device); }
    QString lockDirectory() const override { return directory; }
    std::optional<QByteArray> read(const QString &file) const override
    {
        return files.contains(file) ? std::optional(files.value(file)) : std::nullopt;
    }
    Write create(const QString &file, const QByteArray &content) override
    {
        if (files.contains(file))
            return Write::Exists;
        if (!writable)
            return Write::NotAllowed;
        files.insert(file, content);
        return Write::Written;
    }
    bool remove(const QString &file) override
    {
        return !othersFiles.contains(file) && files.remove(file) > 0;
    }
    Process process(qint64 p) const override
    {
        return {running.contains(p) || p == pid, running.value(p)};
    }
    qint64 self() const override { return pid; }
    std::optional<qint64> deviceLockHolder(const QString &) const override { return deviceHolder; }
};
