#include "westonprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <unistd.h>

QString WestonProcess::missing()
{
    for (const char *tool : {"weston", "weston-debug", "weston-screenshooter"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/setup installs weston)").arg(QLatin1String(tool));
    return {};
}

WestonProcess::WestonProcess() : m_socket(QStringLiteral("orvane-test-%1").arg(::getpid()))
{
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    m_process.setProcessEnvironment(env);
    // No fades: a window is drawn as it is the moment it is mapped.
    QFile config(m_runtime.filePath(QStringLiteral("weston.ini")));
    if (config.open(QIODevice::WriteOnly))
        config.write("[shell]\nanimation=none\nclose-animation=none\nstartup-animation=none\n");
    config.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    // --debug opens the scene graph and the screenshooter to any client.
    m_process.start(QStringLiteral("weston"),
                    {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--use-pixman"),
                     QStringLiteral("--width=640"), QStringLiteral("--height=560"),
                     QStringLiteral("--config=") + config.fileName(), QStringLiteral("--idle-time=0"), QStringLiteral("--debug"), QStringLiteral("--socket=") + m_socket,
                     QStringLiteral("--logger-scopes=proto"),
                     QStringLiteral("--log=") + m_runtime.filePath(QStringLiteral("weston.log"))});
    m_process.waitForStarted(5000);
    const QString socket = m_runtime.filePath(m_socket);
    QElapsedTimer timer;
    for (timer.start(); !QFileInfo::exists(socket) && isRunning() && timer.elapsed() < 10000;)
        m_process.waitForFinished(20);
}

WestonProcess::~WestonProcess()
{
    kill();
}

QProcessEnvironment WestonProcess::clientEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "QT_QPA_PLATFORM", "QT_WAYLAND_DECORATION"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    return env;
}

QString WestonProcess::runDebugClient(const QString &program, const QStringList &args, const QString &dir)
{
    QProcess client;
    client.setProcessEnvironment(clientEnvironment());
    client.setWorkingDirectory(dir);
    client.start(program, args);
    if (!client.waitForFinished(10000))
        client.kill();
    return QString::fromUtf8(client.readAllStandardOutput());
}

QList<WestonProcess::View> WestonProcess::windows()
{
    // "View 0 (role xdg_toplevel, PID 7, surface ID 7, top-level window 'Orvane' of org.orvane.Orvane, 0x..):"
    // followed by "position: (88, 98) -> (493, 581)".
    static const QRegularExpression view(QStringLiteral(
        R"(View \d+ \(role ([^,]+), PID \d+, surface ID \d+, top-level window '([^']*)' of ([^,]*), [^\n]*\n\s*)"
        R"(position: \((-?\d+), (-?\d+)\) -> \((-?\d+), (-?\d+)\))"));
    QList<View> out;
    const QString graph = runDebugClient(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")}, m_runtime.path());
    for (const QRegularExpressionMatch &m : view.globalMatch(graph)) {
        const QPoint from(m.captured(4).toInt(), m.captured(5).toInt());
        const QPoint to(m.captured(6).toInt(), m.captured(7).toInt());
        out.append({m.captured(1), m.captured(2), m.captured(3), QRect(from, to - QPoint(1, 1))});
    }
    return out;
}

QString WestonProcess::protocolLog() const
{
    QFile log(m_runtime.filePath(QStringLiteral("weston.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

bool WestonProcess::screenshot(const QString &path)
{
    QTemporaryDir shots;
    runDebugClient(QStringLiteral("weston-screenshooter"), {}, shots.path());
    const QStringList taken = QDir(shots.path()).entryList({QStringLiteral("*.png")});
    QFile::remove(path);
    return taken.size() == 1 && QFile::copy(QDir(shots.path()).filePath(taken.first()), path);
}

void WestonProcess::kill()
{
    if (!isRunning())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished();
}
