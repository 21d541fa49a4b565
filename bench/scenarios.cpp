#include "bench/scenarios.h"

#include "bench/figures.h"
#include "bench/process.h"
#include "bench/stats.h"

#include <QFile>

#include <cmath>
#include <functional>

namespace {

constexpr double kIdleSeconds = 10, kScanSeconds = 31, kSettleSeconds = 1.5, kUntracedSeconds = 20;

struct ScanWindows {
    Window quiet, loaded;
};

// Measures a scan quiet, then with one busy process per core.
ScanWindows quietThenLoaded(const Bench &bench, const std::function<Window(double)> &measure)
{
    ScanWindows w;
    w.quiet = measure(kScanSeconds);
    const Burners burners(bench.self);
    sleepSeconds(0.5);
    w.loaded = measure(kScanSeconds);
    return w;
}

// Presses Run and measures the scan quiet, then loaded.
ScanWindows scanQuietThenLoaded(Session &session, const Bench &bench)
{
    session.pressRunOrStop();
    sleepSeconds(kSettleSeconds);
    return quietThenLoaded(bench, [&session](double seconds) { return session.measure(seconds); });
}

// The panel's processor time scanning quietly without the trace's probes,
// which cost a share of their own, in a run of its own beside a floor of its own.
Window untracedScan(const Bench &bench, const QString &name, const QStringList &simArgs)
{
    Session session(bench, name + QStringLiteral("-untraced"), simArgs, Session::Probes::Off);
    if (!session.isReady())
        return {0, 0, std::nan(""), std::nan("")};
    session.pressRunOrStop();
    sleepSeconds(1 + kSettleSeconds);
    const Window w = session.measure(kUntracedSeconds);
    session.finish();
    return w;
}

// The scan's steps as the simulator logged them; `program` prefixes the keys ("" for the panel).
void putStepFigures(QJsonObject &r, const QString &program, const std::vector<LogLine> &sim, const ScanWindows &w)
{
    const Steps quiet = cycleSteps(sim, w.quiet.from, w.quiet.to, kSimMeasure, kSimSelect);
    const Steps loaded = cycleSteps(sim, w.loaded.from, w.loaded.to, kSimMeasure, kSimSelect);
    r[program + QStringLiteral("steps_measured")] = int(quiet.step.size());
    r[program + QStringLiteral("steps_measured_loaded")] = int(loaded.step.size());
    r[program + QStringLiteral("step_ms_median")] = median(quiet.step);
    r[program + QStringLiteral("step_ms_p99_abs_dev")] = stepP99AbsDev(quiet.step);
    r[program + QStringLiteral("measure_to_select_ms_median")] = median(quiet.toSelect);
    r[program + QStringLiteral("select_to_measure_ms_median")] = median(quiet.toMeasure);
    r[program + QStringLiteral("step_ms_p99_abs_dev_loaded")] = stepP99AbsDev(loaded.step);
}

// The reference's steps over the same windows, and the program's p99 as a multiple of its.
void putReferenceFigures(QJsonObject &r, const QString &program, const std::vector<LogLine> &woke,
                         const ScanWindows &w)
{
    for (const auto &[window, suffix] : {std::pair{w.quiet, QString()}, std::pair{w.loaded, QStringLiteral("_loaded")}}) {
        const Steps steps = cycleSteps(woke, window.from, window.to, kReferenceMeasure, kReferenceSelect);
        const double p99 = stepP99AbsDev(steps.step);
        r[program + QStringLiteral("reference_steps_measured") + suffix] = int(steps.step.size());
        r[program + QStringLiteral("reference_step_ms_p99_abs_dev") + suffix] = p99;
        r[program + QStringLiteral("step_p99_ratio_vs_reference") + suffix] =
            r[program + QStringLiteral("step_ms_p99_abs_dev") + suffix].toDouble() / p99;
    }
}

} // namespace

std::vector<double> compareStartup(const Bench &bench, QJsonObject &r)
{
    std::vector<double> bareMs, panelMs;
    double bareRss = 0;
    QProcessEnvironment noDevice = bench.env;
    noDevice.insert(QStringLiteral("ORVANE_COM1"), QStringLiteral("/nonexistent"));
    for (int i = 0; i < 10; ++i) {
        QProcess bare, panel;
        bareMs.push_back(timeStartup(bench.bareWindow, bench.env, bench.file(QStringLiteral("bare.trace")), bare));
        sleepSeconds(1.0);
        bareRss = std::max(bareRss, peakRssMb(bare.processId()));
        stopProcess(bare);
        panelMs.push_back(timeStartup(bench.panel, noDevice, bench.file(QStringLiteral("start.trace")), panel));
        stopProcess(panel);
    }
    r["rss_bare_qt_mb"] = bareRss;
    r["startup_bare_qt_ms"] = median(bareMs);
    return panelMs;
}

double plainScenario(const Bench &bench, QJsonObject &r)
{
    Session session(bench, QStringLiteral("plain"), {});
    if (!session.isReady())
        return std::nan("");
    r["cpu_pct_idle"] = session.measure(kIdleSeconds).cpuPct;

    QProcess reference;
    const QString referenceLog = bench.file(QStringLiteral("reference.log"));
    QFile::remove(referenceLog);
    reference.start(bench.reference, {referenceLog});
    const ScanWindows w = scanQuietThenLoaded(session, bench);
    stopProcess(reference);
    r["rss_mb"] = session.finish();
    putCpuFigures(r, QStringLiteral("traced_"), w.quiet);

    putStepFigures(r, {}, readEventLog(session.simLog()), w);
    r["handler_us_p99"] = percentile(handlerUsWithin(readEventLog(session.trace()), w.quiet), 99);
    putReplyFigures(r, {}, {}, replyFigures(outcomesOf(session), w.quiet.from, w.quiet.to));
    putReferenceFigures(r, {}, readEventLog(referenceLog), w);
    putCpuFigures(r, {}, untracedScan(bench, QStringLiteral("plain"), {}));
    return session.startupMs();
}

void adapterScenario(const Bench &bench, QJsonObject &r)
{
    const QStringList adapterLike = {QStringLiteral("--latency"), QStringLiteral("16"), QStringLiteral("--line-rate"),
                                     QStringLiteral("9600")};
    Session session(bench, QStringLiteral("adapter"), adapterLike);
    if (!session.isReady())
        return;
    const ScanWindows w = scanQuietThenLoaded(session, bench);
    session.finish();
    const std::vector<Outcome> outcomes = outcomesOf(session);
    const QString prefix = QStringLiteral("adapter_");
    putCpuFigures(r, prefix + QStringLiteral("traced_"), w.quiet);
    putReplyFigures(r, prefix, {}, replyFigures(outcomes, w.quiet.from, w.quiet.to));
    putReplyFigures(r, prefix, QStringLiteral("_loaded"), replyFigures(outcomes, w.loaded.from, w.loaded.to));
    putCpuFigures(r, prefix, untracedScan(bench, QStringLiteral("adapter"), adapterLike));
}

void recorderScenario(const Bench &bench, QJsonObject &r)
{
    QProcess sim, reference, recorder;
    const QString link = bench.file(QStringLiteral("recorder.board"));
    const QString simLog = bench.file(QStringLiteral("recorder.sim.log"));
    const QString referenceLog = bench.file(QStringLiteral("recorder.reference.log"));
    if (!startSimulator(sim, bench, link, simLog, {}))
        return;
    QFile::remove(referenceLog);
    reference.start(bench.reference, {referenceLog});
    const Floor floor(bench, QStringLiteral("recorder"), {});
    recorder.start(bench.recorder, {QStringLiteral("--device"), link, QStringLiteral("--output"),
                                    bench.file(QStringLiteral("recorder.csv")), QStringLiteral("--force"),
                                    QStringLiteral("--quiet")});
    // Its first measure goes 1 s after the start.
    sleepSeconds(1 + kSettleSeconds);
    const qint64 pid = recorder.processId();
    const qint64 floorPid = floor.pid();
    const ScanWindows w =
        quietThenLoaded(bench, [pid, floorPid](double seconds) { return measureProcess(pid, seconds, floorPid); });
    r["recorder_rss_mb"] = peakRssMb(pid);
    putCpuFigures(r, QStringLiteral("recorder_"), w.quiet);
    stopProcess(recorder);
    stopProcess(reference);
    stopProcess(sim);
    const QString prefix = QStringLiteral("recorder_");
    putStepFigures(r, prefix, readEventLog(simLog), w);
    putReferenceFigures(r, prefix, readEventLog(referenceLog), w);
}
