#include "timing/precisewake.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class TestPreciseWake : public QObject {
    Q_OBJECT
private slots:
    void toldOnceForTheLastArm_data();
    void toldOnceForTheLastArm();
};

void TestPreciseWake::toldOnceForTheLastArm_data()
{
    QTest::addColumn<QList<int>>("arms"); // ms, one after another at once; -1 cancels
    QTest::addColumn<int>("dueMs");      // -1: never

    QTest::newRow("one arm") << QList<int>{30} << 30;
    QTest::newRow("re-armed later") << QList<int>{5, 40} << 40;
    QTest::newRow("re-armed sooner") << QList<int>{200, 10} << 10;
    QTest::newRow("cancelled") << QList<int>{5, -1} << -1;
    QTest::newRow("cancelled, then armed") << QList<int>{5, -1, 20} << 20;
}

// A wake replaced before it fell due is never told: it would run a tick early.
void TestPreciseWake::toldOnceForTheLastArm()
{
    QFETCH(QList<int>, arms);
    QFETCH(int, dueMs);
    const std::unique_ptr<PreciseWake> wake = makePreciseWake();
    if (!wake)
        QSKIP("Qt's own timers are used on this system");
    QSignalSpy due(wake.get(), &PreciseWake::due);
    QElapsedTimer clock;
    clock.start();
    for (int ms : arms) {
        if (ms < 0)
            wake->cancel();
        else
            wake->arm(ms);
    }
    if (dueMs < 0) {
        QVERIFY(!due.wait(100));
        return;
    }
    QVERIFY(due.wait(2000));
    // Told early by at most the fraction of a millisecond that counts as on time.
    QVERIFY2(clock.elapsed() >= dueMs - 1, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!due.wait(100));
    QCOMPARE(due.count(), 1);
}

QTEST_GUILESS_MAIN(TestPreciseWake)
#include "tst_precisewake.moc"
