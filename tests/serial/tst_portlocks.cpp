#include "fakecommport.h"
#include "failureof.h"

#include <QTest>

namespace {
const QString kLock = QStringLiteral("/run/lock/LCK..fake1");

Caught openFailure(FakeCommPort &port)
{
    return caught([&] { port.open(); });
}
} // namespace

// What the port makes of another program's lock file, and of its own.
class TestPortLocks : public QObject {
    Q_OBJECT
private slots:
    void lockFiles_data();
    void lockFiles();
    void deviceLocks_data();
    void deviceLocks();
    void ownLockComesAndGoes();
    void ownLocksThroughALink_data();
    void ownLocksThroughALink();
};

void TestPortLocks::lockFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("running");   // the process it names
    QTest::addColumn<bool>("othersFile"); // this user may not remove it
    QTest::addColumn<QString>("message"); // empty: the port opens
    QTest::addColumn<Failure>("kind");
    QTest::addColumn<bool>("fileKept");   // the other program's file, byte for byte

    const QString held = QStringLiteral("cannot open: the device is in use by another program (");
    const Failure locked = Failure::Locked;
    QTest::newRow("HDB, no name") << QByteArray("      4242\n") << true << false
                                  << held + "minicom, process 4242; lock file " + kLock + ")" << locked << true;
    QTest::newRow("HDB with name and user") << QByteArray("      4242 cu root\n") << true << false
                                            << held + "cu, process 4242; lock file " + kLock + ")" << locked << true;
    QTest::newRow("HDB, no padding, no newline")
        << QByteArray("4242") << true << false << held + "minicom, process 4242; lock file " + kLock + ")" << locked
        << true;
    QTest::newRow("binary") << QByteArray::fromHex("92100000") << true << false
                            << held + "minicom, process 4242; lock file " + kLock + ")" << locked << true;
    QTest::newRow("this program's own") << QByteArray("      4242 orvane\n") << true << false
                                        << held + "orvane, process 4242; lock file " + kLock + ")" << locked << true;
    QTest::newRow("Qt's") << QByteArray("4242\nsomeapp\nhost\n") << true << false
                          << held + "someapp, process 4242; lock file " + kLock + ")" << locked << true;
    QTest::newRow("another user's, running")
        << QByteArray("      4242\n") << true << true << held + "minicom, process 4242; lock file " + kLock + ")"
        << locked << true;
    const QString unreadable = QStringLiteral("cannot open: a lock file keeps the device for another program but "
                                              "does not say which (lock file %1; remove it if no program is "
                                              "using the device)").arg(kLock);
    QTest::newRow("empty") << QByteArray() << false << false << unreadable << locked << true;
    QTest::newRow("garbage") << QByteArray("locked!\n") << false << false << unreadable << locked << true;
    QTest::newRow("process 0") << QByteArray("         0\n") << false << false << unreadable << locked << true;
    QTest::newRow("ended: stale, cleared")
        << QByteArray("      4242\n") << false << false << QString() << Failure::Harmless << false;
    QTest::newRow("ended, another user's")
        << QByteArray("      4242\n") << false << true
        << "cannot open: a program that has ended left its lock file behind, and it is not yours to remove "
           "(process 4242; lock file " + kLock + ")"
        << Failure::NotPermitted << true;
}

void TestPortLocks::lockFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, running);
    QFETCH(bool, othersFile);
    QFETCH(QString, message);
    QFETCH(Failure, kind);
    QFETCH(bool, fileKept);

    FakeLockHost host;
    host.files.insert(kLock, content);
    if (running)
        host.running.insert(4242, QStringLiteral("minicom"));
    if (othersFile)
        host.othersFiles.insert(kLock);
    FakeCommPort port;
    port.locks = &host;
    const Caught failure = openFailure(port);
    QCOMPARE(failure.text, message.isEmpty() ? QString() : QStringLiteral("Com1 (/dev/fake1): ") + message);
    QCOMPARE(failure.kind, kind);
    QCOMPARE(port.isOpen(), message.isEmpty());
    QCOMPARE(port.opens, message.isEmpty() ? 1 : 0);
    if (fileKept)
        QCOMPARE(host.files.value(kLock), content);
    else
        QCOMPARE(host.files.value(kLock), QByteArray("      4000\n"));
}

void TestPortLocks::deviceLocks_data()
{
    QTest::addColumn<QString>("given");     // the path the port is told
    QTest::addColumn<QString>("lockFile");  // another program's, if any
    QTest::addColumn<bool>("deviceLocked");
    QTest::addColumn<qint64>("holder");     // of the lock on the device, 0: not to be found
    QTest::addColumn<QString>("message");

    const QString held = QStringLiteral("cannot open: the device is in use by another program (");
    QTest::newRow("picocom's lock on the device") << QString() << QString() << true << qint64(77)
                                                 << held + "picocom, process 77)";
    QTest::newRow("a lock whose holder cannot be told") << QString() << QString() << true << qint64(0)
                                                        << held + "it holds a lock on the device)";
    QTest::newRow("held under the name a link gave it")
        << "/dev/serial/by-id/usb-board" << "/run/lock/LCK..serial_by-id_usb-board" << false << qint64(0)
        << held + "minicom, process 4242; lock file /run/lock/LCK..serial_by-id_usb-board)";
    QTest::newRow("held under the device's own name, reached by a link")
        << "/dev/serial/by-id/usb-board" << kLock << false << qint64(0)
        << held + "minicom, process 4242; lock file " + kLock + ")";
}

void TestPortLocks::deviceLocks()
{
    QFETCH(QString, given);
    QFETCH(QString, lockFile);
    QFETCH(bool, deviceLocked);
    QFETCH(qint64, holder);
    QFETCH(QString, message);

    FakeLockHost host;
    host.running.insert(4242, QStringLiteral("minicom"));
    host.running.insert(77, QStringLiteral("picocom"));
    if (!lockFile.isEmpty())
        host.files.insert(lockFile, "      4242\n");
    if (holder)
        host.deviceHolder = holder;
    FakeCommPort port;
    port.locks = &host;
    port.deviceLocked = deviceLocked;
    if (!given.isEmpty()) {
        port.devices.insert(1, given);
        host.links.insert(given, QStringLiteral("/dev/fake1"));
    }
    const QString label = QStringLiteral("Com1 (%1): ").arg(given.isEmpty() ? QStringLiteral("/dev/fake1") : given);
    const Caught failure = openFailure(port);
    QCOMPARE(failure.text, label + message);
    QCOMPARE(failure.kind, Failure::Locked);
    QVERIFY(!port.isOpen());
    // Ours was taken first and let go again; the other's is as it was.
    QCOMPARE(host.files.contains(kLock), lockFile == kLock);
    if (!lockFile.isEmpty())
        QCOMPARE(host.files.value(lockFile), QByteArray("      4242\n"));
}

void TestPortLocks::ownLockComesAndGoes()
{
    FakeLockHost host;
    host.running.insert(host.pid, QStringLiteral("orvane"));
    FakeCommPort port;
    port.locks = &host;
    port.open();
    QCOMPARE(port.lockFile(), kLock);
    QCOMPARE(host.files.value(kLock), QByteArray("      4000 orvane\n"));
    port.close();
    QVERIFY(!host.files.contains(kLock));

    // Where this user may not make lock files, the lock on the device alone keeps others off.
    host.writable = false;
    port.open();
    QVERIFY(port.isOpen());
    QVERIFY(port.lockFile().isEmpty());
    port.close();

    // A lock file that is no longer ours is left alone.
    host.writable = true;
    port.open();
    host.files.insert(kLock, "      5555\n");
    port.close();
    QCOMPARE(host.files.value(kLock), QByteArray("      5555\n"));
}

void TestPortLocks::ownLocksThroughALink_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QStringList>("files"); // ours while open
    QTest::newRow("the device itself") << "/dev/fake1" << QStringList{kLock};
    QTest::newRow("a link under /dev")
        << "/dev/serial/by-id/usb-board" << QStringList{kLock, "/run/lock/LCK..serial_by-id_usb-board"};
    QTest::newRow("a link elsewhere") << "/tmp/board" << QStringList{kLock, "/run/lock/LCK..board"};
    QTest::newRow("a link too long to name a lock file") << "/tmp/" + QString(300, u'b') << QStringList{kLock};
}

// Reached through a link, the port is locked under both names: a program that
// does not follow links, given the same link, looks for the lock under it.
void TestPortLocks::ownLocksThroughALink()
{
    QFETCH(QString, given);
    QFETCH(QStringList, files);
    FakeLockHost host;
    host.running.insert(host.pid, QStringLiteral("orvane"));
    host.links.insert(given, QStringLiteral("/dev/fake1"));
    FakeCommPort port;
    port.locks = &host;
    port.devices.insert(1, given);
    port.open();
    QStringList sorted = files;
    sorted.sort();
    QCOMPARE(host.files.keys(), sorted);
    for (const QString &file : files)
        QCOMPARE(host.files.value(file), QByteArray("      4000 orvane\n"));
    QCOMPARE(port.lockFile(), kLock);
    port.close();
    QVERIFY(host.files.isEmpty());

    // A second program on the same link is refused, whichever name it checks first.
    FakeCommPort second;
    second.locks = &host;
    second.devices.insert(1, given);
    port.open();
    const Caught refused = openFailure(second);
    QCOMPARE(refused.kind, Failure::Locked);
    QVERIFY(!second.isOpen());
    QCOMPARE(host.files.size(), files.size());
}

QTEST_GUILESS_MAIN(TestPortLocks)
#include "tst_portlocks.moc"
