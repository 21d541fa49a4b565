#include "serial/systemport.h"

#include "wire/devicename.h"
#include "serial/lockhost.h"
#include "serial/posixline.h"
#include "serial/terminalhost.h"
#include "serial/ttydevice.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace posixline;

struct SystemCommPort::Device {
    int fd = -1;
    std::unique_ptr<QSocketNotifier> reader;
    termios saved{};
    bool latencyAsked = false;
    int wakeAt = kReceiveThreshold;
    QTimer quiet; // while it runs, the line is not watched
    // While the reader's event is told: a short read just took all the driver had.
    bool drained = false;
    QByteArray input;
    QByteArray output; // written, not yet taken by the driver
    std::unique_ptr<LockHost> locks = makeLockHost();
    std::unique_ptr<TerminalHost> terminals = makeTerminalHost();

    // Watches the line, unless a reply is still crossing it or the reader has no room.
    void listen()
    {
        if (reader)
            reader->setEnabled(!quiet.isActive() && input.size() < kInBufferSize);
    }

    // Hands what is held to the driver: 0 when all went, else why not (EAGAIN: no room).
    int pump()
    {
        while (!output.isEmpty()) {
            const ssize_t n = ::write(fd, output.constData(), size_t(output.size()));
            if (n > 0)
                output.remove(0, n);
            else if (n == 0)
                return EAGAIN;
            else if (errno != EINTR)
                return errno;
        }
        return 0;
    }
};

SystemCommPort::SystemCommPort(PortSource source, QObject *parent)
    : CommPort(parent), m_source(std::move(source)), d(std::make_unique<Device>())
{
    d->quiet.setSingleShot(true);
    d->quiet.setTimerType(Qt::PreciseTimer);
    connect(&d->quiet, &QTimer::timeout, this, [this] { d->listen(); });
}

SystemCommPort::~SystemCommPort()
{
    close();
}

LockHost *SystemCommPort::lockHost() const
{
    return d->locks.get();
}

TerminalHost *SystemCommPort::terminalHost() const
{
    return d->terminals.get();
}

bool SystemCommPort::rawOpen(const QString &device, const CommSettings &settings)
{
    const int fd = ::open(encodeDeviceName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        deviceError({openFailure(error), systemText(error)});
        return false;
    }
    const auto refuse = [&](Failure kind, const QString &text) {
        ::close(fd);
        deviceError({kind, text});
        return false;
    };
    if (isPseudoTerminalMaster(fd))
        return refuse(Failure::NotSerial, QStringLiteral("the master side of a pseudo-terminal"));
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return refuse(Failure::NotSerial, systemText(errno));
    // Held by the descriptor, so it goes with it, even when the program is killed.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        return refuse(error == EWOULDBLOCK ? Failure::Locked : Failure::Other, systemText(error));
    }
    ::ioctl(fd, TIOCEXCL);
    d->saved = tio;
    d->wakeAt = kReceiveThreshold;
    if (!lineSettings(tio, settings, d->wakeAt) || ::tcsetattr(fd, TCSANOW, &tio) != 0)
        return refuse(Failure::Other, QStringLiteral("the device refused the line settings"));
    d->latencyAsked = askLowLatency(fd);
    // Whatever the board said before the port was opened would spoil the first reading.
    ::tcflush(fd, TCIFLUSH);
    d->fd = fd;
    d->input.clear();
    d->output.clear();
    d->reader = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(d->reader.get(), &QSocketNotifier::activated, this, [this] {
        const qint64 room = kInBufferSize - d->input.size();
        if (room <= 0) {
            // Full: the rest waits in the driver until the reader makes room.
            d->reader->setEnabled(false);
            return;
        }
        char bytes[kInBufferSize];
        const ssize_t n = ::read(d->fd, bytes, size_t(room));
        if (n > 0) {
            d->input.append(bytes, n);
            // Asking the driver again within this event would only cost system calls;
            // what comes meanwhile raises an event of its own.
            d->drained = n < room;
            const QPointer<SystemCommPort> alive(this);
            arrived();
            if (alive)
                d->drained = false;
        } else if (n == 0) {
            // The far end hung up.
            deviceError({Failure::Lost, QStringLiteral("end of file")});
        } else if (errno != EAGAIN && errno != EINTR) {
            const int error = errno;
            deviceError({lineFailure(error), systemText(error)});
        }
    });
    return true;
}

bool SystemCommPort::rawApply(const CommSettings &settings)
{
    termios tio{};
    return ::tcgetattr(d->fd, &tio) == 0 && lineSettings(tio, settings, d->wakeAt)
           && ::tcsetattr(d->fd, TCSANOW, &tio) == 0;
}

void SystemCommPort::rawListenAfter(int ms)
{
    d->quiet.start(ms);
    d->listen();
}

bool SystemCommPort::rawListenNow()
{
    if (!d->quiet.isActive())
        return false;
    d->quiet.stop();
    d->listen();
    return true;
}

void SystemCommPort::rawSetWakeThreshold(int count)
{
    termios tio{};
    d->wakeAt = count;
    if (::tcgetattr(d->fd, &tio) != 0)
        return;
    tio.c_cc[VMIN] = cc_t(count);
    ::tcsetattr(d->fd, TCSANOW, &tio);
}

void SystemCommPort::rawClose()
{
    d->drained = false;
    d->quiet.stop();
    d->reader.reset();
    // Commands still queued would hold up the close for as long as the driver waits for them.
    ::tcflush(d->fd, TCIOFLUSH);
    if (d->latencyAsked)
        restoreLatency(d->fd);
    ::ioctl(d->fd, TIOCNXCL);
    ::tcsetattr(d->fd, TCSANOW, &d->saved);
    ::close(d->fd);
    d->fd = -1;
    d->input.clear();
    d->output.clear();
}

bool SystemCommPort::rawIsOpen() const
{
    return d->fd >= 0;
}

void SystemCommPort::rawWrite(QByteArrayView text)
{
    d->output += text.toByteArray();
    // A full driver may take the bytes a moment later; the flush tells. Beyond
    // the transmit buffer nothing is held.
    const int error = d->pump();
    if (error != 0 && (error != EAGAIN || d->output.size() > kOutBufferSize))
        deviceError({lineFailure(error), systemText(error)});
}

void SystemCommPort::rawHold(QByteArrayView text)
{
    // Every write to a terminal wakes the program at its far end: a command's
    // pieces go to the driver together, at the flush.
    if (d->output.size() + text.size() > kOutBufferSize)
        rawWrite(text);
    else
        d->output += text.toByteArray();
}

void SystemCommPort::rawFlush()
{
    if (const int error = d->pump())
        deviceError({lineFailure(error), systemText(error)});
}

qint64 SystemCommPort::rawPending() const
{
    return d->output.size();
}

qint64 SystemCommPort::rawUnsent() const
{
    int queued = 0;
    if (::ioctl(d->fd, TIOCOUTQ, &queued) != 0)
        queued = 0;
    return d->output.size() + queued;
}

// Counted with what the driver holds, as far as the receive buffer goes: the
// driver wakes the reader only once enough for a reply is in.
qint64 SystemCommPort::rawWaiting() const
{
    int queued = 0;
    if (!d->drained && ::ioctl(d->fd, FIONREAD, &queued) != 0)
        queued = 0;
    return qMin<qint64>(kInBufferSize, d->input.size() + queued);
}

QByteArray SystemCommPort::rawTakeAll()
{
    for (qint64 room = d->drained ? 0 : kInBufferSize - d->input.size(); room > 0;) {
        char bytes[kInBufferSize];
        const ssize_t n = ::read(d->fd, bytes, size_t(room));
        if (n <= 0)
            break;
        d->input.append(bytes, n);
        // A short read took all there was; asking again would only say EAGAIN.
        if (n < room)
            break;
        room -= n;
    }
    QByteArray bytes = std::exchange(d->input, QByteArray());
    d->listen();
    return bytes;
}
