#include "faultpolicy.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <cmath>

using namespace boardsim;

namespace {

constexpr double kStart = 1000.007; // seconds: off any latency grid counted from 0

QString at(double time) { return QString::number((time - kStart) * 1000.0, 'f', 3); }

struct Recorder : Sink
{
    void event(double time, std::string_view text) override
    {
        log << at(time) + ' ' + QString::fromLatin1(text.data(), qsizetype(text.size()));
    }
    void complain(std::string_view) override {}
    QStringList log;
};

struct Run
{
    QStringList log;
    QByteArray stream;
    QStringList times; // of every byte, in ms
};

// Feed lines are "MS BYTES", or "MS open" / "MS close". The panel's side takes
// up to 8 KiB at each moment the policy names, as a pseudo-terminal would.
Run drive(const QStringList &args, const QStringList &feed, double endMs)
{
    std::vector<std::string> words;
    for (const QString &arg : args)
        words.push_back(arg.toStdString());
    const ParsedArgs parsed = parseArgs(words);
    Recorder sink;
    FaultPolicy policy(parsed.options, kStart, sink);
    Run run;
    double now = kStart;
    qsizetype next = 0;
    const auto inputAt = [&] {
        return next < feed.size() ? kStart + feed[next].section(' ', 0, 0).toDouble() / 1000.0 : INFINITY;
    };
    for (int turn = 0; turn < 100000; ++turn) {
        qsizetype room = 8192;
        for (std::string_view bytes; room > 0 && !(bytes = policy.output(now)).empty();) {
            const auto count = std::min<qsizetype>(room, qsizetype(bytes.size()));
            run.stream.append(bytes.data(), count);
            for (qsizetype i = 0; i < count; ++i)
                run.times << at(now);
            policy.sent(std::size_t(count), now);
            room -= count;
        }
        const double wake = std::min(inputAt(), policy.nextWake().value_or(INFINITY));
        if (wake > kStart + endMs / 1000.0)
            break;
        now = std::max(now, wake);
        for (; inputAt() <= now; ++next) {
            const QString what = feed[next].section(' ', 1);
            if (what == "open")
                policy.opened(now);
            else if (what == "close")
                policy.closed(now);
            else if (policy.reading())
                policy.received(what.toStdString(), now);
        }
    }
    run.log = sink.log;
    return run;
}

// expected, where each '?' stands for any one character, if actual matches it there.
QStringList withWildcards(QStringList expected, const QStringList &actual)
{
    for (qsizetype i = 0; i < expected.size() && i < actual.size(); ++i) {
        const QString &want = expected[i];
        bool same = want.size() == actual[i].size();
        for (qsizetype c = 0; same && c < want.size(); ++c)
            same = want[c] == u'?' || want[c] == actual[i][c];
        if (same)
            expected[i] = actual[i];
    }
    return expected;
}

// The bytes the log says went out, in its order: replies, garble and noise.
QByteArray streamFromLog(const QStringList &log)
{
    QByteArray out;
    for (const QString &line : log) {
        const QStringList words = line.split(u' ');
        if (words.value(1) == u"tx")
            out += "x\r\n" + words.value(3).toLatin1() + "\r\n>";
        else if (words.value(1) == u"garbled" || words.value(1) == u"noise")
            out += QByteArray::fromHex(words.last().toLatin1());
    }
    return out;
}

} // namespace

class TestFaultPolicy : public QObject
{
    Q_OBJECT

private slots:
    void timeline_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("feed");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("bytes"); // "INDEX@MS": when that byte reached the panel
        QTest::addColumn<QByteArray>("stream"); // '?' for a random byte; null: not checked

        const QByteArray reply = "x\r\n0B\r\n>";
        const QStringList x5{"0 open", "5 x\r"};
        QTest::newRow("instant line") << QStringList{"--line-rate", "0"} << x5
                                      << QStringList{"0.000 opened", "5.000 rx x", "5.000 tx 0 0B"}
                                      << QStringList{"0@5.000", "7@5.000"} << reply;
        QTest::newRow("9600 baud by default") << QStringList{} << x5
                                              << QStringList{"0.000 opened", "5.000 rx x", "15.417 tx 0 0B"}
                                              << QStringList{"0@8.125", "7@15.417"} << reply;
        QTest::newRow("latency: held to the next tick")
            << QStringList{"--latency", "16"} << QStringList{"0 open", "3 x\r"}
            << QStringList{"0.000 opened", "3.000 rx x", "16.000 tx 0 0B"} << QStringList{"0@16.000", "7@16.000"}
            << reply;
        QTest::newRow("latency: a reply over two ticks")
            << QStringList{"--latency", "16"} << QStringList{"0 open", "10 x\r"}
            << QStringList{"0.000 opened", "10.000 rx x", "32.000 tx 0 0B"}
            << QStringList{"2@16.000", "3@32.000"} << reply;
        QTest::newRow("delay, then the line") << QStringList{"--delay", "50"} << x5
                                              << QStringList{"0.000 opened", "5.000 rx x", "65.417 tx 0 0B"}
                                              << QStringList{"0@58.125"} << reply;
        QTest::newRow("split: the second half waits")
            << QStringList{"--split", "10"} << x5 << QStringList{"0.000 opened", "5.000 rx x", "21.250 tx 0 0B"}
            << QStringList{"3@11.250", "4@18.125"} << reply;
        QTest::newRow("split shorter than the first half")
            << QStringList{"--split", "2"} << x5 << QStringList{"0.000 opened", "5.000 rx x", "15.417 tx 0 0B"}
            << QStringList{"3@11.250", "4@12.292"} << reply;
        QTest::newRow("delay and split, held")
            << QStringList{"--delay", "5", "--split", "10", "--latency", "16"} << QStringList{"0 open", "0 x\r"}
            << QStringList{"0.000 opened", "0.000 rx x", "32.000 tx 0 0B"}
            << QStringList{"3@16.000", "4@32.000"} << reply;
        QTest::newRow("replies queue on the line")
            << QStringList{} << QStringList{"0 open", "0 x\rs 5\rx\r"}
            << QStringList{"0.000 opened", "0.000 rx x", "0.000 rx s 5", "0.000 rx x", "10.417 tx 0 0B",
                           "18.750 tx 5 C4"}
            << QStringList{"8@11.458"} << reply + "x\r\nC4\r\n>";
        QTest::newRow("the command crosses the line before its answer")
            << QStringList{} << QStringList{"0 open", "0 s 5\rx\r"}
            << QStringList{"0.000 opened", "0.000 rx s 5", "0.000 rx x", "14.583 tx 5 C4"}
            << QStringList{"0@7.292"} << QByteArray("x\r\nC4\r\n>");
        QTest::newRow("garbage after the reply")
            << QStringList{"--garbage", "2"} << QStringList{"0 open", "0 x\r"}
            << QStringList{"0.000 opened", "0.000 rx x", "10.417 tx 0 0B", "12.500 noise ????"}
            << QStringList{"9@12.500"} << reply + "??";
        const QStringList x3{"0 open", "0 x\r", "20 x\r", "40 x\r"};
        QTest::newRow("mute after 2")
            << QStringList{"--mute-after", "2"} << x3
            << QStringList{"0.000 opened", "0.000 rx x", "10.417 tx 0 0B", "20.000 rx x", "20.000 mute",
                           "30.417 tx 0 0B", "40.000 rx x", "40.000 drop 0 0B"}
            << QStringList{"15@30.417"} << reply + reply;
        QTest::newRow("mute after 0: nothing answered")
            << QStringList{"--mute-after", "0"} << x5
            << QStringList{"0.000 mute", "0.000 opened", "5.000 rx x", "5.000 drop 0 0B"} << QStringList{}
            << QByteArray("");
        const QString nine(18, u'?');
        QTest::newRow("garble after 1, at the line's pace")
            << QStringList{"--garble-after", "1"} << x3
            << QStringList{"0.000 opened", "0.000 rx x", "0.000 garble", "10.417 tx 0 0B", "20.000 rx x",
                           "31.458 garbled 0 " + nine, "40.000 rx x", "51.458 garbled 0 " + nine}
            << QStringList{"8@23.125", "16@31.458"} << reply + QByteArray(18, '?');
        QTest::newRow("garbled, then noise, held")
            << QStringList{"--garble-after", "0", "--garbage", "2", "--latency", "16"} << QStringList{"0 open", "3 x\r"}
            << QStringList{"0.000 garble", "0.000 opened", "3.000 rx x", "16.000 garbled 0 " + nine,
                           "32.000 noise ????"}
            << QStringList{"9@16.000", "10@32.000"} << QByteArray(11, '?');
        QTest::newRow("garbled, then muted")
            << QStringList{"--garble-after", "1", "--mute-after", "2"} << x3
            << QStringList{"0.000 opened", "0.000 rx x", "0.000 garble", "10.417 tx 0 0B", "20.000 rx x",
                           "20.000 mute", "31.458 garbled 0 " + nine, "40.000 rx x", "40.000 drop 0 0B"}
            << QStringList{} << reply + QByteArray(9, '?');
        QTest::newRow("closing drops what is on its way")
            << QStringList{"--delay", "50"} << QStringList{"0 open", "0 x\r", "10 close"}
            << QStringList{"0.000 opened", "0.000 rx x", "10.000 closed", "10.000 drop 0 0B"} << QStringList{}
            << QByteArray("");
        QTest::newRow("nobody listens")
            << QStringList{} << QStringList{"0 open", "0 x\r", "4 close", "5 x\r", "20 open", "25 x\r"}
            << QStringList{"0.000 opened", "0.000 rx x", "4.000 closed", "4.000 drop 0 0B", "5.000 rx x",
                           "15.417 drop 0 0B", "20.000 opened", "25.000 rx x", "35.417 tx 0 0B"}
            << QStringList{"0@3.125", "1@28.125"} << "x" + reply;
        QTest::newRow("flood at the line's pace")
            << QStringList{"--flood", "0.05"} << QStringList{"0 open", "0 x\r", "60 x\r"}
            << QStringList{"0.000 opened", "0.000 rx x", "0.000 flood-start", "0.000 drop 0 0B",
                           "50.000 flood-end", "60.000 rx x", "70.417 tx 0 0B"}
            << QStringList{"0@1.042", "47@50.000", "48@63.125"} << QByteArray(48, '?') + reply;
        QTest::newRow("instant flood, then replies")
            << QStringList{"--flood", "0.05", "--line-rate", "0"} << QStringList{"0 open", "0 x\r", "60 x\r"}
            << QStringList{"0.000 opened", "0.000 rx x", "0.000 flood-start", "0.000 drop 0 0B",
                           "50.000 flood-end", "60.000 rx x", "60.000 tx 0 0B"}
            << QStringList{"8191@0.000", "8192@60.000"} << QByteArray();
        QTest::newRow("stall: what is on its way still arrives")
            << QStringList{"--stall-after", "2"} << QStringList{"0 open", "0 d 1\r", "10 x\rx\r", "20 x\r"}
            << QStringList{"0.000 opened", "0.000 rx d 1", "10.000 rx x", "10.000 stall", "20.417 tx 0 0B"}
            << QStringList{} << reply;
    }

    void timeline()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, feed);
        QFETCH(QStringList, log);
        QFETCH(QStringList, bytes);
        QFETCH(QByteArray, stream);
        const Run run = drive(args + QStringList{"--value", "0=0x0B", "--value", "5=0xC4"}, feed, 200.0);
        QCOMPARE(run.log, withWildcards(log, run.log));
        for (const QString &byte : bytes)
            QCOMPARE(run.times.value(byte.section('@', 0, 0).toInt()), byte.section('@', 1));
        if (stream.isNull())
            return;
        QCOMPARE(run.stream.size(), stream.size());
        for (qsizetype i = 0; i < stream.size(); ++i) {
            if (stream[i] != '?')
                QCOMPARE(run.stream[i], stream[i]);
        }
    }

    void garbled_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("after"); // answers before the garble
        QTest::newRow("from the start") << QStringList{"--garble-after", "0"} << 0;
        QTest::newRow("after 3, another seed") << QStringList{"--garble-after", "3", "--seed", "7"} << 3;
        QTest::newRow("after 5, with noise, held")
            << QStringList{"--garble-after", "5", "--garbage", "4", "--garbage-every", "3", "--latency", "16"} << 5;
    }

    // Many answers, so a '>' slipping through one byte in 256 would show.
    void garbled()
    {
        QFETCH(QStringList, args);
        QFETCH(int, after);
        constexpr int kMeasures = 240;
        const QStringList feed{"0 open", "0 " + QString("x\r").repeated(kMeasures)};
        const Run run = drive(args + QStringList{"--value", "0=0x0B"}, feed, 5000.0);

        QCOMPARE(run.log.filter(QRegularExpression("^\\S+ tx 0 0B$")).size(), after);
        const QStringList garbled = run.log.filter(QRegularExpression("^\\S+ garbled 0 [0-9A-F]{18}$"));
        QCOMPARE(garbled.size(), kMeasures - after);
        QCOMPARE(run.log.filter(" garble").size(), kMeasures - after + 1);
        QCOMPARE(streamFromLog(run.log), run.stream);

        QByteArray bytes;
        for (const QString &line : garbled)
            bytes += QByteArray::fromHex(line.section(' ', -1).toLatin1());
        QVERIFY(!bytes.contains('>'));
        const auto firstGarbled = run.log.indexOf(garbled.first());
        QVERIFY(run.log.lastIndexOf(QRegularExpression(" tx ")) < firstGarbled);
        QVERIFY(QSet<char>(bytes.begin(), bytes.end()).size() > 200); // random, not a few values

        QCOMPARE(drive(args + QStringList{"--value", "0=0x0B"}, feed, 5000.0).stream, run.stream);
        QVERIFY(drive(args + QStringList{"--value", "0=0x0B", "--seed", "99"}, feed, 5000.0).stream != run.stream);
    }
};

QTEST_GUILESS_MAIN(TestFaultPolicy)
#include "tst_faultpolicy.moc"
