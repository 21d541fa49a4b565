#include "wire/terminals.h"

#include <QTest>

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
    QTest::addColumn<QByteArray>("active");  // /sys/class/tty/console/active
    QTest::addColumn<QString>("device");     // links followed
    QTest::addColumn<bool>("console");

    const QByteArray serial = "ttyS0                -W- (EC  p a)    4:64\n";
    const QByteArray vt = "tty0                 -WU (EC  p  )    4:1\n";
    QTest::newRow("the serial console") << serial << QByteArray("ttyS0\n") << "/dev/ttyS0" << true;
    QTest::newRow("the port beside it") << serial << QByteArray("ttyS0\n") << "/dev/ttyS1" << false;
    QTest::newRow("tty0 stands for tty1, in front") << vt << QByteArray("tty0\n") << "/dev/tty1" << true;
    QTest::newRow("a terminal not in front") << vt << QByteArray("tty0\n") << "/dev/tty2" << false;
    QTest::newRow("registered, not enabled") << QByteArray("ttyS1 -W- (    p a) 4:65\n") << QByteArray() << "/dev/ttyS1"
                                             << false;
    QTest::newRow("named only as active") << QByteArray() << QByteArray("ttyAMA0\n") << "/dev/ttyAMA0" << true;
    QTest::newRow("the console device") << QByteArray() << QByteArray() << "/dev/console" << true;
}

void TestTerminals::consoles()
{
    QFETCH(QByteArray, procConsoles);
    QFETCH(QByteArray, active);
    QFETCH(QString, device);
    QFETCH(bool, console);
    const QStringList names = consoleTerminals(procConsoles, active, QStringLiteral("tty1"));
    QCOMPARE(names.contains(terminalName(device)), console);
}

void TestTerminals::controllingTerminals_data()
{
    QTest::addColumn<QByteArray>("stat");
    QTest::addColumn<quint32>("minor"); // of pseudo-terminal major 136; 0: none at all
    QTest::newRow("a login shell on pts/3") << QByteArray("4242 (bash) S 4200 4242 4242 34819 4300 0\n") << 3u;
    QTest::newRow("a daemon without one") << QByteArray("800 (sshd) S 1 800 800 0 -1 4194560 0\n") << 0u;
    QTest::newRow("blanks and parentheses in the name") << QByteArray("77 (a) S (b)) S 1 77 77 34820 77 0\n") << 4u;
    QTest::newRow("pts/300") << QByteArray("90 (sh) S 1 90 90 1083436 90 0\n") << 300u;
    QTest::newRow("cut short") << QByteArray("90 (sh) S 1 90") << 0u;
}

// A pseudo-terminal is a session's only when the numbers match in full.
void TestTerminals::controllingTerminals()
{
    QFETCH(QByteArray, stat);
    QFETCH(quint32, minor);
    const std::optional<TerminalNumber> found = controllingTerminal(stat);
    QCOMPARE(found.has_value(), minor != 0);
    const TerminalNumber its{136, minor};
    const TerminalNumber next{136, minor + 1};
    QVERIFY(!found || *found == its);
    QVERIFY(found != next);
}

QTEST_APPLESS_MAIN(TestTerminals)
#include "tst_terminals.moc"
