#include "boardmodel.h"
#include "simchild.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

#include <sys/stat.h>

using namespace boardsim;

class TestBoardSim : public QObject
{
    Q_OBJECT

private slots:
    void model_data()
    {
        QTest::addColumn<int>("channel");
        for (int channel = 0; channel < 18; ++channel)
            QTest::newRow(channelName(channel).data()) << channel;
    }

    void model()
    {
        QFETCH(int, channel);
        BoardModel model(3);
        const double start = model.level(channel, 0.0, false);
        double previous = start, peak = start;
        QSet<int> seen;
        for (double t = 0.0; t < 90.0; t += 0.05) {
            const double level = model.level(channel, t, false);
            const double shift = model.level(channel, t, true) - level;
            const int reading = model.read(channel, t, t > 45.0);
            seen << reading;
            QVERIFY(std::abs(reading - std::round(level + (t > 45.0 ? shift : 0.0))) <= 2.0);
            QVERIFY(level >= 2.0 && level + shift <= 253.0); // noise never needs clamping
            if (isElectrode(channel)) {
                QVERIFY2(std::abs(level - previous) <= 6.0, qPrintable(QString("jump at %1 s").arg(t)));
                QVERIFY2(shift >= 30.0 && shift <= 60.0, qPrintable(QString::number(shift)));
            } else {
                QVERIFY(level == start && shift == 0.0);
            }
            previous = level;
            peak = std::max(peak, level);
        }
        QVERIFY(seen.size() >= 2); // some noise, not a dead value
        if (isElectrode(channel)) // the hand reaches every electrode
            QVERIFY2(peak - start >= 40.0, qPrintable(QString::number(peak - start)));
    }

    void answers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArrayList>("writes");
        QTest::addColumn<QByteArray>("expected"); // the answers, without garbage
        QTest::addColumn<int>("garbage");         // random bytes after each answer

        QByteArray upper, lower, upperAnswers, lowerAnswers, sixReadings;
        for (int channel = 0; channel < 18; ++channel) {
            upper += QByteArray("s ") + kCodes[channel] + "\rx\r";
            upperAnswers += replyFor(valueFor(channel));
            if (channel >= 10) {
                lower += QByteArray("s ") + char(kCodes[channel] | 0x20) + "\rx\r";
                lowerAnswers += replyFor(valueFor(channel));
            }
            if (channel >= 1 && channel <= 6)
                sixReadings += "s " + QByteArray::number(channel) + "\rx\r";
        }
        const auto answers = [](std::initializer_list<int> channels) {
            QByteArray out;
            for (const int channel : channels)
                out += replyFor(valueFor(channel));
            return out;
        };
        QByteArrayList bytes;
        for (const char c : QByteArray("s 7\rx\r"))
            bytes << QByteArray(1, c);
        const QStringList values = valueArgs();

        QTest::newRow("every select code") << values << QByteArrayList{upper} << upperAnswers << 0;
        QTest::newRow("lower-case codes") << values << QByteArrayList{lower} << lowerAnswers << 0;
        QTest::newRow("channel 0 at start") << values << QByteArrayList{"x\r"} << answers({0}) << 0;
        QTest::newRow("s, d, unknown unanswered")
            << values << QByteArrayList{"s 3\rd 1\rd 0\rs a\rbogus\r\r", "x\r"} << answers({10}) << 0;
        QTest::newRow("byte by byte") << values << bytes << answers({7}) << 0;
        QTest::newRow("CR comes later") << values << QByteArrayList{"s 9\rx", "\r"} << answers({9}) << 0;
        QTest::newRow("overlong junk") << values << QByteArrayList{QByteArray(300, 'j'), "\rs P\rx\r"}
                                       << answers({17}) << 0;
        QTest::newRow("drop every 2nd") << (values + QStringList{"--drop", "2"}) << QByteArrayList{sixReadings}
                                        << answers({1, 3, 5}) << 0;
        QTest::newRow("mute after 2") << (values + QStringList{"--mute-after", "2"}) << QByteArrayList{sixReadings}
                                      << answers({1, 2}) << 0;
        QTest::newRow("garbage 1") << (values + QStringList{"--garbage", "1"}) << QByteArrayList{"s 1\rx\rs 2\rx\r"}
                                   << answers({1, 2}) << 1;
        QTest::newRow("garbage every 2nd") << (values + QStringList{"--garbage", "2", "--garbage-every", "2"})
                                           << QByteArrayList{"s 1\rx\rs 2\rx\r"} << answers({1, 2}) << -2;
    }

    void answers()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArrayList, writes);
        QFETCH(QByteArray, expected);
        QFETCH(int, garbage);
        Sim sim(args);
        QVERIFY(sim.openDevice());
        for (const QByteArray &chunk : writes) {
            QVERIFY(sim.send(chunk));
            QTest::qWait(15);
        }
        // A negative count: that many random bytes after every second answer only.
        const qsizetype count = expected.size() / 8;
        const qsizetype extra = garbage < 0 ? -garbage * (count / 2) : garbage * count;
        const QByteArray got = sim.read(count * 8 + extra + 1, 300);
        QCOMPARE(got.size(), count * 8 + extra);
        QByteArray answers;
        for (qsizetype at = 0, i = 0; i < count; ++i) {
            answers += got.mid(at, 8);
            at += 8 + (garbage < 0 ? (i % 2 ? -garbage : 0) : garbage);
        }
        QCOMPARE(answers, expected);
        QCOMPARE(sim.texts().filter(QRegularExpression("^tx \\d+ [0-9A-F]{2}$")).size(), count);
    }

    void idleCpu_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QByteArray>("input");
        const QStringList garbage{"--garbage", "65536"};
        QTest::newRow("port closed") << garbage << false << QByteArray();
        QTest::newRow("port open, quiet") << garbage << true << QByteArray();
        QTest::newRow("line full, answer due") << garbage << true << QByteArray("x\r");
        QTest::newRow("stalled, topping up") << QStringList{"--stall-after", "0"} << true << QByteArray();
    }

    void idleCpu()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, open);
        QFETCH(QByteArray, input);
        Sim sim(args);
        if (sim.cpuMs() < 0)
            QSKIP("needs /proc");
        QVERIFY(!open || (sim.openDevice() && (input.isEmpty() || sim.send(input))));
        QTest::qWait(100);
        const long before = sim.cpuMs();
        QTest::qWait(500);
        const long used = sim.cpuMs() - before;
        QVERIFY2(used < 100, qPrintable(QString::number(used))); // spinning would burn ~500
    }

    void logAcrossReopen()
    {
        const double started = monotonicSeconds();
        Sim sim({"--value", "5=0x9C"});
        QVERIFY(sim.openDevice());
        QVERIFY(sim.send("s 5\rx\r"));
        QCOMPARE(sim.read(8, 2000), replyFor(0x9C));
        // This answer is left unread when the port closes and must not come back.
        QVERIFY(sim.send("\x01q\\\rx\r"));
        QVERIFY(sim.waitForEvent("tx 5 9C", 2));
        sim.closeDevice();
        QVERIFY(sim.waitForEvent("closed"));
        QVERIFY(sim.openDevice());
        QVERIFY(sim.waitForEvent("opened", 2));
        QCOMPARE(sim.read(1, 200), QByteArray());
        QVERIFY(sim.send("x\r"));
        QCOMPARE(sim.read(8, 2000), replyFor(0x9C));
        QVERIFY(sim.waitForEvent("tx 5 9C", 3));
        QCOMPARE(sim.stop(), 0);

        QCOMPARE(sim.texts(), QStringList({"opened", "rx s 5", "rx x", "tx 5 9C", "rx \\x01q\\x5C", "rx x",
                                            "tx 5 9C", "closed", "opened", "rx x", "tx 5 9C"}));
        double previous = started - 0.001;
        for (const QString &line : sim.log()) {
            const auto match = QRegularExpression("^(\\d+\\.\\d{6}) \\S").match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            const double time = match.captured(1).toDouble();
            QVERIFY(time >= previous && time <= monotonicSeconds());
            previous = time;
        }
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("needle");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--stall-after N";
        const QList<QStringList> bad = {
            {"--delay", "abc"}, {"--delay"}, {"--split", "1.5"}, {"--garbage-every", "0"},
            {"--flood", "soon"}, {"--value", "18=1"}, {"--value", "3=0xZZ"}, {"--silent=yes"},
            {"--bogus"}, {"stray"}, {"--line-rate", "49"}, {"--latency=-1"}, {"--stall-after", "soon"},
            {"--mute-after"}, {"--mute-after", "-1"}, {"--garble-after", "1000001"}, {"--garble-after=2x"},
            {"--replug-after", "0", "--hangup-after", "1"}, {"--replug-after", "1"},
        };
        for (const QStringList &args : bad)
            QTest::addRow("%s", qPrintable(args.join(' '))) << args << 2 << args[0].section('=', 0, 0);
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, needle);
        QProcess process;
        process.start(SimProcess::program(), args);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), exitCode);
        const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        if (exitCode == 0)
            QVERIFY(out.startsWith("Usage:") && out.contains(needle));
        else
            QVERIFY2(out.isEmpty() && err.count('\n') == 1 && err.contains(needle), qPrintable(err));
    }

    void link_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<int>("signal");
        QTest::newRow("replaces symlink, SIGTERM") << "symlink" << int(SIGTERM);
        QTest::newRow("fresh, SIGHUP") << "" << int(SIGHUP);
        QTest::newRow("refuses regular file") << "file" << 0;
    }

    void link()
    {
        QFETCH(QString, existing);
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString path = dir.filePath("board");
        const QByteArray native = QFile::encodeName(path);
        QFile file(path);
        if (existing == "symlink")
            QVERIFY(::symlink("/nonexistent", native.constData()) == 0);
        if (existing == "file")
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4 && file.flush());

        Sim sim({"--link", path});
        if (existing == "file") {
            QVERIFY(sim.process().state() == QProcess::NotRunning || sim.process().waitForFinished(5000));
            QCOMPARE(sim.process().exitCode(), 1);
            QVERIFY(sim.process().readAllStandardError().contains("--link"));
            QCOMPARE(QFile(path).size(), 4);
            return;
        }
        char target[256] = {};
        QVERIFY(::readlink(native.constData(), target, sizeof target - 1) > 0);
        QCOMPARE(QString::fromLocal8Bit(target), sim.device());
        QCOMPARE(sim.stop(signal), 0);
        struct stat st{};
        QVERIFY(::lstat(native.constData(), &st) != 0 && errno == ENOENT);
    }

    void replug_data()
    {
        QTest::addColumn<bool>("comesBack"); // else a signal ends it while it is away
        QTest::newRow("comes back under a new name") << true;
        QTest::newRow("signal while away") << false;
    }

    // Pulled out and plugged in again: the old line hangs up, a new one appears
    // behind the same link while the old one is still held open, and serves.
    void replug()
    {
        QFETCH(bool, comesBack);
        QTemporaryDir dir;
        const QString link = dir.filePath("board");
        Sim sim({"--link", link, "--value", "5=0x9C", "--hangup-after", "3", "--replug-after",
                 comesBack ? "0.3" : "30"});
        QVERIFY(sim.openDevice(link));
        QVERIFY(sim.send("s 5\rx\r"));
        QCOMPARE(sim.read(8, 2000), replyFor(0x9C));
        QVERIFY(sim.send("x\r"));
        QCOMPARE(sim.read(8, 500), QByteArray()); // hung up, not answered
        QVERIFY(sim.waitForEvent("hangup"));
        if (!comesBack) {
            QCOMPARE(sim.stop(SIGTERM), 0);
            QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
            return;
        }
        QVERIFY(sim.process().waitForReadyRead(3000) || sim.process().canReadLine());
        const QString second = QString::fromLocal8Bit(sim.process().readLine()).trimmed();
        QVERIFY(second.startsWith("/dev/pts/") && second != sim.device());
        QCOMPARE(QFileInfo(link).symLinkTarget(), second);
        QVERIFY(sim.waitForEvent("replug " + second));
        sim.closeDevice();
        QVERIFY(sim.openDevice(link));
        QVERIFY(sim.send("s 5\rx\r"));
        QCOMPARE(sim.read(8, 2000), replyFor(0x9C));
        QCOMPARE(sim.stop(), 0);
        QCOMPARE(sim.texts().mid(4, 7), QStringList({"rx x", "hangup", "replug " + second, "opened", "rx s 5",
                                                      "rx x", "tx 5 9C"}));
    }
};

QTEST_GUILESS_MAIN(TestBoardSim)
#include "tst_boardsim.moc"
