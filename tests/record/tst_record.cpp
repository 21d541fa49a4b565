#include "ptypair.h"
#include "recording.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <csignal>

// The recorder against the simulated board: what it writes, how long it runs, how it ends.
class TestRecord : public QObject {
    Q_OBJECT
private slots:
    void records_data();
    void records();
    void endsOnSignal_data();
    void endsOnSignal();
    void progressLine_data();
    void progressLine();
    void quietInAnyLocale_data();
    void quietInAnyLocale();
};

void TestRecord::records_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("pass"); // the channels of one sweep, in order

    QStringList all;
    for (int c = 0; c < kChannelCount; ++c)
        all << channelName(c);
    QTest::newRow("all channels for 5 s") << QStringList{"--seconds", "5"} << "C" << all;
    QTest::newRow("a subset for 5 s") << QStringList{"--channels", "E1-E3,Ref A,Vpwr", "--seconds", "5"} << "C"
                                      << QStringList{"E1", "E2", "E3", "Ref A", "Vpwr"};
    QTest::newRow("3 sweeps, shield off") << QStringList{"--channels", "E2,RefB", "--sweeps", "3", "--shield", "off"}
                                          << "C" << QStringList{"E2", "Ref B"};
    QTest::newRow("a sweep where the decimal sign is a comma") << QStringList{"--sweeps", "1"} << "de_DE.UTF-8" << all;
}

void TestRecord::records()
{
    QFETCH(QStringList, args);
    QFETCH(QString, locale);
    QFETCH(QStringList, pass);
    SimProcess sim(SimProcess::fixedValues());
    qputenv("LC_ALL", locale.toLatin1());
    const QDateTime from = QDateTime::currentDateTimeUtc();
    QElapsedTimer clock;
    clock.start();
    Recording rec(sim.device(), args);
    QCOMPARE(rec.exitCode(), 0);
    const double ran = clock.elapsed() / 1000.0;
    qunsetenv("LC_ALL");
    QCOMPARE(sim.received().first().what, args.contains("off") ? QStringLiteral("d 0") : QStringLiteral("d 1"));

    QString fault;
    const QList<Row> rows = rowsOf(rec.output, &fault);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(!rows.isEmpty());
    const qsizetype sweeps = args.indexOf("--sweeps");
    if (sweeps < 0) {
        // Ends when asked, having recorded up to then.
        const double seconds = args[args.indexOf("--seconds") + 1].toDouble();
        QVERIFY2(ran >= seconds && ran < seconds + 1.5, qPrintable(QString::number(ran)));
        QVERIFY2(rows.last().elapsed < seconds && rows.last().elapsed > seconds - 0.5,
                 qPrintable(QString::number(rows.last().elapsed)));
    }
    // The first measure goes 1 s after the first command, and reads ISrc.
    const double first = pass.first() == channelName(0) ? 1.0 : 1.1;
    QVERIFY2(rows.first().elapsed > first && rows.first().elapsed < first + 0.15,
             qPrintable(QString::number(rows.first().elapsed)));
    // From the last channel the scan wraps through ISrc, read whether or not
    // chosen, unless it goes on straight to Vpwr or ISrc is chosen anyway.
    const bool zeroBetween = !pass.contains(channelName(0)) && !pass.contains(channelName(kChannelCount - 1));
    QList<double> steps; // each gap as a share of the scan's steps it spans
    // When the machine holds the recorder up past the next command, the engine
    // keeps only the newer of two replies taken at once: a reading may be
    // missing, never in another channel's row.
    qsizetype at = 0, missing = 0; // place in the passes
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Row &r = rows[i];
        QVERIFY2(r.reading == SimProcess::fixedValue(r.channel),
                 qPrintable(QStringLiteral("%1 at %2 s: %3").arg(channelName(r.channel)).arg(r.elapsed).arg(r.reading)));
        QVERIFY(r.time >= from.addMSecs(-1) && r.time <= QDateTime::currentDateTimeUtc());
        const qsizetype expected = at;
        while (pass[at % pass.size()] != channelName(r.channel) && at - expected < pass.size())
            ++at;
        QVERIFY2(at - expected < pass.size(), qPrintable(channelName(r.channel)));
        missing += at - expected;
        if (i > 0) {
            QVERIFY(r.elapsed > rows[i - 1].elapsed);
            steps << (r.elapsed - rows[i - 1].elapsed) / ((at % pass.size() == 0 && zeroBetween) ? 0.2 : 0.1);
            const double wall = rows.first().time.msecsTo(r.time) / 1000.0;
            QVERIFY2(qAbs(wall - (r.elapsed - rows.first().elapsed)) < 0.05, qPrintable(QString::number(wall)));
        }
        ++at;
    }
    QVERIFY2(missing <= 1 + rows.size() / 10, qPrintable(QString::number(missing)));
    // The last row is of the last sweep asked for, its last when none is missing.
    if (sweeps >= 0) {
        QCOMPARE((at - 1) / pass.size() + 1, args[sweeps + 1].toInt());
        QVERIFY(missing > 0 || at == pass.size() * args[sweeps + 1].toInt());
    }
    // The cadence, loosely, as a shared machine allows: exact timing is the benchmark's business.
    std::sort(steps.begin(), steps.end());
    const double median = steps.value(steps.size() / 2);
    QVERIFY2(qAbs(median - 1) < 0.05, qPrintable(QString::number(median)));
}

void TestRecord::endsOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("ignoredAtStart"); // as nohup leaves SIGHUP
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGHUP") << int(SIGHUP) << false;
    QTest::newRow("SIGHUP under nohup") << int(SIGHUP) << true;
    QTest::newRow("SIGKILL") << int(SIGKILL) << false;
}

void TestRecord::endsOnSignal()
{
    QFETCH(int, signal);
    QFETCH(bool, ignoredAtStart);
    SimProcess sim(SimProcess::fixedValues());
    Recording rec;
    const QStringList args{"--device", sim.device(), "--output", rec.output};
    if (ignoredAtStart)
        rec.start(QStringList{"-c", "trap '' HUP; exec \"$0\" \"$@\"", RECORDER_PATH} + args, "/bin/sh");
    else
        rec.start(args);
    QTRY_VERIFY_WITH_TIMEOUT(sim.count("tx ") >= 5, 5000);
    const QString lock = sim.lockFile();
    QVERIFY(QFileInfo::exists(lock));
    ::kill(pid_t(rec.process.processId()), signal);
    if (ignoredAtStart) {
        QTest::qWait(300);
        QCOMPARE(rec.process.state(), QProcess::Running);
        ::kill(pid_t(rec.process.processId()), SIGTERM);
    }
    const int status = rec.exitCode();
    QTRY_COMPARE_WITH_TIMEOUT(sim.count("closed"), 1, 2000);
    QString fault;
    const QList<Row> rows = rowsOf(rec.output, &fault);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    // Every reply that came is a row, none waits in a buffer: but for the one on
    // its way at the end, and one or two a held-up engine may have left out.
    QVERIFY2(rows.size() >= sim.count("tx ") - 3, qPrintable(QString::number(rows.size())));
    if (signal == SIGKILL) {
        QFile::remove(lock); // its own, left by the kill
        return;
    }
    QCOMPARE(status, 0);
    QVERIFY2(!QFileInfo::exists(lock), qPrintable(lock));
}

void TestRecord::progressLine_data()
{
    QTest::addColumn<bool>("terminal"); // standard error is one
    QTest::addColumn<bool>("quiet");
    QTest::newRow("on a terminal") << true << false;
    QTest::newRow("on a terminal, --quiet") << true << true;
    QTest::newRow("into a file") << false << false;
}

void TestRecord::progressLine()
{
    QFETCH(bool, terminal);
    QFETCH(bool, quiet);
    SimProcess sim(SimProcess::fixedValues());
    Pty pty;
    Recording rec;
    const QString errors = rec.dir.filePath("errors");
    rec.process.setStandardErrorFile(terminal ? pty.path() : errors);
    QStringList args{"--device", sim.device(), "--output", rec.output, "--seconds", "2"};
    rec.start(quiet ? args << "--quiet" : args);
    QCOMPARE(rec.exitCode(), 0);
    QFile file(errors);
    const QByteArray shown = terminal ? pty.receive(1 << 16, 300) : (file.open(QIODevice::ReadOnly), file.readAll());
    if (quiet || !terminal) {
        QCOMPARE(shown, QByteArray());
        return;
    }
    // At most four a second, then the last figures and a new line.
    const qsizetype refreshes = shown.count('\r');
    QVERIFY2(refreshes >= 4 && refreshes <= 4 * 2 + 2, shown.constData());
    const QRegularExpression last(QStringLiteral("\r0:00:0[23]  (\\d+) readings  \\d+\\.\\d/s  %1\x1b\\[K\n$")
                                      .arg(QRegularExpression::escape(rec.output)));
    const QRegularExpressionMatch m = last.match(QString::fromUtf8(shown));
    QVERIFY2(m.hasMatch(), shown.constData());
    QString fault;
    QCOMPARE(m.captured(1).toInt(), rowsOf(rec.output, &fault).size());
}

void TestRecord::quietInAnyLocale_data()
{
    QTest::addColumn<QStringList>("locale"); // the only variables beside PATH, as cron and su - give
    QTest::newRow("no locale at all") << QStringList{};
    QTest::newRow("LC_ALL=C") << QStringList{"LC_ALL=C"};
    QTest::newRow("LANG=POSIX") << QStringList{"LANG=POSIX"};
    QTest::newRow("LC_ALL=C, numbers in German") << QStringList{"LC_ALL=C", "LC_NUMERIC=de_DE.UTF-8"};
}

// Nothing on standard error but the recorder's own lines, names spelt as given.
void TestRecord::quietInAnyLocale()
{
    QFETCH(QStringList, locale);
    SimProcess sim(SimProcess::fixedValues());
    const auto run = [&locale](Recording &rec, const QStringList &args) {
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        for (const QString &pair : locale)
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));
        rec.process.setProcessEnvironment(env);
        rec.start(args);
        return rec.exitCode();
    };
    Recording version;
    QCOMPARE(run(version, {"--version"}), 0);
    QCOMPARE(version.errors(), QString());
    QVERIFY(QString::fromUtf8(version.process.readAllStandardOutput()).startsWith("orvane-record "));

    Recording rec;
    QCOMPARE(run(rec, {"--device", sim.device(), "--output", rec.output, "--sweeps", "1"}), 0);
    QCOMPARE(rec.errors(), QString());
    QString fault;
    QVERIFY(!rowsOf(rec.output, &fault).isEmpty());
    QVERIFY2(fault.isEmpty(), qPrintable(fault));

    Recording refused;
    const QString named = refused.dir.filePath(QStringLiteral("Messung-\u00e4\u20ac.csv"));
    QFile file(named);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(run(refused, {"--device", sim.device(), "--output", named}), 4);
    QCOMPARE(QString::fromUtf8(refused.process.readAllStandardError()),
             QStringLiteral("orvane-record: %1 exists; give --force to overwrite it\n").arg(named));
}

QTEST_GUILESS_MAIN(TestRecord)
#include "tst_record.moc"
