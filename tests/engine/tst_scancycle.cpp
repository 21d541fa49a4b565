#include "enginefixture.h"

#include "model/nextchannel.h"
#include "timing/precisewake.h"

#include <QTest>

namespace {
// The scan's wake, told by the test when it falls due.
class TestWake : public PreciseWake {
public:
    void arm(int ms) override { armedMs = ms; }
    void cancel() override { armedMs = -1; }
    int armedMs = -1;
};
} // namespace

class TestScanCycle : public QObject {
    Q_OBJECT
private slots:
    void selectSequence_data();
    void selectSequence();
    void timersHandOver();
    void firstWaitIsOneSecond_data();
    void firstWaitIsOneSecond();
    void bytesOfOneStep();
    void wakeRunsTheDueTick();
};

void TestScanCycle::selectSequence_data()
{
    QTest::addColumn<QList<int>>("chosen");
    QTest::addColumn<int>("startIdx");
    QTest::addColumn<QString>("codes");

    QList<int> all;
    for (int i = 0; i < 18; ++i)
        all << i;
    QTest::newRow("all chosen") << all << 0 << "123456789ABCDEFVP012";
    QTest::newRow("only 3 and 12") << QList<int>{3, 12} << 0 << "3C03C03C0";
    QTest::newRow("only 0") << QList<int>{0} << 0 << "00000";
    QList<int> no17 = all;
    no17.removeLast();
    QTest::newRow("17 out, from 16") << no17 << 16 << "0123";
    QTest::newRow("17 and 0 out, from 16") << QList<int>{2, 5, 16} << 16 << "025V025V";
    QTest::newRow("only 17") << QList<int>{17} << 0 << "PPPP";
    QTest::newRow("empty tail wraps to 0") << QList<int>{4} << 4 << "040";
}

void TestScanCycle::selectSequence()
{
    QFETCH(QList<int>, chosen);
    QFETCH(int, startIdx);
    QFETCH(QString, codes);

    EngineFixture f;
    std::bitset<kChannelCount> marks;
    for (int c : chosen)
        marks[c] = true;
    QString seen;
    qint16 idx = qint16(startIdx);
    for (int i = 0; i < codes.size(); ++i) {
        idx = nextChannel(idx, marks);
        seen += QChar(kChannels[idx].selectCode);
    }
    QCOMPARE(seen, codes);

    // The same walk through the timers, asking for the chosen channels at each tick.
    f.chosen = marks;
    f.engine.start();
    f.state.ChanIdx = qint16(startIdx);
    f.port->clearSent();
    QString selects;
    for (int i = 0; i < codes.size(); ++i) {
        f.tick(f.timer1());
        f.answer();
        f.tick(f.timer2());
        selects += f.sent().mid(6 * i + 4, 1); // "x\r" then "s ?\r"
    }
    QCOMPARE(selects, codes);
    QVERIFY(f.failures.isEmpty());
}

void TestScanCycle::timersHandOver()
{
    EngineFixture f;
    QCOMPARE(f.armedTimers(), 0);
    f.engine.start();
    for (int step = 0; step < 40; ++step) {
        QCOMPARE(f.armedTimers(), 1);
        QVERIFY(f.timer1()->isActive());
        f.tick(f.timer1());
        f.answer();
        QCOMPARE(f.armedTimers(), 1);
        QVERIFY(f.timer2()->isActive());
        QCOMPARE(f.timer2()->interval(), 20);
        f.tick(f.timer2());
        QCOMPARE(f.timer1()->interval(), 80);
    }
    f.engine.stop();
    QCOMPARE(f.armedTimers(), 0);
    QCOMPARE(f.timer1()->interval(), 80);
}

void TestScanCycle::firstWaitIsOneSecond_data()
{
    QTest::addColumn<int>("measuresInFirstRun");
    QTest::addColumn<bool>("selectInFirstRun");
    QTest::addColumn<int>("secondWait");

    QTest::newRow("stopped before any tick") << 0 << false << 1000;
    QTest::newRow("stopped after a measure only") << 1 << false << 1000;
    QTest::newRow("stopped after a select") << 1 << true << 80;
}

void TestScanCycle::firstWaitIsOneSecond()
{
    QFETCH(int, measuresInFirstRun);
    QFETCH(bool, selectInFirstRun);
    QFETCH(int, secondWait);

    EngineFixture f;
    f.engine.start();
    QVERIFY(f.timer1()->isActive());
    QCOMPARE(f.timer1()->interval(), 1000);
    QCOMPARE(f.timer1()->timerType(), Qt::PreciseTimer);
    if (measuresInFirstRun)
        f.tick(f.timer1());
    if (selectInFirstRun)
        f.tick(f.timer2());
    f.engine.stop();
    f.engine.start();
    QCOMPARE(f.timer1()->interval(), secondWait);
    QVERIFY(f.timer1()->isActive());
    QVERIFY(!f.timer2()->isActive());
}

void TestScanCycle::bytesOfOneStep()
{
    EngineFixture f;
    f.runToSecondMeasure();
    QCOMPARE(f.port->writes, (QList<QByteArray>{"d 1", "\r", "s ", "0", "\r", "x", "\r", "s ", "1", "\r", "x", "\r"}));
    QCOMPARE(f.state.ChanIdx, qint16(1));
}

// The wake runs each tick as it falls due, one at a time, and none once the run has stopped.
void TestScanCycle::wakeRunsTheDueTick()
{
    Startup state;
    auto *port = new FakeCommPort;
    auto *wake = new TestWake;
    ScanEngine engine(state, port, wake, [] { return std::bitset<kChannelCount>().set(); });
    engine.start();
    QCOMPARE(wake->armedMs, 1000);
    port->clearSent();
    emit wake->due();
    QCOMPARE(port->sent(), QByteArray("x\r"));
    QCOMPARE(wake->armedMs, 20);
    QVERIFY(!engine.Timer1->isActive());
    port->feed(FakeCommPort::reply(0x42));
    emit wake->due();
    QCOMPARE(port->sent(), QByteArray("x\rs 1\r"));
    QCOMPARE(wake->armedMs, 80);
    QVERIFY(!engine.Timer2->isActive());
    engine.stop();
    QCOMPARE(wake->armedMs, -1);
    emit wake->due();
    QCOMPARE(port->sent(), QByteArray("x\rs 1\r"));
}

QTEST_GUILESS_MAIN(TestScanCycle)
#include "tst_scancycle.moc"
