#include "procstats.h"
#include "recording.h"
#include "wire/lockfile.h"

#include <QFileInfo>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Standard error so far, once it holds `needle` (or the time is up).
QString errorsOnceSaid(Recording &rec, QString &said, const QString &needle, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    rec.process.waitForStarted();
    while (!said.contains(needle) && timer.elapsed() < ms && rec.process.state() == QProcess::Running) {
        rec.process.waitForReadyRead(50);
        said += rec.errors();
    }
    said += rec.errors();
    return said;
}

// What the board sent, channel and value, in order.
QList<QPair<int, int>> sent(SimProcess &sim)
{
    QList<QPair<int, int>> out;
    for (const SimProcess::Event &e : sim.events()) {
        const QStringList parts = e.what.split(u' ');
        if (parts.size() == 3 && parts[0] == u"tx")
            out.append({parts[1].toInt(), parts[2].toInt(nullptr, 16)});
    }
    return out;
}

// Whether the lock file names the process: the device's number may be another
// program's by now.
bool lockedBy(const QString &lockFile, qint64 pid)
{
    QFile file(lockFile);
    return file.open(QIODevice::ReadOnly) && parseLockFile(file.readAll()).pid == pid;
}

QList<QPair<int, int>> recorded(const QList<Row> &rows)
{
    QList<QPair<int, int>> out;
    for (const Row &row : rows)
        out.append({row.channel, row.reading});
    return out;
}
} // namespace

class TestRecordReconnect : public QObject {
    Q_OBJECT
private slots:
    void resumes_data();
    void resumes();
    void endsWhileAway_data();
    void endsWhileAway();
    void outputFailsWhileAway();
};

void TestRecordReconnect::resumes_data()
{
    QTest::addColumn<QString>("hangupAfter"); // command lines to each unplug
    QTest::addColumn<QString>("away");        // seconds
    QTest::addColumn<double>("seconds");      // of the recording
    QTest::addColumn<int>("leastUnplugs");
    QTest::newRow("unplugged twice") << "30" << "0.6" << 6.0 << 2;
    // Gone again at the second command after each return, every 0.2 s.
    QTest::newRow("a storm of replugs") << "2" << "0.2" << 5.0 << 5;
}

// Every reply the board sent while plugged in is a whole row, once, in order,
// and the recording goes on in the same file on the same clock.
void TestRecordReconnect::resumes()
{
    QFETCH(QString, hangupAfter);
    QFETCH(QString, away);
    QFETCH(double, seconds);
    QFETCH(int, leastUnplugs);
    QTemporaryDir dir;
    const QString link = SimProcess::linkIn(dir);
    SimProcess sim(QStringList{"--link", link, "--hangup-after", hangupAfter, "--replug-after", away}
                   + SimProcess::fixedValues());
    Recording rec(link, {"--reconnect", "--seconds", QString::number(seconds)});
    QVERIFY(rec.process.waitForStarted());
    const qint64 pid = rec.process.processId();
    QCOMPARE(rec.exitCode(int(seconds * 1000) + 5000), 0);
    const QStringList lines = rec.errors().split(u'\n', Qt::SkipEmptyParts);
    const QStringList lost = lines.filter(QStringLiteral("the connection was lost"));
    const QStringList resumed = lines.filter(QStringLiteral("resumed on"));
    QVERIFY2(lost.size() >= leastUnplugs, qPrintable(lines.join(u'\n')));
    QCOMPARE(lost.size() + resumed.size(), lines.size());
    QVERIFY(resumed.size() == lost.size() || resumed.size() == lost.size() - 1);
    // A line gone again while it is being opened is waited for without a word.
    QVERIFY(lost.size() <= sim.count("hangup"));
    for (const QString &line : lost) {
        QVERIFY2(line.startsWith(QStringLiteral("Com1 (%1): the connection was lost: ").arg(link))
                     && line.endsWith(QStringLiteral("; waiting for the adapter to come back (%1)").arg(link)),
                 qPrintable(line));
    }
    // Back within a second of the board's return.
    static const QRegularExpression after(QStringLiteral("^orvane-record: Com1: resumed on (.+) after (\\d+\\.\\d) s$"));
    for (const QString &line : resumed) {
        const QRegularExpressionMatch m = after.match(line);
        QVERIFY2(m.hasMatch() && m.captured(1) == link, qPrintable(line));
        QVERIFY2(m.captured(2).toDouble() >= away.toDouble() - 0.1 && m.captured(2).toDouble() <= away.toDouble() + 1.0,
                 qPrintable(line));
    }

    QString fault;
    const QList<Row> rows = rowsOf(rec.output, &fault);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(recorded(rows), sent(sim));
    for (qsizetype i = 1; i < rows.size(); ++i)
        QVERIFY(rows[i].elapsed >= rows[i - 1].elapsed && rows[i].time >= rows[i - 1].time);
    if (hangupAfter != u"2")
        QVERIFY(!rows.isEmpty() && rows.last().elapsed > 3.0);
    // None left behind, under the device's name or the link's.
    QVERIFY(!lockedBy(sim.lockFile(), pid));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/var/lock/") + lockFileName(link)));
}

void TestRecordReconnect::endsWhileAway_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("recordArgs");
    QTest::addColumn<int>("signal"); // sent once it waits; 0: none
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("last"); // how standard error ends; %1: the link
    QTest::addColumn<QString>("lastSays");
    QTest::addColumn<int>("lines"); // on standard error
    const QStringList gone{"--hangup-after", "20", "--replug-after", "60"};
    const QString waiting = QStringLiteral("waiting for the adapter to come back (%1)");
    QTest::newRow("not back in time") << gone << QStringList{"--reconnect", "--reconnect-timeout", "1.5"} << 0 << 3
                                      << "Com1: the adapter did not come back in 1.5 s (%1)" << "" << 2;
    QTest::newRow("SIGTERM while waiting") << gone << QStringList{"--reconnect"} << int(SIGTERM) << 0 << waiting
                                           << "the connection was lost" << 1;
    QTest::newRow("its time runs out while waiting") << gone << QStringList{"--reconnect", "--seconds", "4"} << 0
                                                     << 0 << waiting << "the connection was lost" << 1;
    QTest::newRow("a stalled line is not waited for")
        << QStringList{"--stall-after", "7"} << QStringList{"--reconnect"} << 0 << 3
        << "Com1 (%1): cannot write: the device takes no data (Resource temporarily unavailable)" << "" << 1;
    // Back, but its board answers nothing: told, and the adapter awaited again,
    // which must first go; it stays, so the recording ends on its time.
    QTest::newRow("back with a silent board")
        << QStringList{"--hangup-after", "40", "--replug-after", "0.5", "--mute-after", "19"}
        << QStringList{"--reconnect", "--seconds", "8"} << 0 << 0 << waiting << "the board does not answer" << 3;
}

void TestRecordReconnect::endsWhileAway()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, recordArgs);
    QFETCH(int, signal);
    QFETCH(int, status);
    QFETCH(QString, last);
    QFETCH(QString, lastSays);
    QFETCH(int, lines);
    QTemporaryDir dir;
    const QString link = SimProcess::linkIn(dir);
    SimProcess sim(QStringList{"--link", link} + simArgs);
    Recording rec(link, recordArgs);
    QString said;
    if (errorsOnceSaid(rec, said, "waiting for the adapter").contains("waiting for the adapter")) {
        // Waiting costs nothing to speak of, and holds no lock on the name the device had.
        const double before = cpuSeconds(rec.process.processId());
        QTest::qWait(1000);
        const double used = cpuSeconds(rec.process.processId()) - before;
        said += rec.errors();
        if (!said.contains("resumed")) {
            QVERIFY2(rec.process.state() != QProcess::Running || used < 0.05, qPrintable(QString::number(used)));
            QVERIFY(!lockedBy(sim.lockFile(), rec.process.processId()));
        }
    }
    if (signal)
        ::kill(pid_t(rec.process.processId()), signal);
    QCOMPARE(rec.exitCode(), status);
    said += rec.errors();
    QVERIFY2(said.endsWith(last.arg(link) + u'\n'), qPrintable(said));
    QVERIFY2(said.section(u'\n', -2, -2).contains(lastSays), qPrintable(said));
    QCOMPARE(said.count(u'\n'), lines);
    QString fault;
    QVERIFY(!rowsOf(rec.output, &fault).isEmpty());
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

// The output lost while the adapter is away (here the reader of a pipe; a full
// disk takes the same path) ends the recording at the next row, with the
// output's status.
void TestRecordReconnect::outputFailsWhileAway()
{
    QTemporaryDir dir;
    const QString link = SimProcess::linkIn(dir);
    SimProcess sim(QStringList{"--link", link, "--hangup-after", "20", "--replug-after", "1"});
    const QByteArray fifo = QFile::encodeName(dir.filePath("rows"));
    QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QVERIFY(reader >= 0);
    Recording rec;
    rec.start({"--device", link, "--reconnect", "--force", "--output", QFile::decodeName(fifo)});
    QString said;
    QVERIFY(errorsOnceSaid(rec, said, "waiting for the adapter").contains("waiting for the adapter"));
    ::close(reader);
    QCOMPARE(rec.exitCode(), 4);
    said += rec.errors();
    const QStringList lines = said.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[1].contains("resumed on") && lines[2].startsWith("orvane-record: cannot write"), qPrintable(said));
}

QTEST_GUILESS_MAIN(TestRecordReconnect)
#include "tst_recordreconnect.moc"
