#include "fakecommport.h"
#include "failureof.h"

#include <QTest>

// The port never opens the system's console or a login session's terminal, and
// says so when it fell back to its device for want of an adapter.
class TestSystemTerminals : public QObject {
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
};

void TestSystemTerminals::refused_data()
{
    QTest::addColumn<QString>("given");    // what Com1 opens; links lead to /dev/ttyS0
    QTest::addColumn<QString>("fallback"); // why Com1 fell back to it
    QTest::addColumn<bool>("missing");     // the device is not there
    QTest::addColumn<QString>("message");  // after "Com1 (given): cannot open: "; empty: it opens

    const QString hint = ", not a board's line, so nothing was sent to it (plug the board's adapter in, or name its "
                         "device in ORVANE_COM1 or with --device)";
    const QString console = "it is the system's console" + hint;
    const QString none = QStringLiteral("no USB serial adapter is plugged in");
    QTest::newRow("the serial console") << "/dev/ttyS0" << "" << false << console;
    QTest::newRow("a link to it") << "/dev/serial0" << "" << false << console;
    QTest::newRow("fallen back to it")
        << "/dev/ttyS0" << none << false << console + " (" + none + ", so Com1 fell back to /dev/ttyS0)";
    QTest::newRow("a login session's terminal")
        << "/dev/pts/3" << "" << false << "it is the terminal of a login session" + hint;
    QTest::newRow("this program's own terminal")
        << "/dev/tty" << "" << false << "it is the terminal of a login session" + hint;
    QTest::newRow("a pseudo-terminal that is no one's") << "/dev/pts/4" << "" << false << "";
    QTest::newRow("missing, fallen back to")
        << "/dev/ttyS1" << none << true
        << "No such file or directory (" + none + ", so Com1 fell back to /dev/ttyS1)";
}

void TestSystemTerminals::refused()
{
    QFETCH(QString, given);
    QFETCH(QString, fallback);
    QFETCH(bool, missing);
    QFETCH(QString, message);

    FakeLockHost locks;
    locks.links.insert(QStringLiteral("/dev/serial0"), QStringLiteral("/dev/ttyS0"));
    FakeTerminalHost terminals;
    terminals.sessions.insert(QStringLiteral("/dev/pts/3"));
    FakeCommPort port;
    port.locks = &locks;
    port.terminals = &terminals;
    port.devices.insert(1, given);
    port.fallbacks.insert(1, fallback);
    if (missing)
        port.openFailure = DeviceError{Failure::NotFound, QStringLiteral("No such file or directory")};
    const Caught failure = caught([&] {
        port.open();
        port.write("d 1\r");
    });
    QCOMPARE(failure.text, message.isEmpty() ? QString() : QStringLiteral("Com1 (%1): cannot open: %2").arg(given, message));
    QCOMPARE(port.sent(), message.isEmpty() ? QByteArray("d 1\r") : QByteArray());
    QCOMPARE(locks.files.isEmpty(), !message.isEmpty());
    if (!missing && !message.isEmpty()) {
        QCOMPARE(failure.kind, Failure::Console);
        QCOMPARE(port.opens, 0);
    }
}

QTEST_GUILESS_MAIN(TestSystemTerminals)
#include "tst_systemterminals.moc"
