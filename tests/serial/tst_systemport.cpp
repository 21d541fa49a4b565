#include "serial/systemport.h"

#include "failureof.h"
#include "procstats.h"
#include "ptypair.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>

namespace {
// The environment as it is, and no adapters: a port left unset names nothing real.
PortSource testPorts()
{
    PortSource source = PortSource::system();
    source.ports = [] { return QList<SerialPortEntry>{}; };
    return source;
}
} // namespace

class TestSystemPort : public QObject {
    Q_OBJECT
private slots:
    void init() { qunsetenv("ORVANE_COM1"); }
    void storedSettings();
    void writesArriveInOrder();
    void aCommandLeavesWhole();
    void receiveEventWaitsForEight();
    void inputStaysBounded();
    void replyToldOnceWholeAfterItsLineTime_data();
    void replyToldOnceWholeAfterItsLineTime();
    void failures_data();
    void failures();
    void deviceInUse();
    void stalledLineThrowsFromFlush_data();
    void stalledLineThrowsFromFlush();
    void openDropsStaleInput();
    void descriptionsFollowTheEnvironment();
};

void TestSystemPort::storedSettings()
{
    SystemCommPort port(testPorts());
    QCOMPARE(port.portNumber(), 1);
    QCOMPARE(port.settings(), QStringLiteral("9600,N,8,1"));
    QVERIFY(!port.isOpen());
    QCOMPARE(port.waiting(), 0);
    QCOMPARE(CommPort::kReceiveThreshold, 8);
    QCOMPARE(CommPort::kInBufferSize, 1024);
    QCOMPARE(CommPort::kOutBufferSize, 512);
    QCOMPARE(port.portLabel(), QStringLiteral("Com1 (/dev/ttyS0)"));
}

void TestSystemPort::writesArriveInOrder()
{
    Pty pty;
    QVERIFY(pty.isValid());
    qputenv("ORVANE_COM1", pty.path().toLocal8Bit());
    SystemCommPort port(testPorts());
    port.setPortNumber(1);
    port.setSettings(QStringLiteral("9600,N,8,1"));
    port.open();
    QVERIFY(port.isOpen());
    QCOMPARE(port.portLabel(), QStringLiteral("Com1 (%1)").arg(pty.path()));
    for (const char *piece : {"d 1", "\r", "x", "\r", "s ", "A", "\r"})
        port.write(QByteArray(piece));
    QTest::qWait(100); // writes leave from the event loop
    QCOMPARE(pty.receive(11, 2000), QByteArray("d 1\rx\rs A\r"));
    port.close();
    QVERIFY(!port.isOpen());
}

void TestSystemPort::aCommandLeavesWhole()
{
    Pty pty;
    pty.beCom1();
    SystemCommPort port(testPorts());
    port.open();
    port.write("s ", true);
    port.write("A", true);
    QCOMPARE(pty.receive(1, 100), QByteArray()); // the rest of the command is still to come
    port.write("\r", true);
    port.flush();
    QCOMPARE(pty.receive(4, 2000), QByteArray("s A\r"));
}

void TestSystemPort::receiveEventWaitsForEight()
{
    Pty pty;
    pty.beCom1();
    SystemCommPort port(testPorts());
    port.open();
    QSignalSpy received(&port, &CommPort::received);

    pty.send("x\r\n7F");
    QVERIFY(!received.wait(300));
    QCOMPARE(port.waiting(), 5);

    pty.send("\r\n>");
    QVERIFY(received.wait(2000));
    QCOMPARE(port.waiting(), 8);
    QCOMPARE(port.takeAll(), QByteArray("x\r\n7F\r\n>"));
    QCOMPARE(port.waiting(), 0);

    // A short remainder is kept and leads the next reply.
    pty.send("\r\n");
    QVERIFY(!received.wait(200));
    pty.send("x\r\n41\r\n>");
    QVERIFY(received.wait(2000));
    QTRY_COMPARE(port.waiting(), 10);
    QCOMPARE(port.takeAll(), QByteArray("\r\nx\r\n41\r\n>"));

    // What comes while an event is being told is not lost.
    QByteArray taken;
    connect(&port, &CommPort::received, &port, [&] {
        if (taken.isEmpty()) {
            pty.send("x\r\n43\r\n>");
            QThread::msleep(20);
        }
        taken += port.takeAll();
    });
    pty.send("x\r\n42\r\n>");
    QTRY_COMPARE(taken, QByteArray("x\r\n42\r\n>x\r\n43\r\n>"));
}

void TestSystemPort::inputStaysBounded()
{
    Pty pty;
    pty.beCom1();
    SystemCommPort port(testPorts());
    port.open();
    pty.send(QByteArray(3000, 'z'));
    QTest::qWait(300);
    QVERIFY(port.waiting() <= CommPort::kInBufferSize);
    QVERIFY(port.waiting() >= CommPort::kReceiveThreshold);
    // What the buffer could not hold is still there once room is made.
    qsizetype total = 0;
    for (int i = 0; i < 50 && total < 3000; ++i) {
        total += port.takeAll().size();
        QTest::qWait(20);
    }
    QCOMPARE(total, 3000);
}

void TestSystemPort::replyToldOnceWholeAfterItsLineTime_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("quietMs");
    QTest::addColumn<QString>("meanwhile"); // "take": takeAll; "listen": watched again at once

    // "x" and CR out, then eight characters back, rounded up to whole ms.
    QTest::newRow("9600 8N1") << QStringLiteral("9600,N,8,1") << 11 << QString();
    QTest::newRow("1200 7E2") << QStringLiteral("1200,E,7,2") << 92 << QString();
    QTest::newRow("taken from while it crosses") << QStringLiteral("9600,N,8,1") << 11 << QStringLiteral("take");
    QTest::newRow("115200: too short to wait for") << QStringLiteral("115200,N,8,1") << 0 << QString();
    QTest::newRow("watched again at once") << QStringLiteral("1200,E,7,2") << 0 << QStringLiteral("listen");
}

// A reply handed over faster than any line could carry it is told only once it
// could have crossed, in one event, whole; a fast line is not waited for at all.
void TestSystemPort::replyToldOnceWholeAfterItsLineTime()
{
    QFETCH(QString, settings);
    QFETCH(int, quietMs);
    QFETCH(QString, meanwhile);
    Pty pty;
    pty.beCom1();
    SystemCommPort port(testPorts());
    port.setSettings(settings);
    port.open();
    QSignalSpy received(&port, &CommPort::received);
    QElapsedTimer sinceCommand;
    sinceCommand.start();
    port.awaitReply(2, 8);
    if (meanwhile == u"take")
        QCOMPARE(port.takeAll(), QByteArray());
    if (meanwhile == u"listen") {
        QVERIFY(port.listenNow());
        QVERIFY(!port.listenNow());
    }
    pty.send("x\r\n7F\r\n>");
    QVERIFY(received.wait(2000));
    QVERIFY2(sinceCommand.elapsed() >= quietMs, qPrintable(QString::number(sinceCommand.elapsed())));
    // Told as it came, long before the 92 ms the line would have needed.
    if (meanwhile == u"listen")
        QVERIFY2(sinceCommand.elapsed() < 92, qPrintable(QString::number(sinceCommand.elapsed())));
    QCOMPARE(received.count(), 1);
    QCOMPARE(port.takeAll(), QByteArray("x\r\n7F\r\n>"));
}

void TestSystemPort::failures_data()
{
    QTest::addColumn<int>("step"); // 1 settings, 2 write closed, 3 port number
    QTest::addColumn<QStringList>("mentions");
    QTest::addColumn<Failure>("kind");

    QTest::newRow("bad parity") << 1 << QStringList{"Com1", "invalid line settings", "parity"} << Failure::Other;
    QTest::newRow("write while closed") << 2 << QStringList{"Com1", "cannot write", "not open"} << Failure::Other;
    QTest::newRow("port number 0") << 3 << QStringList{"Com0", "no such port number"} << Failure::NotFound;
}

void TestSystemPort::failures()
{
    QFETCH(int, step);
    QFETCH(QStringList, mentions);
    QFETCH(Failure, kind);
    SystemCommPort port(testPorts());
    const auto [thrown, text] = caught([&] {
        switch (step) {
        case 1: port.setSettings(QStringLiteral("9600,X,8,1")); break;
        case 2: port.write("x"); break;
        default: port.setPortNumber(0); break;
        }
    });
    for (const QString &part : mentions)
        QVERIFY2(text.contains(part), qPrintable(text));
    QCOMPARE(thrown, kind);
    QVERIFY(!port.isOpen());
    QCOMPARE(port.settings(), QStringLiteral("9600,N,8,1"));
}

void TestSystemPort::deviceInUse()
{
    Pty pty;
    pty.beCom1();
    SystemCommPort first(testPorts());
    first.open();
    SystemCommPort second(testPorts());
    const auto [kind, text] = caught([&] { second.open(); });
    QVERIFY2(text.contains(QStringLiteral("Com1 (%1): cannot open: the device is in use by another program (")
                               .arg(pty.path())),
             qPrintable(text));
    // The first holds the device exclusively; root passes that, and meets its lock.
    QVERIFY2(kind == Failure::Busy || kind == Failure::Locked, qPrintable(QString::number(int(kind))));
    QVERIFY(!second.isOpen());
    QVERIFY(first.isOpen());
}

// The board stops reading and its side of the line fills up: the next command finds no room.
void TestSystemPort::stalledLineThrowsFromFlush_data()
{
    QTest::addColumn<bool>("more"); // the pieces are held for the flush
    QTest::newRow("written") << false;
    QTest::newRow("held for the flush") << true;
}

void TestSystemPort::stalledLineThrowsFromFlush()
{
    QFETCH(bool, more);
    Pty pty;
    pty.beCom1();
    // Opened before the port, which then holds the device exclusively.
    const int filler = ::open(pty.path().toLocal8Bit().constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    QVERIFY(filler >= 0);
    SystemCommPort port(testPorts());
    port.open();
    fillLine(filler);
    QSignalSpy failed(&port, &CommPort::failed);
    port.write("x", more);
    port.write("\r", more);
    const auto [kind, text] = caught([&] { port.flush(); });
    ::close(filler);
    QCOMPARE(kind, Failure::Stalled);
    QCOMPARE(text, QStringLiteral("Com1 (%1): cannot write: the device takes no data "
                                  "(Resource temporarily unavailable)").arg(pty.path()));
    QVERIFY(!port.isOpen());

    const double cpuBefore = cpuSeconds();
    QTest::qWait(500);
    QVERIFY2(cpuSeconds() - cpuBefore < 0.1, "busy while the line is full");
    QCOMPARE(failed.size(), 0); // told once, by the call that found it
}

// Chatter from before the open is not part of the first burst; the low-latency
// request, which a pseudo-terminal refuses, says nothing.
void TestSystemPort::openDropsStaleInput()
{
    Pty pty;
    pty.beCom1();
    pty.send("x\r\n12\r\n>stale");
    QTest::qWait(50);
    SystemCommPort port(testPorts());
    QSignalSpy failed(&port, &CommPort::failed);
    QSignalSpy received(&port, &CommPort::received);
    port.open();
    pty.send("x\r\n7F\r\n>");
    QVERIFY(received.wait(2000));
    QCOMPARE(port.takeAll(), QByteArray("x\r\n7F\r\n>"));
    QCOMPARE(failed.size(), 0);
}

// Asked afresh each time, so a port menu opened later shows what has changed.
void TestSystemPort::descriptionsFollowTheEnvironment()
{
    SystemCommPort port(testPorts());
    qputenv("ORVANE_COM2", "/dev/pts/41");
    QCOMPARE(port.portDescriptions(4).value(1), QStringLiteral("/dev/pts/41"));
    qputenv("ORVANE_COM2", "/dev/ttyUSB7");
    const QList<QString> now = port.portDescriptions(4);
    qunsetenv("ORVANE_COM2");
    QCOMPARE(now.size(), 4);
    QCOMPARE(now.value(1), QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(now.value(2), QStringLiteral("/dev/ttyS2, as no USB serial adapter is plugged in"));
}

QTEST_GUILESS_MAIN(TestSystemPort)
#include "tst_systemport.moc"
