#include "fakecommport.h"
#include "failureof.h"

#include <QTest>

namespace {
const QString kHint = QStringLiteral(", not a board's line, so nothing was sent to it (plug the board's adapter in, "
                                     "or name its device in ORVANE_COM1 or with --device)");
const QString kNoAdapter = QStringLiteral("no USB serial adapter is plugged in");
} // namespace

// The port never opens the system's console or a login session's terminal, and
// says why it opened the device it did when it fell back to it.
class TestSystemTerminals : public QObject {
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void fallbackIsTold_data();
    void fallbackIsTold();
};

void TestSystemTerminals::refused_data()
{
    QTest::addColumn<QString>("given");    // what Com1 opens
    QTest::addColumn<QString>("device");   // where links lead
    QTest::addColumn<QString>("fallback"); // why Com1 fell back to it
    QTest::addColumn<QString>("message");  // after "Com1 (given): cannot open: "; empty: it opens

    const QString console = "it is the system's console" + kHint;
    const QString session = "it is the terminal of a login session" + kHint;
    QTest::newRow("the serial console") << "/dev/ttyS0" << "/dev/ttyS0" << "" << console;
    QTest::newRow("a link to the console") << "/dev/serial0" << "/dev/ttyS0" << "" << console;
    QTest::newRow("the console device") << "/dev/console" << "/dev/console" << "" << console;
    QTest::newRow("the console, fallen back to")
        << "/dev/ttyS0" << "/dev/ttyS0" << kNoAdapter
        << console + " (" + kNoAdapter + ", so Com1 fell back to /dev/ttyS0)";
    QTest::newRow("a login session's terminal") << "/dev/pts/3" << "/dev/pts/3" << "" << session;
    QTest::newRow("a link to it") << "/tmp/board" << "/dev/pts/3" << "" << session;
    QTest::newRow("a pseudo-terminal that is no one's") << "/dev/pts/4" << "/dev/pts/4" << "" << "";
    QTest::newRow("another serial port, fallen back to") << "/dev/ttyS1" << "/dev/ttyS1" << kNoAdapter << "";
}

void TestSystemTerminals::refused()
{
    QFETCH(QString, given);
    QFETCH(QString, device);
    QFETCH(QString, fallback);
    QFETCH(QString, message);

    FakeLockHost locks;
    locks.links.insert(given, device);
    FakeTerminalHost terminals;
    terminals.sessions.insert(QStringLiteral("/dev/pts/3"));
    FakeCommPort port;
    port.locks = &locks;
    port.terminals = &terminals;
    port.devices.insert(1, given);
    port.fallbacks.insert(1, fallback);
    const Caught failure = caught([&] {
        port.open();
        port.write("d 1\r");
    });
    if (message.isEmpty()) {
        QCOMPARE(failure.text, QString());
        QCOMPARE(port.sent(), QByteArray("d 1\r"));
        QVERIFY(!locks.files.isEmpty());
        return;
    }
    QCOMPARE(failure.text, QStringLiteral("Com1 (%1): cannot open: %2").arg(given, message));
    QCOMPARE(failure.kind, Failure::Console);
    QVERIFY(!port.isOpen());
    QCOMPARE(port.opens, 0);
    QVERIFY(port.writes.isEmpty());
    QVERIFY(locks.files.isEmpty());
}

void TestSystemTerminals::fallbackIsTold_data()
{
    QTest::addColumn<QString>("fallback");
    QTest::addColumn<int>("failure"); // 0 the device is missing, 1 another's lock file, 2 lost once open
    QTest::addColumn<QString>("message"); // after "Com1 (/dev/fake1): "

    const QString note = " (" + kNoAdapter + ", so Com1 fell back to /dev/fake1)";
    const QString missing = QStringLiteral("cannot open: No such file or directory");
    const QString held = QStringLiteral("cannot open: the device is in use by another program "
                                        "(minicom, process 4242; lock file /run/lock/LCK..fake1)");
    const QString lost = QStringLiteral("the connection was lost: the device was unplugged or hung up");
    QTest::newRow("missing, fallen back to") << kNoAdapter << 0 << missing + note;
    QTest::newRow("missing, named or an adapter") << "" << 0 << missing;
    QTest::newRow("another's lock file, fallen back to") << kNoAdapter << 1 << held + note;
    QTest::newRow("lost, fallen back to") << kNoAdapter << 2 << lost;
}

void TestSystemTerminals::fallbackIsTold()
{
    QFETCH(QString, fallback);
    QFETCH(int, failure);
    QFETCH(QString, message);

    FakeLockHost locks;
    locks.running.insert(4242, QStringLiteral("minicom"));
    if (failure == 1)
        locks.files.insert(QStringLiteral("/run/lock/LCK..fake1"), "      4242\n");
    FakeCommPort port;
    port.locks = &locks;
    port.fallbacks.insert(1, fallback);
    if (failure == 0)
        port.openFailure = DeviceError{Failure::NotFound, QStringLiteral("No such file or directory")};
    QString text = caught([&] { port.open(); }).text;
    if (failure == 2) {
        QObject::connect(&port, &CommPort::failed, [&](Failure, const QString &told) { text = told; });
        port.failNow();
    }
    QCOMPARE(text, "Com1 (/dev/fake1): " + message);
}

QTEST_GUILESS_MAIN(TestSystemTerminals)
#include "tst_systemterminals.moc"
