#include "enginefixture.h"

#include <QTest>

namespace {
const QString kLabel = QStringLiteral("Com1 (/dev/fake1): ");

bool isScanning(const EngineFixture &f)
{
    return f.engine.isRunning() && f.port->isOpen() && f.armedTimers() == 1;
}
} // namespace

// How a run ends on a failure: at the step that found it, once, with the port closed.
class TestRunFailures : public QObject {
    Q_OBJECT
private slots:
    void failureEndsTheRun_data();
    void failureEndsTheRun();
    void boardGoesQuiet_data();
    void boardGoesQuiet();
};

void TestRunFailures::failureEndsTheRun_data()
{
    QTest::addColumn<int>("where"); // 0 start, 1 Timer1 tick, 2 Timer2 tick
    QTest::addColumn<int>("how");   // 0 from write, 1 from flush, 2 later from the event loop
    QTest::addColumn<QString>("message");
    QTest::addColumn<Failure>("kind");

    const char *wheres[] = {"start", "measure tick", "select tick"};
    const QString lost = QStringLiteral("the connection was lost: the device was unplugged or hung up");
    const QString full = QStringLiteral("cannot write: the device takes no data (Resource temporarily unavailable)");
    for (int where = 0; where < 3; ++where) {
        QTest::addRow("%s, write fails", wheres[where]) << where << 0 << lost << Failure::Lost;
        QTest::addRow("%s, flush finds no room", wheres[where]) << where << 1 << full << Failure::Stalled;
        QTest::addRow("%s, then the line is lost", wheres[where]) << where << 2 << lost << Failure::Lost;
    }
}

// Wherever a failure surfaces, the first one ends the run at that step and is told once.
void TestRunFailures::failureEndsTheRun()
{
    QFETCH(int, where);
    QFETCH(int, how);
    QFETCH(QString, message);
    QFETCH(Failure, kind);

    EngineFixture f;
    if (where > 0)
        f.engine.start();
    if (where > 1)
        f.tick(f.timer1());
    f.port->clearSent();

    if (how == 0)
        f.port->writeFailure = FakeCommPort::ioError();
    else if (how == 1)
        f.port->stalled = true;
    QTimer *other = where == 1 ? f.timer2() : f.timer1();
    const int intervalBefore = other->interval();
    if (where == 0)
        QCOMPARE(f.engine.start(), how == 2);
    else
        f.tick(where == 1 ? f.timer1() : f.timer2());
    if (how == 2) {
        QVERIFY(f.failures.isEmpty());
        f.port->failLater();
        QTRY_COMPARE(f.failures.size(), 1);
    }

    QVERIFY(f.isIdle());
    QCOMPARE(f.failures, QStringList{kLabel + message});
    QCOMPARE(f.kinds, QList<Failure>{kind});
    // The handler stopped at the failing write: nothing after it ran.
    if (how < 2 && where > 0)
        QCOMPARE(other->interval(), intervalBefore);
    const qsizetype written = f.port->writes.size();

    // Nothing keeps ticking, so nothing more is sent or told.
    QTest::qWait(150);
    QCOMPARE(f.failures.size(), 1);
    QCOMPARE(f.port->writes.size(), written);

    // With the line back, a run starts again.
    f.port->writeFailure.reset();
    f.port->stalled = false;
    QVERIFY(f.engine.start());
    QVERIFY(isScanning(f));
    QCOMPARE(f.failures.size(), 1);
}

void TestRunFailures::boardGoesQuiet_data()
{
    QTest::addColumn<QByteArray>("answer"); // to each measure command once it goes quiet
    QTest::addColumn<qint64>("unsent");     // bytes the driver holds
    QTest::addColumn<QString>("message");
    QTest::addColumn<Failure>("kind");
    QTest::addColumn<QString>("fallback"); // why Com1 fell back to its device

    const QString unreadable = QStringLiteral("the board's replies cannot be read: %1 bytes in reply to the last 16 "
                                              "measure commands, none a reading (check that the board runs at 9600 "
                                              "baud)");
    QTest::newRow("nothing") << QByteArray() << qint64(0)
                             << "the board does not answer: no reply to the last 16 measure commands "
                                "(check that it is powered and wired to the adapter)"
                             << Failure::BoardSilent << "";
    QTest::newRow("bytes of another speed") << QByteArray("\xf0\x0f\xaa\x55\x81\x7e\x03\xc0\x11") << qint64(0)
                                            << unreadable.arg(144) << Failure::BoardUnreadable << "";
    QTest::newRow("commands left unsent") << QByteArray() << qint64(6)
                                          << "cannot write: the device takes no data (6 bytes are still waiting)"
                                          << Failure::Stalled << "";
    QTest::newRow("malformed replies") << QByteArray("x\r\nZZ\r\n>") << qint64(0) << unreadable.arg(128)
                                       << Failure::BoardUnreadable << "";
    const QString none = QStringLiteral("no USB serial adapter is plugged in");
    QTest::newRow("nothing, from the device fallen back to")
        << QByteArray() << qint64(0)
        << "the board does not answer: no reply to the last 16 measure commands (check that it is powered and wired "
           "to the adapter) (" + none + ", so Com1 fell back to /dev/fake1)"
        << Failure::BoardSilent << none;
}

// A run whose board stops answering ends with one failure, and nothing is sent after it.
void TestRunFailures::boardGoesQuiet()
{
    QFETCH(QByteArray, answer);
    QFETCH(qint64, unsent);
    QFETCH(QString, message);
    QFETCH(Failure, kind);
    QFETCH(QString, fallback);

    EngineFixture f;
    f.port->fallbacks.insert(1, fallback);
    f.engine.start();
    for (int step = 0; step < 5; ++step) {
        f.tick(f.timer1());
        f.answer(0x20 + step);
        f.tick(f.timer2());
    }
    f.port->driverHolds = unsent;
    int measures = 0;
    while (f.failures.isEmpty() && measures < 40) {
        f.tick(f.timer1());
        if (!f.timer2()->isActive())
            break;
        ++measures;
        if (!answer.isEmpty())
            f.port->feed(answer);
        f.tick(f.timer2());
    }
    QCOMPARE(measures, 16);
    QVERIFY(f.isIdle());
    QCOMPARE(f.failures, QStringList{kLabel + message});
    QCOMPARE(f.kinds, QList<Failure>{kind});
    // The measure command that found it was never sent.
    QVERIFY(f.port->sent().endsWith("s 3\r"));

    f.port->driverHolds = 0;
    QVERIFY(f.engine.start());
    QVERIFY(isScanning(f));
    QCOMPARE(f.failures.size(), 1);
}

QTEST_GUILESS_MAIN(TestRunFailures)
#include "tst_runfailures.moc"
