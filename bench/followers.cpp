#include "bench/scenarios.h"

#include "clock.h"
#include "bench/figures.h"
#include "bench/followrows.h"
#include "bench/process.h"

#include <QDateTime>
#include <QFile>

#include <array>
#include <cmath>

namespace {

constexpr double kWindowSeconds = 12, kSettleSeconds = 1.5, kConnectSeconds = 1;
// A row's time is taken as the reading is emitted, to the millisecond; the trace's as its handler ends.
constexpr double kRowTimeSlack = 0.02;

// A recorder following the panel's run, and when it lived on the monotonic clock.
struct Follower {
    QProcess process;
    QString output;
    double started = 0, ended = 0;
    bool recording = false;
};

void startFollower(Follower &f, const QString &recorder, const QString &link)
{
    QFile::remove(f.output);
    f.started = monotonicSeconds();
    f.process.start(recorder, {QStringLiteral("--device"), link, QStringLiteral("--output"), f.output,
                               QStringLiteral("--quiet")});
}

void stopFollower(Follower &f)
{
    stopProcess(f.process);
    f.ended = monotonicSeconds();
    f.recording = f.process.readAllStandardError().contains("recording the run of");
}

int drawnWithin(const std::vector<Receive> &receives, double from, double to)
{
    int n = 0;
    for (const Receive &e : receives)
        n += e.drew && e.t >= from && e.t <= to;
    return n;
}

// Each follower's rows against the readings the panel drew while it lived, and
// between its first and last row (none may be missing there); then the two
// followers' rows against each other.
void putFollowerFigures(QJsonObject &r, const std::array<Follower, 2> &followers,
                        const std::vector<Receive> &receives, double utcMinusMonotonic)
{
    std::array<std::vector<CsvRow>, 2> rows;
    int recording = 0;
    for (std::size_t i = 0; i < followers.size(); ++i) {
        const Follower &f = followers[i];
        QFile file(f.output);
        rows[i] = file.open(QIODevice::ReadOnly) ? csvRows(file.readAll()) : std::vector<CsvRow>{};
        const QString key = QStringLiteral("follower%1_").arg(i + 1);
        const int count = int(rows[i].size());
        r[key + QStringLiteral("rows")] = count;
        r[key + QStringLiteral("readings_drawn")] = drawnWithin(receives, f.started, f.ended);
        r[key + QStringLiteral("readings_missed")] =
            count == 0 ? std::nan("")
                       : drawnWithin(receives, rows[i].front().utc - utcMinusMonotonic - kRowTimeSlack,
                                     rows[i].back().utc - utcMinusMonotonic + kRowTimeSlack) - count;
        recording += f.recording;
    }
    r["followers_recording"] = recording;
    r["followers_rows_differing"] = rowsDiffering(rows[0], rows[1]);
}

} // namespace

void followedScenario(const Bench &bench, QJsonObject &r)
{
    Session session(bench, QStringLiteral("followed"), {});
    if (!session.isReady())
        return;
    QProcess reference;
    const QString referenceLog = bench.file(QStringLiteral("followed.reference.log"));
    QFile::remove(referenceLog);
    reference.start(bench.reference, {referenceLog});
    session.pressRunOrStop();
    sleepSeconds(kSettleSeconds);
    const Window alone = session.measure(kWindowSeconds);

    std::array<Follower, 2> followers;
    for (std::size_t i = 0; i < followers.size(); ++i) {
        followers[i].output = bench.file(QStringLiteral("follower%1.csv").arg(i + 1));
        startFollower(followers[i], bench.recorder, session.link());
    }
    sleepSeconds(kConnectSeconds);
    const Window followed = session.measure(kWindowSeconds);
    for (Follower &f : followers)
        stopFollower(f);
    const double utcMinusMonotonic = double(QDateTime::currentMSecsSinceEpoch()) / 1e3 - monotonicSeconds();
    stopProcess(reference);
    session.finish();

    const PanelLogs logs = panelLogs(session, referenceLog);
    putQuietWindowFigures(r, QStringLiteral("alone_"), logs, alone);
    putQuietWindowFigures(r, QStringLiteral("followed_"), logs, followed);
    putFollowerFigures(r, followers, receiveEvents(logs.trace), utcMinusMonotonic);
}
