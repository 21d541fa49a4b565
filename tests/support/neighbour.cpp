#include "neighbour.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// The Debian interpreter, which has pyserial; another python3 may come first on PATH.
constexpr char kPython[] = "/usr/bin/python3";
constexpr char kFlockHolder[] = R"(import serial, sys, time
try:
    port = serial.Serial(sys.argv[1], 9600, exclusive=True)
except Exception as e:
    print(e, flush=True)
    sys.exit(1)
print("held", flush=True)
while True:
    time.sleep(60)
)";

void setCloseOnExec(int fd)
{
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
}
} // namespace

Neighbour::Neighbour(Kind kind, const QString &device, const QString &holder)
    : m_kind(kind), m_device(device), m_realDevice(QFileInfo(device).canonicalFilePath())
{
    int slave = -1;
    const winsize size{24, 80, 0, 0};
    if (::openpty(&m_master, &slave, nullptr, nullptr, &size) != 0)
        return;
    setCloseOnExec(m_master);
    setCloseOnExec(slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { drain(); });

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TERM"), QStringLiteral("vt100"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    // No settings of the user's own: minicom reads ~/.minirc.dfl and $MINICOM.
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.remove(QStringLiteral("MINICOM"));
    m_process.setProcessEnvironment(env);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.setChildProcessModifier([slave] {
        ::setsid();
        ::ioctl(slave, TIOCSCTTY, 0);
        for (int fd = 0; fd <= 2; ++fd)
            ::dup2(slave, fd);
    });
    switch (kind) {
    case Kind::Minicom:
        m_process.start(QStringLiteral("minicom"), {QStringLiteral("-D"), device, QStringLiteral("-b"),
                                                    QStringLiteral("9600"), QStringLiteral("-c"), QStringLiteral("off")});
        break;
    case Kind::Picocom:
        m_process.start(QStringLiteral("picocom"), {QStringLiteral("-b"), QStringLiteral("9600"),
                                                    QStringLiteral("--noreset"), device});
        break;
    case Kind::Python:
        m_process.start(QString::fromLatin1(kPython), {QStringLiteral("-c"), QString::fromLatin1(kFlockHolder), device});
        break;
    case Kind::Orvane:
        m_process.start(holder, {QStringLiteral("--hold"), device});
        break;
    }
    m_process.waitForStarted();
    ::close(slave);
}

Neighbour::~Neighbour()
{
    if (m_process.state() != QProcess::NotRunning && !quit(2000))
        kill();
    m_notifier.reset();
    if (m_master >= 0)
        ::close(m_master);
}

QString Neighbour::program() const
{
    switch (m_kind) {
    case Kind::Minicom: return QStringLiteral("minicom");
    case Kind::Picocom: return QStringLiteral("picocom");
    case Kind::Python: return QStringLiteral("python3");
    // The test itself holds the port, and its lock names it as the system does.
    case Kind::Orvane: return QFileInfo(m_process.program()).fileName().left(15);
    }
    return {};
}

void Neighbour::drain()
{
    char buf[4096];
    ssize_t n = 0;
    while ((n = ::read(m_master, buf, sizeof buf)) > 0)
        m_screen.append(buf, n);
    // EIO: everyone on the terminal's side has gone.
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
        m_notifier->setEnabled(false);
}

QByteArray Neighbour::screen()
{
    drain();
    return m_screen;
}

bool Neighbour::saysItHolds() const
{
    switch (m_kind) {
    case Kind::Minicom: return m_screen.contains("Welcome to minicom");
    case Kind::Picocom: return m_screen.contains("Terminal ready");
    default: return m_screen.contains("held");
    }
}

bool Neighbour::saysItRefused() const
{
    const QByteArray device = m_device.toLocal8Bit();
    // A lock of its own kind found, or, for a user other than root, the holder's TIOCEXCL.
    const QByteArray busy = ": Device or resource busy";
    switch (m_kind) {
    case Kind::Minicom:
        return m_screen.contains("Device " + device + " is locked.")
               || m_screen.contains("minicom: cannot open " + device + busy);
    case Kind::Picocom:
        return m_screen.contains("FATAL: cannot lock " + device + ": ")
               || m_screen.contains("FATAL: cannot open " + device + busy);
    case Kind::Python:
        return m_screen.contains("Could not exclusively lock port " + device + ": ")
               || m_screen.contains("could not open port " + device + ": [Errno 16]");
    case Kind::Orvane:
        return m_screen.contains(": cannot open: the device is in use by another program (");
    }
    return false;
}

Neighbour::Verdict Neighbour::verdict()
{
    drain();
    if (m_process.state() == QProcess::NotRunning)
        return saysItRefused() ? Verdict::Refused : Verdict::Ended;
    return saysItHolds() && hasOpen(pid(), m_realDevice) ? Verdict::Holds : Verdict::Waiting;
}

Neighbour::Verdict Neighbour::waitForVerdict(int ms)
{
    QDeadlineTimer deadline(ms);
    Verdict v = verdict();
    for (; v == Verdict::Waiting && !deadline.hasExpired(); v = verdict())
        QTest::qWait(20);
    return v;
}

bool Neighbour::quit(int ms)
{
    const auto type = [this](const char *keys) { ::write(m_master, keys, qstrlen(keys)); };
    if (m_kind == Kind::Minicom) {
        type("\x01x");
        QTest::qWait(300); // the "Leave Minicom?" box, Yes already chosen
        type("\r");
    } else if (m_kind == Kind::Picocom) {
        type("\x01\x18");
    } else if (m_kind == Kind::Orvane) {
        type("q\n");
    } else {
        m_process.terminate();
    }
    QDeadlineTimer deadline(ms);
    while (m_process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(20);
    return m_process.state() == QProcess::NotRunning;
}

void Neighbour::kill()
{
    m_process.kill();
    m_process.waitForFinished();
}

bool Neighbour::hasOpen(qint64 pid, const QString &device)
{
    const QString real = QFileInfo(device).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System))
        if (fd.symLinkTarget() == real)
            return true;
    return false;
}
