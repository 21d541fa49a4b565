#include "follow/runsocket.h"

#include "serial/ttydevice.h"
#include "wire/devicename.h"
#include "wire/lockfile.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace runsocket {
namespace {
// Little room in the system, so that what a follower has not read waits in the
// panel's own queue, counted and bounded there.
constexpr int kSendBuffer = 16 * 1024;
constexpr int kConnectTries = 20; // 50 ms apart: a panel busy accepting others

QString runtimeFolder()
{
    const QString given = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QFileInfo(given).isAbsolute())
        return given;
    // Started by cron or `su -`, the session's folder is still there, though not named.
    const QString session = QStringLiteral("/run/user/%1").arg(ownUid());
    struct stat st {};
    if (::lstat(encodeDeviceName(session).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        return session;
    return {};
}

QString candidate(const QString &runtime)
{
    return runtime.isEmpty() ? QStringLiteral("/tmp/orvane-%1").arg(ownUid()) : runtime + QStringLiteral("/orvane");
}

// A folder only this user may enter and write, itself no link.
bool isPrivate(const QString &folder)
{
    struct stat st {};
    return ::lstat(encodeDeviceName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode)
           && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

bool fillAddress(const QString &path, sockaddr_un &address)
{
    const QByteArray bytes = encodeDeviceName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (bytes.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

Peer withCredentials(int fd)
{
    ucred cred {};
    socklen_t size = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0) {
        ::close(fd);
        return {};
    }
    return {fd, qint64(cred.uid), qint64(cred.pid)};
}

// A call that must not wait: its count, 0 when it would have waited, -1 when it failed.
template<class Call>
qint64 withoutWaiting(Call call)
{
    for (;;) {
        const ssize_t n = call();
        if (n >= 0)
            return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

QString errorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

qint64 ownUid()
{
    return qint64(::getuid());
}

QString programOf(qint64 pid)
{
    return processName(pid);
}

QStringList folders()
{
    QStringList out;
    for (const QString &folder : {candidate(runtimeFolder()), candidate({})})
        if (!out.contains(folder) && isPrivate(folder))
            out << folder;
    return out;
}

QString offerFolder(QString *why)
{
    // A runtime folder named but missing or unusable leaves the temporary one.
    for (const QString &folder : {candidate(runtimeFolder()), candidate({})}) {
        if (::mkdir(encodeDeviceName(folder).constData(), 0700) != 0 && errno != EEXIST)
            *why = QStringLiteral("cannot make %1: %2").arg(folder, errorText());
        else if (!isPrivate(folder))
            *why = QStringLiteral("%1 is not this user's alone").arg(folder);
        else
            return folder;
    }
    return {};
}

QString socketName(const QString &device)
{
    char real[PATH_MAX];
    const QString canonical = ::realpath(encodeDeviceName(device).constData(), real)
                                  ? decodeDeviceName(QByteArray(real))
                                  : device;
    // Named as the lock file is, so a user can tell whose it is; a long name by its hash.
    const QString lock = lockFileName(canonical);
    if (!lock.isEmpty() && lock.size() <= 48)
        return lock.mid(5) + QStringLiteral(".sock");
    return QString::fromLatin1(
               QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(32))
           + QStringLiteral(".sock");
}

QString portName(int port)
{
    return QStringLiteral("Com%1.sock").arg(port);
}

void linkPort(const QString &folder, int port, const QString &socketName)
{
    const QByteArray link = encodeDeviceName(folder + u'/' + portName(port));
    ::unlink(link.constData());
    // A convenience: where it cannot be made, the device's name still leads there.
    [[maybe_unused]] const int made = ::symlink(encodeDeviceName(socketName).constData(), link.constData());
}

void unlinkPort(const QString &folder, int port, const QString &socketName)
{
    const QByteArray link = encodeDeviceName(folder + u'/' + portName(port));
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.constData(), target, sizeof target);
    if (n > 0 && QByteArray(target, n) == encodeDeviceName(socketName))
        ::unlink(link.constData());
}

int listenAt(const QString &path, quint64 *inode, QString *why)
{
    sockaddr_un address;
    if (!fillAddress(path, address)) {
        *why = QStringLiteral("the name %1 is too long").arg(path);
        return -1;
    }
    // The device is ours, so whatever is named for it here is left from a panel that ended.
    ::unlink(address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(fd, 16) != 0) {
        *why = QStringLiteral("cannot listen at %1: %2").arg(path, errorText());
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    struct stat st {};
    *inode = ::lstat(address.sun_path, &st) == 0 ? quint64(st.st_ino) : 0;
    return fd;
}

Peer accept(int listenFd)
{
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return {};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
    return withCredentials(fd);
}

Peer connectTo(const QString &path)
{
    sockaddr_un address;
    if (!fillAddress(path, address))
        return {};
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    for (int tries = 0; ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0; ++tries) {
        if ((errno != EAGAIN && errno != EINTR) || tries == kConnectTries) {
            ::close(fd);
            return {};
        }
        const timespec pause{0, 50'000'000};
        ::nanosleep(&pause, nullptr);
    }
    return withCredentials(fd);
}

qint64 send(int fd, QByteArrayView bytes)
{
    return withoutWaiting([&] { return ::send(fd, bytes.data(), size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT); });
}

qint64 receive(int fd, char *buffer, qint64 size)
{
    return withoutWaiting([&] {
        const ssize_t n = ::recv(fd, buffer, size_t(size), MSG_DONTWAIT);
        if (n == 0)
            errno = EPIPE; // the other end closed: no more will come
        return n == 0 ? ssize_t(-1) : n;
    });
}

bool waitReadable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    int n;
    while ((n = ::poll(&p, 1, ms)) < 0 && errno == EINTR) {
    }
    return n > 0;
}

void close(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

void remove(const QString &path, quint64 inode)
{
    const QByteArray name = encodeDeviceName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) == 0 && quint64(st.st_ino) == inode)
        ::unlink(name.constData());
}
} // namespace runsocket
