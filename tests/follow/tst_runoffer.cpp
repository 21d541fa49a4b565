#include "enginefixture.h"
#include "follow/runfollower.h"
#include "follow/runoffer.h"
#include "follow/runsocket.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using Reading = std::pair<qint16, int>;

// A run offered from a private runtime folder, over the engine on the pretend port.
struct Offered {
    explicit Offered(RunOffer::Admits admits = {})
    {
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        offer = new RunOffer(&f.engine, std::move(admits));
    }
    // One reading of the channel being measured, and on to the next.
    void reading(int value)
    {
        f.tick(f.timer1());
        f.answer(value);
        f.tick(f.timer2());
    }
    // A follower, found as the recorder finds it; the offer answers while it waits.
    // By the device, or by the panel's port number when `port` is given.
    std::unique_ptr<RunFollower> follow(int port = 0)
    {
        QThread *here = QThread::currentThread();
        const QString device = f.port->device();
        auto found = std::async(std::launch::async, [device, port, here] {
            std::unique_ptr<RunFollower> follower =
                port ? RunFollower::followPort(port) : RunFollower::follow(device);
            if (follower)
                follower->moveToThread(here);
            return follower;
        });
        while (found.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
            QCoreApplication::processEvents();
        return found.get();
    }

    QTemporaryDir runtime;
    EngineFixture f;
    RunOffer *offer = nullptr;
};

// What a follower is told, as it is told.
struct Told {
    explicit Told(RunFollower &follower)
    {
        QObject::connect(&follower, &RunFollower::reading, &follower,
                         [this](const RunReading &r) { readings << Reading(r.channel, r.value); passes << r.pass; });
        QObject::connect(&follower, &RunFollower::ended, &follower, [this](const RunEnd &e) { end = e; });
        follower.begin();
    }
    QList<Reading> readings;
    QList<qint64> passes;
    std::optional<RunEnd> end;
};

// All a raw client is sent, to the end; the offer writes on as the event loop turns.
QByteArray readAll(int fd)
{
    QByteArray bytes;
    char chunk[4096];
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents();
        const qint64 n = runsocket::receive(fd, chunk, sizeof chunk);
        if (n < 0)
            break;
        bytes.append(chunk, n);
    }
    return bytes;
}
} // namespace

// The panel's run as its recorders see it: every drawn reading and the end, and
// nothing a follower does reaches the scan.
class TestRunOffer : public QObject {
    Q_OBJECT
private slots:
    void offeredInAPrivateFolder_data();
    void offeredInAPrivateFolder();
    void offeredWhileThePortIsOpen();
    void followsWhatThePanelDraws_data();
    void followsWhatThePanelDraws();
    void endsAsTheRunEnds_data();
    void endsAsTheRunEnds();
    void sendsAfterTheReplyIsHandled();
    void refusesAnotherUser();
    void cutsOffWhatIsNoFollower_data();
    void cutsOffWhatIsNoFollower();
    void dropsAFollowerThatFallsBehind();
};

void TestRunOffer::offeredInAPrivateFolder_data()
{
    QTest::addColumn<QString>("runtime"); // below a private temporary folder
    QTest::addColumn<int>("premade");     // the mode of an orvane folder already there; 0: none
    QTest::addColumn<bool>("inRuntime");
    QTest::newRow("runtime folder") << QString() << 0 << true;
    QTest::newRow("left from before") << QString() << 0700 << true;
    QTest::newRow("runtime folder missing") << QStringLiteral("gone") << 0 << false;
    QTest::newRow("others may enter") << QString() << 0755 << false;
}

void TestRunOffer::offeredInAPrivateFolder()
{
    QFETCH(QString, runtime);
    QFETCH(int, premade);
    QFETCH(bool, inRuntime);
    Offered o;
    const QString dir = runtime.isEmpty() ? o.runtime.path() : o.runtime.filePath(runtime);
    qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    if (premade) {
        QVERIFY(QDir().mkdir(dir + QStringLiteral("/orvane")));
        QVERIFY(::chmod(QFile::encodeName(dir + QStringLiteral("/orvane")).constData(), mode_t(premade)) == 0);
    }
    QString why;
    const QString folder = runsocket::offerFolder(&why);
    QCOMPARE(folder, inRuntime ? dir + QStringLiteral("/orvane") : QStringLiteral("/tmp/orvane-%1").arg(::getuid()));
    QCOMPARE(QFileInfo(folder).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(runsocket::folders().contains(dir + QStringLiteral("/orvane")), inRuntime);
}

void TestRunOffer::offeredWhileThePortIsOpen()
{
    Offered o;
    QVERIFY(o.offer->path().isEmpty());
    QVERIFY(!o.follow());
    // A socket left by a panel that was killed is no panel, and is replaced.
    const QString stale = o.runtime.path() + QStringLiteral("/orvane/fake1.sock");
    QDir().mkpath(QFileInfo(stale).path());
    QFile::setPermissions(QFileInfo(stale).path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    quint64 inode = 0;
    QString why;
    runsocket::close(runsocket::listenAt(stale, &inode, &why));
    QVERIFY(!o.follow());

    o.f.state.PortIdx = 2;
    o.f.port->devices[3] = QStringLiteral("/dev/fake1");
    QVERIFY(o.f.engine.start());
    QCOMPARE(o.offer->path(), stale);
    QVERIFY(o.follow());
    QVERIFY(o.follow(3));
    QVERIFY(!o.follow(1));
    // Run again during the run goes on offering the same.
    QVERIFY(o.f.engine.start());
    QCOMPARE(o.offer->path(), stale);
    o.f.engine.stop();
    QVERIFY(o.offer->path().isEmpty());
    QVERIFY(!QFileInfo::exists(stale));
    QVERIFY(!QFileInfo::exists(QFileInfo(stale).path() + QStringLiteral("/Com3.sock")));
}

void TestRunOffer::followsWhatThePanelDraws_data()
{
    QTest::addColumn<QList<int>>("chosen");
    QTest::addColumn<int>("before"); // readings the follower missed, joining late
    QTest::newRow("all, from the start") << QList<int>{0, 1, 2, 3} << 0;
    QTest::newRow("some, joining mid-pass") << QList<int>{1, 3} << 3;
}

void TestRunOffer::followsWhatThePanelDraws()
{
    QFETCH(QList<int>, chosen);
    QFETCH(int, before);
    Offered o;
    o.f.chosen.reset();
    for (int c : chosen)
        o.f.chosen.set(size_t(c));
    QVERIFY(o.f.engine.start());
    for (int i = 0; i < before; ++i)
        o.reading(100 + i);
    std::unique_ptr<RunFollower> follower = o.follow();
    QVERIFY(follower);
    QCOMPARE(follower->panel().hello.pass > 0, before > 0);
    Told told(*follower);
    const qsizetype drawnBefore = o.f.readings.size();
    for (int i = 0; i < 12; ++i)
        o.reading(i * 20);
    QList<Reading> drawn;
    for (const Reading &r : o.f.readings.sliced(drawnBefore))
        if (o.f.chosen[size_t(r.first)])
            drawn << r;
    QTRY_COMPARE(told.readings, drawn);
    QVERIFY(told.passes.first() >= 1);
    QVERIFY(std::is_sorted(told.passes.begin(), told.passes.end()));
    QVERIFY(told.passes.last() > told.passes.first());
}

void TestRunOffer::endsAsTheRunEnds_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("stopped") << int(RunEnd::How::Stopped);
    QTest::newRow("failed") << int(RunEnd::How::Failed);
    QTest::newRow("panel gone") << int(RunEnd::How::Exited);
}

void TestRunOffer::endsAsTheRunEnds()
{
    QFETCH(int, how);
    Offered o;
    QVERIFY(o.f.engine.start());
    std::unique_ptr<RunFollower> follower = o.follow();
    QVERIFY(follower);
    Told told(*follower);
    o.reading(0x42);
    switch (RunEnd::How(how)) {
    case RunEnd::How::Stopped:
        o.f.engine.stop();
        break;
    case RunEnd::How::Failed:
        o.f.port->failNow();
        break;
    default:
        delete o.offer;
    }
    QTRY_VERIFY(told.end);
    QCOMPARE(int(told.end->how), how);
    QCOMPARE(told.readings, QList<Reading>{Reading(0, 0x42)});
    if (RunEnd::How(how) == RunEnd::How::Failed) {
        QCOMPARE(told.end->kind, Failure::Lost);
        QCOMPARE(told.end->text, o.f.failures.value(0));
    }
}

// A follower woken during the reply's handling would take the processor from it.
void TestRunOffer::sendsAfterTheReplyIsHandled()
{
    Offered o;
    QVERIFY(o.f.engine.start());
    const runsocket::Peer peer = runsocket::connectTo(o.offer->path());
    QTRY_VERIFY(runsocket::waitReadable(peer.fd, 0));
    char hello[256];
    QVERIFY(runsocket::receive(peer.fd, hello, sizeof hello) > 0);
    o.reading(0x42);
    QVERIFY(!runsocket::waitReadable(peer.fd, 0));
    QTRY_VERIFY(runsocket::waitReadable(peer.fd, 0));
    runsocket::close(peer.fd);
}

void TestRunOffer::refusesAnotherUser()
{
    Offered o([](qint64) { return false; });
    QVERIFY(o.f.engine.start());
    QVERIFY(!o.follow());
    QCOMPARE(o.offer->followers(), 0);
}

void TestRunOffer::cutsOffWhatIsNoFollower_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<int>("connections");
    QTest::newRow("garbage") << QByteArray("GET / HTTP/1.0\r\n\r\n") << 1;
    QTest::newRow("a line of its own") << QByteArray("r 1 2 3 4 5\n") << 1;
    QTest::newRow("opening and closing") << QByteArray() << 200;
}

void TestRunOffer::cutsOffWhatIsNoFollower()
{
    QFETCH(QByteArray, written);
    QFETCH(int, connections);
    Offered o;
    QVERIFY(o.f.engine.start());
    std::unique_ptr<RunFollower> follower = o.follow();
    Told told(*follower);
    for (int i = 0; i < connections; ++i) {
        const runsocket::Peer peer = runsocket::connectTo(o.offer->path());
        QVERIFY(peer.isOpen());
        if (!written.isEmpty()) {
            QTRY_COMPARE(o.offer->followers(), 2);
            QCOMPARE(runsocket::send(peer.fd, written), written.size());
            QTRY_COMPARE(o.offer->followers(), 1); // still connected, and cut off
        }
        o.reading(i % 256);
        runsocket::close(peer.fd);
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(o.offer->followers(), 1);
    QTRY_COMPARE(told.readings.size(), connections);
    QVERIFY(!told.end);
    QVERIFY(o.f.failures.isEmpty());
}

void TestRunOffer::dropsAFollowerThatFallsBehind()
{
    Offered o;
    QVERIFY(o.f.engine.start());
    const runsocket::Peer idle = runsocket::connectTo(o.offer->path());
    QTRY_COMPARE(o.offer->followers(), 1);
    std::unique_ptr<RunFollower> reader = o.follow();
    Told told(*reader);
    // What the system holds for the idle one is a small part of the backlog.
    const int readings = RunOffer::kBacklog + 200;
    for (int i = 0; i < readings; ++i) {
        o.reading(i % 256);
        if (i % 100 == 99)
            QTest::qWait(kRunSendDelayMs * 2); // sent, and read by the reader
    }
    QTRY_COMPARE(told.readings.size(), readings);
    QVERIFY(!told.end);
    QCOMPARE(o.offer->followers(), 2);

    const QByteArray lines = readAll(idle.fd);
    QVERIFY(lines.startsWith("hello "));
    QVERIFY2(lines.endsWith("end dropped 1000\n"), lines.right(60).constData());
    const qsizetype kept = lines.count("\nr ");
    QVERIFY2(kept > RunOffer::kBacklog && kept < readings, QByteArray::number(kept).constData());
    QTRY_COMPARE(o.offer->followers(), 1);
    runsocket::close(idle.fd);
    QCOMPARE(o.f.engine.isRunning(), true);
}

QTEST_GUILESS_MAIN(TestRunOffer)
#include "tst_runoffer.moc"
