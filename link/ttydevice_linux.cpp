#include "link/ttydevice.h"

#include "link/devicename.h"

#include <QFileInfo>
#include <QLockFile>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>

void askLowLatency(qintptr handle)
{
    serial_struct serial{};
    if (::ioctl(int(handle), TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY))
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(int(handle), TIOCSSERIAL, &serial);
}

bool isPseudoTerminalMaster(qintptr handle)
{
    unsigned int number = 0;
    return ::ioctl(int(handle), TIOCGPTN, &number) == 0;
}

namespace {
// Qt's lock file is LCK.. and the name below /dev, with '/' as '_'.
QString lockName(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    return QStringLiteral("LCK..") + name.replace(u'/', u'_');
}
} // namespace

bool lockNameTooLong(const QString &device)
{
    return lockName(device).toLocal8Bit().size() > NAME_MAX;
}

QString lockFileOf(const QString &device)
{
    for (const char *dir : {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/tmp"}) {
        const QFileInfo info(QString::fromLatin1(dir));
        if (info.isDir() && info.isReadable() && info.isWritable())
            return info.filePath() + u'/' + lockName(device);
    }
    return {};
}

LockHolder describeLock(const QString &lockFile)
{
    QLockFile lock(lockFile);
    qint64 pid = 0;
    QString host, app;
    if (!lock.getLockInfo(&pid, &host, &app))
        return {QStringLiteral("lock file %1").arg(lockFile), false};
    const bool gone = pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
    const QString who = app.isEmpty() ? QStringLiteral("process %1").arg(pid)
                                      : QStringLiteral("%1, process %2").arg(app).arg(pid);
    return {QStringLiteral("%1; lock file %2").arg(who, lockFile), gone};
}

OpenableName::OpenableName(const QString &device) : m_name(device)
{
    const QByteArray bytes = encodeDeviceName(device);
    if (device.toLocal8Bit() == bytes)
        return;
    // A handle that only names the file: opening it through /proc opens the device itself.
    m_handle = ::open(bytes.constData(), O_PATH | O_CLOEXEC);
    if (m_handle >= 0)
        m_name = QStringLiteral("/proc/self/fd/%1").arg(m_handle);
}

OpenableName::~OpenableName()
{
    if (m_handle >= 0)
        ::close(m_handle);
}
