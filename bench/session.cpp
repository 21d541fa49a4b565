#include "bench/session.h"

#include "clock.h"
#include "eventlog.h"
#include "bench/process.h"

#include <QFile>

#include <cmath>
#include <cstdio>
#include <optional>

namespace {

std::optional<double> waitForShown(const QString &trace, double timeout = 20)
{
    const double end = monotonicSeconds() + timeout;
    while (monotonicSeconds() < end) {
        for (const LogLine &l : readEventLog(trace))
            if (l.word(0) == "shown")
                return l.t;
        sleepSeconds(0.005);
    }
    return std::nullopt;
}

QString findPanelWindow()
{
    QProcess search;
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"),
                                             QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                             QStringLiteral("^Orvane$")});
    search.waitForFinished(10000);
    return QString::fromLatin1(search.readAllStandardOutput()).split(QLatin1Char('\n')).value(0);
}

} // namespace

double timeStartup(const QString &program, QProcessEnvironment env, const QString &trace,
                   QProcess &process)
{
    QFile::remove(trace);
    env.insert(QStringLiteral("ORVANE_TRACE"), trace);
    process.setProcessEnvironment(env);
    const double started = monotonicSeconds();
    process.start(program, {});
    const std::optional<double> shown = waitForShown(trace);
    return shown ? (*shown - started) * 1e3 : std::nan("");
}

bool startSimulator(QProcess &sim, const Bench &bench, const QString &link, const QString &log,
                    const QStringList &simArgs)
{
    QFile::remove(log);
    sim.start(bench.sim, QStringList{QStringLiteral("--link"), link, QStringLiteral("--log"), log} + simArgs);
    // The simulator's first line is its device; a refused option ends it at once.
    while (!sim.canReadLine() && sim.waitForReadyRead(5000)) {
    }
    if (sim.canReadLine())
        return true;
    std::fprintf(stderr, "orvane-bench: the simulator did not start with %s: %s\n",
                 qPrintable(simArgs.join(QLatin1Char(' '))), sim.readAllStandardError().trimmed().constData());
    return false;
}

Window measureProcess(qint64 pid, double seconds, qint64 floor)
{
    Window w;
    const double cpu0 = cpuSeconds(pid);
    const double floor0 = floor ? cpuSeconds(floor) : 0;
    w.from = monotonicSeconds();
    sleepSeconds(seconds);
    w.to = monotonicSeconds();
    w.cpuPct = (cpuSeconds(pid) - cpu0) / (w.to - w.from) * 100;
    w.floorPct = floor ? (cpuSeconds(floor) - floor0) / (w.to - w.from) * 100 : std::nan("");
    return w;
}

Floor::Floor(const Bench &bench, const QString &name, const QStringList &simArgs)
{
    const QString link = bench.file(name + QStringLiteral(".floor.board"));
    if (startSimulator(m_sim, bench, link, bench.file(name + QStringLiteral(".floor.sim.log")), simArgs))
        m_floor.start(bench.floor, {link, bench.file(name + QStringLiteral(".floor.csv"))});
}

Floor::~Floor()
{
    stopProcess(m_floor);
    stopProcess(m_sim);
}

Session::Session(const Bench &bench, const QString &name, const QStringList &simArgs, Probes probes)
    : m_floor(bench, name, simArgs), m_simLog(bench.file(name + QStringLiteral(".sim.log"))),
      m_trace(bench.file(name + QStringLiteral(".trace"))), m_link(bench.file(name + QStringLiteral(".board")))
{
    if (!startSimulator(m_sim, bench, m_link, m_simLog, simArgs))
        return;
    QProcessEnvironment env = bench.env;
    env.insert(QStringLiteral("ORVANE_COM1"), m_link);
    if (probes == Probes::Traced) {
        m_startupMs = timeStartup(bench.panel, env, m_trace, m_panel);
    } else {
        env.remove(QStringLiteral("ORVANE_TRACE"));
        m_panel.setProcessEnvironment(env);
        m_panel.start(bench.panel, {});
    }
    m_window = findPanelWindow();
    m_ready = !std::isnan(m_startupMs) && !m_window.isEmpty();
    sleepSeconds(2.0);
}

Session::~Session()
{
    stopProcess(m_panel);
    stopProcess(m_sim);
}

Window Session::measure(double seconds)
{
    return measureProcess(m_panel.processId(), seconds, m_floor.pid());
}

void Session::pressRunOrStop()
{
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("key"), QStringLiteral("--window"), m_window, QStringLiteral("space")});
}

double Session::finish()
{
    pressRunOrStop();
    sleepSeconds(0.5);
    const double rss = peakRssMb(m_panel.processId());
    stopProcess(m_panel);
    stopProcess(m_sim);
    return rss;
}
