#include "serial/commport.h"

#include "wire/lockfile.h"
#include "serial/lockhost.h"

namespace {
QString holder(const QString &program, qint64 pid)
{
    return program.isEmpty() ? QStringLiteral("process %1").arg(pid)
                             : QStringLiteral("%1, process %2").arg(program).arg(pid);
}
} // namespace

void CommPort::takeLockFile()
{
    LockHost *host = lockHost();
    const QString dir = host ? host->lockDirectory() : QString();
    if (dir.isEmpty())
        return;
    // Two paths to one adapter are one device: it is locked under its own name.
    const QString name = lockFileName(host->realDevice(m_device));
    if (name.isEmpty())
        failNameTooLong();
    const QString ours = dir + u'/' + name;
    // Programs that do not follow symbolic links lock, and look for, the name they were given.
    const QString givenName = lockFileName(m_device);
    const QString given = givenName.isEmpty() || dir + u'/' + givenName == ours ? QString() : dir + u'/' + givenName;
    clearLockFile(ours);
    if (!given.isEmpty())
        clearLockFile(given);
    if (!writeLockFile(ours) || given.isEmpty())
        return;
    try {
        writeLockFile(given);
    } catch (const CommError &) {
        releaseLockFile();
        throw;
    }
}

bool CommPort::writeLockFile(const QString &file)
{
    LockHost &host = *lockHost();
    const QByteArray content = formatLockFile(host.self(), host.process(host.self()).name);
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (host.create(file, content)) {
        case LockHost::Write::Written:
            m_lockFiles << file;
            return true;
        case LockHost::Write::Exists:
            // Another program took it just now.
            clearLockFile(file);
            break;
        case LockHost::Write::NotAllowed:
            // The lock on the open device alone keeps the others off.
            return false;
        case LockHost::Write::NameTooLong:
            failNameTooLong();
        }
    }
    return false;
}

void CommPort::failNameTooLong()
{
    fail(Failure::Other, QString::fromLatin1(kOpening),
         QStringLiteral("its path is too long for the lock file that keeps other programs off it "
                        "(File name too long)"));
}

// Returns when the file holds the device for nobody (any more); else fails naming who has it.
void CommPort::clearLockFile(const QString &file)
{
    LockHost &host = *lockHost();
    const std::optional<QByteArray> content = host.read(file);
    if (!content)
        return;
    const LockOwner owner = parseLockFile(*content);
    if (!owner.namesProcess())
        fail(Failure::Locked, QString::fromLatin1(kOpening),
             QStringLiteral("a lock file keeps the device for another program but does not say which "
                            "(lock file %1; remove it if no program is using the device)")
                 .arg(file));
    const LockHost::Process process = host.process(owner.pid);
    const QString who = QStringLiteral("%1; lock file %2")
                            .arg(holder(owner.program.isEmpty() ? process.name : owner.program, owner.pid), file);
    if (process.running || owner.pid == host.self())
        fail(Failure::Locked, QString::fromLatin1(kOpening),
             QStringLiteral("the device is in use by another program (%1)").arg(who));
    // The program has ended: its lock is stale.
    if (host.remove(file))
        return;
    fail(Failure::NotPermitted, QString::fromLatin1(kOpening),
         QStringLiteral("a program that has ended left its lock file behind, and it is not yours to remove (%1)")
             .arg(who));
}

void CommPort::releaseLockFile()
{
    const QStringList files = std::exchange(m_lockFiles, {});
    LockHost *host = lockHost();
    if (!host)
        return;
    // Only while it is still ours.
    for (const QString &file : files) {
        const std::optional<QByteArray> content = host->read(file);
        if (content && parseLockFile(*content).pid == host->self())
            host->remove(file);
    }
}

QString CommPort::lockHolder() const
{
    LockHost *host = lockHost();
    const std::optional<qint64> pid = host ? host->deviceLockHolder(host->realDevice(m_device)) : std::nullopt;
    // The lock table names the process that took the lock, which may have handed it on and ended.
    const LockHost::Process process = pid && *pid > 0 ? host->process(*pid) : LockHost::Process{};
    if (!process.running)
        return QStringLiteral("it holds a lock on the device");
    return holder(process.name, *pid);
}
