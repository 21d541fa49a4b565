// The simulator's line as the panel meets it: opens and closes noticed whoever
// closes and however, the stall, and replies at the pace of the line.
#include "simchild.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <cstring>

#include <sys/ioctl.h>
#include <sys/wait.h>

namespace {

// Another process with the line open, which writes and then waits to be killed.
class Opener
{
public:
    Opener(const QString &device, bool exclusive, const QByteArray &bytes)
    {
        const QByteArray path = QFile::encodeName(device);
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls from here on.
            const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (fd >= 0 && exclusive)
                ::ioctl(fd, TIOCEXCL);
            const bool ok = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
            [[maybe_unused]] ssize_t n = ::write(ready[1], ok ? "1" : "0", 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = 0;
        m_opened = ::read(ready[0], &ok, 1) == 1 && ok == '1';
        ::close(ready[0]);
    }

    ~Opener() { kill(); }

    bool opened() const { return m_opened; }

    void kill()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_opened = false;
};

bool exclusive(int fd)
{
    int flag = -1;
    return ::ioctl(fd, TIOCGEXCL, &flag) == 0 && flag != 0;
}

} // namespace

class TestBoardSimLine : public QObject
{
    Q_OBJECT

private slots:
    // A normal close is logAcrossReopen's; a killed opener cannot end exclusive mode.
    void openerKilled_data()
    {
        QTest::addColumn<bool>("exclusive");
        QTest::addColumn<bool>("alsoHere"); // we hold the line too
        QTest::newRow("plain") << false << false;
        QTest::newRow("exclusive") << true << false;
        QTest::newRow("another keeps it") << false << true;
    }

    void openerKilled()
    {
        QFETCH(bool, exclusive);
        QFETCH(bool, alsoHere);
        Sim sim({"--value", "0=0x0B", "--delay", "300"});
        Opener opener(sim.device(), exclusive, "x\r");
        QVERIFY(opener.opened());
        QVERIFY(sim.waitForEvent("rx x"));
        QVERIFY(!alsoHere || sim.openDevice());
        opener.kill();

        QStringList expected{"opened", "rx x", "closed", "drop 0 0B"};
        if (alsoHere) {
            // Nothing was dropped: the reply still comes to the one left.
            QCOMPARE(sim.read(8, 1000), replyFor(0x0B));
            QVERIFY(sim.waitForEvent("tx 0 0B"));
            QCOMPARE(sim.texts(), QStringList({"opened", "rx x", "tx 0 0B"}));
            sim.closeDevice();
            expected = QStringList{"opened", "rx x", "tx 0 0B", "closed"};
        }
        QVERIFY(sim.waitForEvent(expected.last()));
        QCOMPARE(sim.texts(), expected);

        // Open again, as anyone may now: nothing left over comes, nor the dropped reply.
        QVERIFY2(sim.openDevice(), std::strerror(errno));
        QVERIFY(!::exclusive(sim.fd()));
        QVERIFY(sim.waitForEvent("opened", 2));
        QCOMPARE(sim.read(1, 400), QByteArray());
    }

    void stall_data()
    {
        QTest::addColumn<int>("after");
        QTest::addColumn<QByteArrayList>("writes");
        QTest::addColumn<int>("lines");      // logged before the stall
        QTest::addColumn<QByteArray>("reply"); // still comes
        QTest::newRow("from the start") << 0 << QByteArrayList{} << 0 << QByteArray();
        QTest::newRow("after two lines") << 2 << QByteArrayList{"d 1\r", "x\r"} << 2 << replyFor(0x0B);
        QTest::newRow("rest of a write unread") << 1 << QByteArrayList{"s 5\rx\r"} << 1 << QByteArray();
    }

    void stall()
    {
        QFETCH(int, after);
        QFETCH(QByteArrayList, writes);
        QFETCH(int, lines);
        QFETCH(QByteArray, reply);
        Sim sim({"--value", "0=0x0B", "--stall-after", QString::number(after)});
        QVERIFY(sim.openDevice());
        for (const QByteArray &bytes : writes)
            QVERIFY(sim.send(bytes) && sim.waitForEvent("rx " + QString::fromLatin1(bytes.split('\r').first())));
        QVERIFY(sim.waitForEvent("stall"));
        QCOMPARE(sim.read(9, 300), reply);
        for (int round = 0; round < 3; ++round) {
            // Full again once the simulator has topped it up, however busy the machine.
            QElapsedTimer clock;
            clock.start();
            errno = 0;
            while (::write(sim.fd(), "x", 1) == 1 && clock.elapsed() < 2000)
                QTest::qWait(10);
            QCOMPARE(errno, EAGAIN);
            // A reopen does not revive it, even when it flushes and so frees room.
            sim.closeDevice();
            QVERIFY(sim.waitForEvent("closed", round + 1));
            QVERIFY(sim.openDevice());
            QCOMPARE(::tcflush(sim.fd(), TCOFLUSH), 0);
        }
        QCOMPARE(sim.texts().filter(QRegularExpression("^rx ")).size(), lines);
        QCOMPARE(sim.texts().count("stall"), 1);
    }

    // "stall" is the first event here, but the device path still comes first.
    void stallWithLogOnStdout()
    {
        Sim sim({"--stall-after", "0"}, "-");
        QVERIFY2(sim.device().startsWith("/dev/"), qPrintable(sim.device()));
        QVERIFY(sim.waitForEvent("stall"));
    }

    void pacing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<double>("fromMs");
        QTest::addColumn<double>("toMs");
        QTest::newRow("9600 baud") << QStringList{} << 10.4 << 30.0;
        QTest::newRow("9600 baud, latency 16") << QStringList{"--latency", "16"} << 10.4 << 33.0;
    }

    // From "x" to the last byte of its reply, loosely; exact figures are the benchmark's.
    void pacing()
    {
        QFETCH(QStringList, args);
        QFETCH(double, fromMs);
        QFETCH(double, toMs);
        Sim sim(args << "--value" << "0=0x0B");
        QVERIFY(sim.openDevice());
        for (int i = 0; i < 6; ++i) {
            QTest::qWait(7 + 5 * i); // at other phases of the latency timer
            const double sent = monotonicSeconds();
            QVERIFY(sim.send("x\r"));
            QCOMPARE(sim.read(8, 500), replyFor(0x0B));
            const double ms = (monotonicSeconds() - sent) * 1000.0;
            QVERIFY2(ms >= fromMs && ms <= toMs, qPrintable(QString::number(ms)));
        }
    }
};

QTEST_GUILESS_MAIN(TestBoardSimLine)
#include "tst_boardsimline.moc"
