#include "simprocess.h"

#include "eventlog.h"
#include "procstats.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>


QString &SimProcess::program()
{
    static QString path = QStringLiteral(BOARDSIM_PATH);
    return path;
}

QStringList SimProcess::fixedValues()
{
    QStringList args;
    for (int c = 0; c < 18; ++c)
        args << QStringLiteral("--value") << QStringLiteral("%1=%2").arg(c).arg(fixedValue(c));
    return args;
}

QString SimProcess::linkIn(const QTemporaryDir &dir, const QString &stem)
{
    return dir.filePath(stem + u'-' + QFileInfo(dir.path()).fileName());
}

SimProcess::SimProcess(QStringList args, const QString &log)
    : m_logPath(log.isEmpty() ? m_dir.filePath(QStringLiteral("sim.log")) : log)
{
    m_process.start(program(), args << QStringLiteral("--log") << m_logPath);
    QElapsedTimer timer;
    timer.start();
    while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning && timer.elapsed() < 5000)
        m_process.waitForReadyRead(50);
    m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
}

SimProcess::~SimProcess()
{
    m_process.kill();
    m_process.waitForFinished();
}

QStringList SimProcess::log()
{
    if (m_logPath == u"-") {
        m_stdoutLog += m_process.readAllStandardOutput();
        return QString::fromLatin1(m_stdoutLog).split(u'\n', Qt::SkipEmptyParts);
    }
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QList<SimProcess::Event> SimProcess::events()
{
    QList<Event> out;
    for (const LogLine &line : parseEventLog(log().join(u'\n').toLatin1()))
        out.append({line.t, QString::fromLatin1(line.words.join(' '))});
    return out;
}

QStringList SimProcess::texts()
{
    QStringList out;
    for (const Event &e : events())
        out << e.what;
    return out;
}

QList<SimProcess::Event> SimProcess::received()
{
    QList<Event> out;
    for (const Event &e : events())
        if (e.what.startsWith(QLatin1String("rx ")))
            out.append({e.t, e.what.mid(3)});
    return out;
}

int SimProcess::count(const QString &prefix)
{
    int n = 0;
    for (const Event &e : events())
        n += e.what.startsWith(prefix);
    return n;
}

QList<double> SimProcess::timesOf(const QString &event)
{
    QList<double> out;
    for (const Event &e : events())
        if (e.what == event)
            out << e.t;
    return out;
}

bool SimProcess::waitForEvent(const QString &event, int count)
{
    QElapsedTimer timer;
    for (timer.start(); texts().count(event) < count; QTest::qWait(10)) {
        if (timer.elapsed() > 5000)
            return false;
    }
    return true;
}

int SimProcess::stop(int signal)
{
    ::kill(pid_t(m_process.processId()), signal);
    const bool exited = m_process.waitForFinished(5000) && m_process.exitStatus() == QProcess::NormalExit;
    return exited ? m_process.exitCode() : -1;
}

long SimProcess::cpuMs()
{
    return isRunning() ? long(cpuSeconds(m_process.processId()) * 1000) : -1;
}

double SimProcess::residentMb()
{
    return ::residentMb(m_process.processId());
}
