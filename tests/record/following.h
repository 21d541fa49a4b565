#pragma once

#include "engine/scanengine.h"
#include "follow/runoffer.h"
#include "livepanel.h"
#include "recording.h"
#include "wire/lockfile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QScopeGuard>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#define VERIFY_NO_FAULT(expr)                           \
    do {                                                \
        const QString faultSaid = (expr);                  \
        QVERIFY2(faultSaid.isEmpty(), qPrintable(faultSaid)); \
    } while (false)

// A reading as this test and the offer time it, one just after the other; a step is 100 ms.
constexpr qint64 kSameMs = 10;

// One reading the panel drew, chosen or not, by the wall clock and the run's own.
struct Drawn {
    qsizetype seq; // its place in the run
    int channel;
    int value;
    qint64 utcMs;
    qint64 elapsedMs;
    qint64 pass; // counted from the run's start, the first 1
    bool chosen;
};

inline QString commOf(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
}

// The simulated board through a link of its own, and a private runtime folder
// for the run's socket, so that no test meets the user's own panels.
struct Board {
    explicit Board(const QStringList &args = {})
        : sim(QStringList{QStringLiteral("--link"), link} + SimProcess::fixedValues() + args)
    {
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }
    QTemporaryDir runtime, dir;
    QString link = SimProcess::linkIn(dir);
    SimProcess sim;
};

inline bool lockedByUs(SimProcess &sim)
{
    QFile file(sim.lockFile());
    return file.open(QIODevice::ReadOnly) && parseLockFile(file.readAll()).pid == QCoreApplication::applicationPid();
}

// What stands in the private folder runs are offered in, by name.
inline QStringList offered(const Board &board)
{
    return QDir(board.runtime.filePath("orvane")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
}

// The real panel, its run offered as the program offers it, and every reading it drew.
struct Offered {
    explicit Offered(const QString &device, RunOffer::Admits admits = {}) : panel(device)
    {
        // Before the offer's own, so that a reading is timed here just as the offer times it.
        QObject::connect(engine(), &ScanEngine::started, engine(), [this] {
            drawn.clear();
            run.start();
            last = kChannelCount;
        });
        QObject::connect(engine(), &ScanEngine::reading, engine(), [this](qint16 c, int v) {
            const qint64 pass = (drawn.isEmpty() ? 0 : drawn.last().pass) + (c <= last);
            last = c;
            drawn.append({drawn.size(), c, v, QDateTime::currentMSecsSinceEpoch(), run.elapsed(), pass,
                          engine()->chosen()[size_t(c)]});
        });
        offer = new RunOffer(engine(), std::move(admits));
    }
    Panel &p() { return panel.p(); }
    ScanEngine *engine() { return panel.p().engine; }
    // What a recorder following this run says first.
    QString following(const QString &device)
    {
        const qint64 pid = QCoreApplication::applicationPid();
        return QStringLiteral("orvane-record: recording the run of %1 (process %2) on Com1 (%3)\n")
            .arg(commOf(pid))
            .arg(pid)
            .arg(device);
    }

    LivePanel panel;
    RunOffer *offer = nullptr;
    QList<Drawn> drawn;
    QElapsedTimer run;
    int last = kChannelCount;
};

// orvane-record on the board; while it is waited for, the test's event loop
// turns, as the panel runs in it.
struct Follower : Recording {
    Follower(const QString &device, const QStringList &args) : Recording(device, args) {}
    // Whether it said, within 5 s, that it follows a run.
    bool joins()
    {
        const QString needle = QStringLiteral("recording the run of ");
        const QDeadlineTimer deadline(5000);
        while (!(said += errors()).contains(needle) && !deadline.hasExpired()
               && process.state() != QProcess::NotRunning)
            QTest::qWait(10);
        return said.contains(needle);
    }
    int ended(int ms = 10000)
    {
        const QDeadlineTimer deadline(ms);
        while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(10);
        said += errors();
        return exitCode(0);
    }
    qsizetype rowCount()
    {
        QString fault;
        return rowsOf(output, &fault).size();
    }
    // Why its rows are not the readings the panel drew of `channels`, in order and
    // none left out, from the one drawn with the first row: empty when they are.
    // `matched` gets the readings they are.
    QString unlike(const QList<Drawn> &drawn, const ChannelSet &channels, QList<Drawn> *matched = nullptr)
    {
        QString fault;
        const QList<Row> rows = rowsOf(output, &fault);
        QList<Drawn> kept;
        std::copy_if(drawn.begin(), drawn.end(), std::back_inserter(kept),
                     [&channels](const Drawn &d) { return d.chosen && channels[size_t(d.channel)]; });
        if (rows.isEmpty())
            return QStringLiteral("no rows ") + fault;
        const auto ms = [](double seconds) { return qRound64(seconds * 1000); };
        qsizetype k = 0;
        while (k < kept.size() && qAbs(kept[k].elapsedMs - ms(rows[0].elapsed)) > kSameMs)
            ++k;
        for (qsizetype i = 0; i < rows.size(); ++i, ++k) {
            const Row &r = rows[i];
            const QString row = QStringLiteral("row %1 (%2 %3 at %4 s)")
                                    .arg(i)
                                    .arg(channelName(r.channel))
                                    .arg(r.reading)
                                    .arg(r.elapsed);
            if (k >= kept.size())
                return row + QStringLiteral(" is none of the readings drawn");
            const Drawn &d = kept[k];
            if (r.channel != d.channel || r.reading != d.value || qAbs(ms(r.elapsed) - d.elapsedMs) > kSameMs
                || qAbs(r.time.toMSecsSinceEpoch() - d.utcMs) > kSameMs)
                return row
                       + QStringLiteral(" is not what was drawn: %1 %2 at %3 ms, %4 ms UTC off")
                             .arg(channelName(d.channel))
                             .arg(d.value)
                             .arg(d.elapsedMs)
                             .arg(r.time.toMSecsSinceEpoch() - d.utcMs);
            if (matched)
                *matched << d;
        }
        return {};
    }
    QString said;
};

// Reads what a client of the run's socket is sent for `ms`, the event loop
// turning; whether it was closed meanwhile.
inline bool closedWithin(int fd, int ms, QByteArray *got)
{
    char chunk[4096];
    for (const QDeadlineTimer deadline(ms); !deadline.hasExpired(); QTest::qWait(5)) {
        ssize_t n;
        while ((n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT)) > 0)
            got->append(chunk, n);
        if (n == 0 || errno != EAGAIN)
            return true;
    }
    return false;
}

// Why a client of `offer` that is no recorder was not followed while it only
// read, and then let go once it wrote `bytes`: empty when it was.
inline QString cutOffOnWriting(const RunOffer &offer, const QByteArray &bytes)
{
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(offer.path()).constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    QByteArray got;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || closedWithin(fd, 300, &got)
        || !got.startsWith("hello ") || offer.followers() != 1)
        return QStringLiteral("not followed: ") + QString::fromUtf8(got);
    if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || !closedWithin(fd, 1000, &got))
        return QStringLiteral("still followed after writing");
    return {};
}

// Why the board saw more than the panel's one run, unbroken: empty when it did not.
inline QString disturbed(SimProcess &sim)
{
    const QList<double> x = sim.timesOf(QStringLiteral("rx x"));
    double longest = 0; // between two measure commands; a missed step makes 0.2 s
    for (qsizetype i = 1; i < x.size(); ++i)
        longest = qMax(longest, x[i] - x[i - 1]);
    if (longest > 0.18)
        return QStringLiteral("a wait of %1 s between two measure commands").arg(longest);
    if (sim.count(QStringLiteral("opened")) != 1 || sim.count(QStringLiteral("rx d ")) != 1)
        return QStringLiteral("more than one run: ")
               + sim.texts().filter(QRegularExpression("^(opened|rx d )")).join(u',');
    return {};
}
