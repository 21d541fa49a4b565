#include "enginefixture.h"

#include <QTest>

namespace {
const auto reply = FakeCommPort::reply;
using Reading = std::pair<qint16, int>;
} // namespace

// Bytes from the line into readings, each for the channel its measure command read.
class TestReadings : public QObject {
    Q_OBJECT
private slots:
    void bursts_data();
    void bursts();
    void replyWaitingAtTheNextMeasure();
    void driverAskedAtTheMeasureOnlyWhileAReplyIsOwed_data();
    void driverAskedAtTheMeasureOnlyWhileAReplyIsOwed();
    void replyWaitingUnwatchedAtTheSelect_data();
    void replyWaitingUnwatchedAtTheSelect();
    void lineNotWatchedWhileAWholeReplyCrosses_data();
    void lineNotWatchedWhileAWholeReplyCrosses();
};

void TestReadings::bursts_data()
{
    QTest::addColumn<QList<QByteArray>>("arrivals");
    QTest::addColumn<int>("reading"); // the last one told, for channel 2

    QTest::newRow("one reply") << QList<QByteArray>{reply(0x41)} << 65;
    QTest::newRow("leftover is noise before the next") << QList<QByteArray>{"\r\n", reply(0x41)} << 65;
    QTest::newRow("leftover, then a clean reply") << QList<QByteArray>{"\r\n", reply(0x41), reply(0x42)} << 66;
    QTest::newRow("leftover joins into a reply") << QList<QByteArray>{"x\r\n", "2A\r\n>"} << 42;
    QTest::newRow("split reply") << QList<QByteArray>{"x\r\n7", "F\r\n>"} << 127;
    QTest::newRow("garbage digits") << QList<QByteArray>{"x\r\nZZ\r\n>", reply(9)} << 9;
}

void TestReadings::bursts()
{
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(int, reading);

    EngineFixture f;
    f.port->open();
    f.state.MeasIdx = 2;
    for (const QByteArray &bytes : arrivals)
        f.port->feed(bytes);
    QVERIFY(!f.readings.isEmpty());
    QCOMPARE(f.readings.last(), Reading(2, reading));
    QVERIFY(f.failures.isEmpty());
}

// On a busy machine the next measure tick may come before the reply's event:
// the reply is still the one its measure command asked for.
void TestReadings::replyWaitingAtTheNextMeasure()
{
    EngineFixture f;
    f.runToSecondMeasure();
    f.port->arriveUnseen(reply(0x60));
    f.tick(f.timer2());
    f.tick(f.timer1());
    QCOMPARE(f.state.MeasIdx, qint16(2));
    QCOMPARE(f.readings, QList<Reading>{Reading(1, 0x60)});
    QCOMPARE(f.port->waiting(), 0);
}

void TestReadings::driverAskedAtTheMeasureOnlyWhileAReplyIsOwed_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("asked");

    QTest::newRow("answered") << reply(0x41) << 0;
    QTest::newRow("only its start in") << QByteArray("x\r\n4") << 1;
    QTest::newRow("no answer") << QByteArray() << 1;
}

// A late reply is looked for at the next measure only when the last one is still owed.
void TestReadings::driverAskedAtTheMeasureOnlyWhileAReplyIsOwed()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, asked);

    EngineFixture f;
    f.engine.start();
    f.tick(f.timer1());
    if (!answer.isEmpty())
        f.port->feed(answer);
    f.tick(f.timer2());
    f.port->waitingAsked = 0;
    f.tick(f.timer1());
    QCOMPARE(f.port->waitingAsked, asked);
}

void TestReadings::replyWaitingUnwatchedAtTheSelect_data()
{
    QTest::addColumn<bool>("stillUnwatched");
    QTest::addColumn<int>("toldBeforeTheSelect");

    QTest::newRow("line not watched yet: read first") << true << 1;
    QTest::newRow("watched again: its event tells it") << false << 0;
}

// A tick that comes before the line is watched again reads the reply before
// the next command goes, without asking the driver on every step.
void TestReadings::replyWaitingUnwatchedAtTheSelect()
{
    QFETCH(bool, stillUnwatched);
    QFETCH(int, toldBeforeTheSelect);

    EngineFixture f;
    f.runToSecondMeasure();
    f.port->quiet = stillUnwatched;
    f.port->arriveUnseen(reply(0x60));
    int writesWhenTold = -1;
    QObject::connect(&f.engine, &ScanEngine::reading, &f.engine,
                     [&] { writesWhenTold = int(f.port->writes.size()); });
    const int writesBefore = int(f.port->writes.size());
    f.tick(f.timer2());
    QCOMPARE(f.readings.size(), toldBeforeTheSelect);
    if (stillUnwatched) {
        QCOMPARE(f.readings.first(), Reading(1, 0x60));
        QCOMPARE(writesWhenTold, writesBefore);
    }
    QVERIFY(f.port->writes.size() > writesBefore);
    QVERIFY(!f.port->quiet);
}

void TestReadings::lineNotWatchedWhileAWholeReplyCrosses_data()
{
    QTest::addColumn<QByteArray>("firstAnswer");
    QTest::addColumn<QList<int>>("quietMs"); // asked of the port at the two measures

    // Ten characters at 9600 baud, "x" and CR out and the reply's eight back: 10.4 ms, rounded up.
    QTest::newRow("answered whole") << reply(0x41) << QList<int>{11, 11};
    QTest::newRow("its rest may come any moment") << QByteArray("x\r\n4") << QList<int>{11};
}

// Once a measure command is out, the port need not watch the line until its
// reply could have crossed it; but not while an earlier reply's rest is owed.
void TestReadings::lineNotWatchedWhileAWholeReplyCrosses()
{
    QFETCH(QByteArray, firstAnswer);
    QFETCH(QList<int>, quietMs);

    EngineFixture f;
    f.engine.start();
    f.tick(f.timer1());
    f.port->feed(firstAnswer);
    f.tick(f.timer2());
    f.tick(f.timer1());
    QCOMPARE(f.port->quietMs, quietMs);
}

QTEST_GUILESS_MAIN(TestReadings)
#include "tst_readings.moc"
