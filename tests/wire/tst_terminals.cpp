#include "wire/terminals.h"

#include <QTest>

Q_DECLARE_METATYPE(TerminalNumber)

class TestTerminals : public QObject {
    Q_OBJECT
private slots:
    void consoles_data();
    void consoles();
    void controllingTerminals_data();
    void controllingTerminals();
};

void TestTerminals::consoles_data()
{
    QTest::addColumn<QByteArray>("procConsoles");
    QTest::addColumn<QByteArray>("active"); // /sys/class/tty/console/active
    QTest::addColumn<QString>("foreground"); // what tty0 stands for
    QTest::addColumn<QString>("device");     // links followed
    QTest::addColumn<bool>("console");

    const QByteArray serial = "ttyS0                -W- (EC  p a)    4:64\n";
    const QByteArray virtualTerminal = "tty0                 -WU (EC  p  )    4:1\n";
    QTest::newRow("the serial console") << serial << QByteArray("ttyS0\n") << "" << "/dev/ttyS0" << true;
    QTest::newRow("the serial port beside it") << serial << QByteArray("ttyS0\n") << "" << "/dev/ttyS1" << false;
    QTest::newRow("tty0 stands for tty1") << virtualTerminal << QByteArray("tty0\n") << "tty1" << "/dev/tty1" << true;
    QTest::newRow("tty0 itself") << virtualTerminal << QByteArray("tty0\n") << "tty1" << "/dev/tty0" << true;
    QTest::newRow("a virtual terminal not in front")
        << virtualTerminal << QByteArray("tty0\n") << "tty1" << "/dev/tty2" << false;
    QTest::newRow("both, in one list") << serial + virtualTerminal << QByteArray("tty0 ttyS0\n") << "tty3"
                                       << "/dev/tty3" << true;
    QTest::newRow("registered, not enabled") << QByteArray("ttyS1                -W- (    p a)    4:65\n")
                                             << QByteArray() << "" << "/dev/ttyS1" << false;
    QTest::newRow("named only as active") << QByteArray() << QByteArray("ttyAMA0\n") << "" << "/dev/ttyAMA0" << true;
    QTest::newRow("the console device, nothing told") << QByteArray() << QByteArray() << "" << "/dev/console" << true;
    QTest::newRow("a USB adapter") << serial << QByteArray("ttyS0\n") << "" << "/dev/ttyUSB0" << false;
    QTest::newRow("a pseudo-terminal") << serial << QByteArray("ttyS0\n") << "" << "/dev/pts/3" << false;
    QTest::newRow("outside /dev") << serial << QByteArray("ttyS0\n") << "" << "/tmp/ttyS0" << false;
}

void TestTerminals::consoles()
{
    QFETCH(QByteArray, procConsoles);
    QFETCH(QByteArray, active);
    QFETCH(QString, foreground);
    QFETCH(QString, device);
    QFETCH(bool, console);
    QCOMPARE(consoleTerminals(procConsoles, active, foreground).contains(terminalName(device)), console);
}

void TestTerminals::controllingTerminals_data()
{
    QTest::addColumn<QByteArray>("stat");
    QTest::addColumn<TerminalNumber>("terminal"); // 0:0 for none
    QTest::addColumn<TerminalNumber>("other");    // a terminal that is not its

    const TerminalNumber none;
    const TerminalNumber pts3{136, 3};
    const TerminalNumber pts4{136, 4};
    QTest::newRow("a login shell on pts/3")
        << QByteArray("4242 (bash) S 4200 4242 4242 34819 4300 4194560 0 0\n") << pts3 << pts4;
    QTest::newRow("a process of the session on pts/4")
        << QByteArray("4300 (sleep) S 4242 4300 4242 34820 4300 4194304 0 0\n") << pts4 << pts3;
    QTest::newRow("getty on the serial console")
        << QByteArray("612 (agetty) S 1 612 612 1088 612 4194560 0\n") << TerminalNumber{4, 64} << pts3;
    QTest::newRow("a daemon without one") << QByteArray("800 (sshd) S 1 800 800 0 -1 4194560 0\n") << none << pts3;
    QTest::newRow("blanks and parentheses in its name")
        << QByteArray("77 (a) S (b)) S 1 77 77 34819 77 0\n") << pts3 << pts4;
    QTest::newRow("pts/300, a minor above 255")
        << QByteArray("90 (sh) S 1 90 90 1083436 90 0\n") << TerminalNumber{136, 300} << TerminalNumber{136, 44};
    QTest::newRow("cut short") << QByteArray("90 (sh) S 1 90") << none << pts3;
    QTest::newRow("no name") << QByteArray("90 sh S 1 90 90 34819") << none << pts3;
}

void TestTerminals::controllingTerminals()
{
    QFETCH(QByteArray, stat);
    QFETCH(TerminalNumber, terminal);
    QFETCH(TerminalNumber, other);
    const std::optional<TerminalNumber> found = controllingTerminal(stat);
    QCOMPARE(found.has_value(), terminal != TerminalNumber{});
    QVERIFY(found != other);
    if (found)
        QVERIFY(*found == terminal);
}

QTEST_APPLESS_MAIN(TestTerminals)
#include "tst_terminals.moc"
