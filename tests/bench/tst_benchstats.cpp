#include "bench/followrows.h"
#include "bench/replies.h"
#include "bench/stats.h"

#include <QTest>

#include <cmath>

using Samples = std::vector<double>;
Q_DECLARE_METATYPE(Samples)

namespace {
// Equal to a microsecond, NaN only to NaN.
bool same(double a, double b)
{
    return std::isnan(a) ? std::isnan(b) : std::abs(a - b) < 1e-6;
}

// The simulator's log of these replies, each asked for a millisecond before it is written.
QByteArray simLog(const QByteArray &replies)
{
    QByteArray log;
    for (const QByteArray &tx : replies.split('\n'))
        log += QByteArray::number(tx.split(' ').value(0).toDouble() - 0.001, 'f', 4) + " rx x\n" + tx + '\n';
    return log;
}
} // namespace

class TestBenchStats : public QObject {
    Q_OBJECT
private slots:
    void percentiles_data();
    void percentiles();
    void replies_data();
    void replies();
    void followerRows_data();
    void followerRows();
};

void TestBenchStats::percentiles_data()
{
    QTest::addColumn<Samples>("samples");
    QTest::addColumn<double>("p99");
    QTest::addColumn<double>("median");
    Samples hundred;
    for (int i = 100; i >= 1; --i)
        hundred.push_back(i);
    QTest::newRow("none") << Samples{} << std::nan("") << std::nan("");
    QTest::newRow("one") << Samples{4} << 4.0 << 4.0;
    QTest::newRow("odd count, unsorted") << Samples{9, 1, 5} << 9.0 << 5.0;
    QTest::newRow("even count") << Samples{1, 2, 3, 10} << 10.0 << 2.5;
    QTest::newRow("hundred: the 99th ranked") << hundred << 99.0 << 50.5;
}

void TestBenchStats::percentiles()
{
    QFETCH(Samples, samples);
    QFETCH(double, p99);
    QFETCH(double, median);
    QVERIFY(same(percentile(samples, 99), p99));
    QVERIFY(same(::median(samples), median));
}

void TestBenchStats::replies_data()
{
    QTest::addColumn<QByteArray>("sim");
    QTest::addColumn<QByteArray>("trace");
    QTest::addColumn<QByteArray>("fates");
    QTest::addColumn<double>("toLabelP99");
    QTest::newRow("own row, label painted later")
        << simLog("1.000 tx 3 75")
        << QByteArray("0.950 label 3 90\n1.002 handled OrvaneCom 52000 3 1 117 1\n1.004 label 2 8\n1.005 label 3 117")
        << QByteArray("shown") << 5.0;
    QTest::newRow("own row, text unchanged")
        << simLog("1.000 tx 3 75") << QByteArray("1.002 handled OrvaneCom 52000 3 0 117 1") << QByteArray("shown") << 2.0;
    QTest::newRow("handled before the simulator logged it")
        << simLog("1.000 tx 3 75") << QByteArray("0.9998 handled OrvaneCom 52000 3 0 117 1") << QByteArray("shown") << -0.2;
    // The later reading of channel 3 with the same value is the second reply's, not the first's.
    QTest::newRow("next row, never matched to a later reading")
        << simLog("1.000 tx 3 75\n2.800 tx 3 75")
        << QByteArray("1.024 handled OrvaneCom 40000 4 1 117 1\n1.026 label 4 117\n2.801 handled OrvaneCom 40000 3 0 117 1")
        << QByteArray("wrong shown") << 1.0;
    QTest::newRow("judged bad, then never taken")
        << simLog("1.000 tx 3 75\n1.100 tx 4 10") << QByteArray("1.002 handled OrvaneCom 9000 3 0 117 0")
        << QByteArray("none none") << std::nan("");
    // Late for the first, the panel took both in one burst: the first drawn in the
    // second's row, the second lost; the third is its own again.
    QTest::newRow("two replies taken in one burst")
        << simLog("1.000 tx 3 75\n1.100 tx 4 10\n1.200 tx 5 20")
        << QByteArray("1.101 handled OrvaneCom 90000 4 1 117 1\n1.103 label 4 117\n"
                      "1.202 handled OrvaneCom 50000 5 1 32 1\n1.206 label 5 32")
        << QByteArray("wrong none shown") << 6.0;
    QTest::newRow("an event that took nothing is no later reply's")
        << simLog("1.000 tx 3 75\n1.100 tx 4 10")
        << QByteArray("1.002 handled OrvaneCom 52000 3 0 117 1\n1.003 handled OrvaneCom 3000 3 0 117 0\n"
                      "1.103 handled OrvaneCom 52000 4 0 16 1")
        << QByteArray("shown shown") << 3.0;
}

void TestBenchStats::replies()
{
    QFETCH(QByteArray, sim);
    QFETCH(QByteArray, trace);
    QFETCH(QByteArray, fates);
    QFETCH(double, toLabelP99);
    const std::vector<LogLine> traced = parseEventLog(trace);
    const std::vector<Outcome> outcomes =
        followReplies(repliesSent(parseEventLog(sim)), receiveEvents(traced), labelPaints(traced));
    QByteArrayList got;
    for (const Outcome &o : outcomes)
        got << (o.fate == Fate::Shown ? "shown" : o.fate == Fate::WrongRow ? "wrong" : "none");
    QCOMPARE(got.join(' '), fates);
    const ReplyFigures f = replyFigures(outcomes, 0, 10);
    QCOMPARE(f.wrongRow, int(fates.count("wrong")));
    QCOMPARE(f.notDrawn, int(fates.count("none")));
    QVERIFY2(same(f.toLabelMsP99, toLabelP99), qPrintable(QString::number(f.toLabelMsP99)));
}

void TestBenchStats::followerRows_data()
{
    // A row each second from 05:00:0N, its reading N unless given; a recording is a list of N.
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<int>("differing");
    QTest::newRow("the same rows") << QByteArray("1 2 3") << QByteArray("1 2 3") << 0;
    QTest::newRow("one began later and ended sooner") << QByteArray("1 2 3 4") << QByteArray("2 3") << 0;
    QTest::newRow("one missed a row between") << QByteArray("1 2 3 4") << QByteArray("1 2 4") << 1;
    QTest::newRow("a reading differs") << QByteArray("1 2 3") << QByteArray("1 2=7 3") << 2;
    QTest::newRow("one has no rows") << QByteArray("1 2 3") << QByteArray() << 3;
}

void TestBenchStats::followerRows()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, differing);
    const auto csv = [](const QByteArray &list) {
        QByteArray text = "time,elapsed_s,channel,reading\r\n";
        for (const QByteArray &row : list.split(' '))
            if (!row.isEmpty())
                text += "2026-12-09T05:00:0" + row.left(1) + ".000Z," + row.left(1) + ".000,E1,"
                        + row.split('=').last() + "\r\n";
        return csvRows(text);
    };
    QCOMPARE(int(csv(a).size()), int(a.split(' ').size()));
    QCOMPARE(rowsDiffering(csv(a), csv(b)), differing);
    QCOMPARE(rowsDiffering(csv(b), csv(a)), differing);
}

QTEST_APPLESS_MAIN(TestBenchStats)
#include "tst_benchstats.moc"
