#include "serial/lockhost.h"

#include "wire/devicename.h"
#include "serial/ttydevice.h"

#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// UUCP lock files in the folder every Linux serial program shares.
class UnixLockHost : public LockHost {
public:
    QString realDevice(const QString &device) const override
    {
        char real[PATH_MAX];
        if (!::realpath(encodeDeviceName(device).constData(), real))
            return device;
        return decodeDeviceName(QByteArray(real));
    }

    QString lockDirectory() const override
    {
        for (const char *dir : {"/run/lock", "/var/lock"})
            if (QFileInfo(QString::fromLatin1(dir)).isDir())
                return QString::fromLatin1(dir);
        return {};
    }

    std::optional<QByteArray> read(const QString &file) const override
    {
        const int fd = ::open(encodeDeviceName(file).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            return errno == ENOENT || errno == ENAMETOOLONG ? std::nullopt : std::optional(QByteArray());
        char bytes[128];
        const ssize_t n = ::read(fd, bytes, sizeof bytes);
        ::close(fd);
        return QByteArray(bytes, int(qMax<ssize_t>(n, 0)));
    }

    Write create(const QString &file, const QByteArray &content) override
    {
        const QByteArray path = encodeDeviceName(file);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            switch (errno) {
            case EEXIST:
                return Write::Exists;
            case ENAMETOOLONG:
                return Write::NameTooLong;
            default:
                return Write::NotAllowed;
            }
        }
        // Readable by every program whatever the umask.
        ::fchmod(fd, 0644);
        const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
        ::close(fd);
        if (!written) {
            ::unlink(path.constData());
            return Write::NotAllowed;
        }
        return Write::Written;
    }

    bool remove(const QString &file) override { return ::unlink(encodeDeviceName(file).constData()) == 0; }

    Process process(qint64 pid) const override
    {
        // Another user's process may not be signalled, but it is running.
        const bool running = ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
        return {running, running ? processName(pid) : QString()};
    }

    qint64 self() const override { return ::getpid(); }

    std::optional<qint64> deviceLockHolder(const QString &device) const override
    {
        return deviceFlockHolder(encodeDeviceName(device));
    }
};
} // namespace

std::unique_ptr<LockHost> makeLockHost()
{
    return std::make_unique<UnixLockHost>();
}
