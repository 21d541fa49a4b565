// Runs the real panel, and the recorder, against the simulated board and measures their timing and cost.
#include "bench/process.h"
#include "bench/report.h"
#include "bench/scenarios.h"
#include "bench/stats.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--burn") == 0)
        burn();
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 8) {
        std::fprintf(stderr, "usage: orvane-bench PANEL BOARDSIM BAREWINDOW REFERENCE RECORDER FLOOR RESULTS.json\n");
        return 2;
    }
    // ORVANE_BENCH_LOGS=DIR keeps the logs, to look into a figure.
    QTemporaryDir temporary;
    const QString kept = qEnvironmentVariable("ORVANE_BENCH_LOGS");
    if (!kept.isEmpty())
        QDir().mkpath(kept);
    // The panels offer their runs, and the recorders look for them, in a folder of the bench's own.
    QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/orvane-bench-runtime-XXXXXX"));
    if (!runtime.isValid()) {
        std::fprintf(stderr, "orvane-bench: cannot make a runtime folder: %s\n", qPrintable(runtime.errorString()));
        return 1;
    }
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const Bench bench{args[1], args[2], args[3], args[4], args[5], args[6], QCoreApplication::applicationFilePath(),
                      kept.isEmpty() ? temporary.path() : kept};

    QJsonObject r;
    r["cores"] = onlineCores();
    std::vector<double> panelStartMs = compareStartup(bench, r);
    const double measuredStartMs = plainScenario(bench, r);
    if (std::isnan(measuredStartMs)) {
        std::fprintf(stderr, "orvane-bench: the panel did not come up on the simulated board\n");
        return 1;
    }
    panelStartMs.push_back(measuredStartMs);
    adapterScenario(bench, r);
    recorderScenario(bench, r);
    followedScenario(bench, r);

    r["rss_ratio_vs_bare_qt"] = r["rss_mb"].toDouble() / r["rss_bare_qt_mb"].toDouble();
    r["startup_ms"] = median(panelStartMs);
    r["startup_ratio_vs_bare_qt"] = r["startup_ms"].toDouble() / r["startup_bare_qt_ms"].toDouble();
    report(r, args[7]);
    return 0;
}
