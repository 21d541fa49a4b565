#include "wire/lockfile.h"
#include "serial/ttydevice.h"
#include "livepanel.h"
#include "neighbour.h"
#include "portholder.h"
#include "ptypair.h"
#include "simprocess.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>

Q_DECLARE_METATYPE(Neighbour::Kind)

using Kind = Neighbour::Kind;
using Verdict = Neighbour::Verdict;

namespace {

// A test run by a normal user cannot add names to /dev, so the line gets a
// ttyUSB name as a link in a folder of the test's own.
QString publish(const QTemporaryDir &dir, const QString &device)
{
    const QString link = SimProcess::linkIn(dir, QStringLiteral("ttyUSB"));
    return QFile::link(device, link) ? link : QString();
}

// The lock file minicom and the panel use for the device, whose links are resolved.
QString lockFileFor(const QString &device)
{
    return QFileInfo(QStringLiteral("/var/lock")).canonicalFilePath() + u'/'
           + lockFileName(QFileInfo(device).canonicalFilePath());
}

QString inUse(const QString &device, const QString &holder)
{
    return QStringLiteral("Com1 (%1): cannot open: the device is in use by another program (%2)")
        .arg(device, holder);
}

// The file's bytes; a null array when there is no such file.
QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A lock file left by an earlier run whose process has ended would stand in a row's way.
void clearStaleLock(const QString &path)
{
    const LockOwner owner = parseLockFile(contents(path));
    if (owner.namesProcess() && ::kill(pid_t(owner.pid), 0) != 0 && errno == ESRCH)
        QFile::remove(path);
}

// The lock file under a link's own name, which programs that do not follow links look for.
QString linkLockFor(const QString &link)
{
    return QFileInfo(QStringLiteral("/var/lock")).canonicalFilePath() + u'/' + lockFileName(link);
}

// The simulated board under a ttyUSB link, with nothing left over on its lock
// files, before or after: a lock left in the shared folder by a process that
// has ended cannot be removed by the next user who runs the tests.
struct Board {
    Board() { clearStaleLock(lockPath); }
    ~Board()
    {
        clearStaleLock(lockPath);
        clearStaleLock(linkLockFor(link));
    }
    QTemporaryDir dir;
    QString link = SimProcess::linkIn(dir, QStringLiteral("ttyUSB"));
    SimProcess sim{QStringList{QStringLiteral("--link"), link}};
    QString lockPath = lockFileFor(sim.device());
};

std::optional<qint64> flockHolderOf(const QString &device)
{
    struct stat st{};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0)
        return std::nullopt;
    return flockHolder(contents(QStringLiteral("/proc/locks")), {::major(st.st_dev), ::minor(st.st_dev), st.st_ino});
}
} // namespace

class TestNeighbours : public QObject {
    Q_OBJECT
private slots:
    void heldByNeighbour_data();
    void heldByNeighbour();
    void heldByLockHandedOn();
    void locksWhileRunning_data();
    void locksWhileRunning();
    void killedPanel_data();
    void killedPanel();
};

void TestNeighbours::heldByNeighbour_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("panelOnLink");
    QTest::addColumn<bool>("neighbourOnLink");
    QTest::addColumn<bool>("lockFile"); // the neighbour leaves one
    QTest::newRow("minicom") << Kind::Minicom << true << false << true;
    QTest::newRow("minicom, panel on the real name") << Kind::Minicom << false << false << true;
    QTest::newRow("picocom") << Kind::Picocom << true << false << false;
    QTest::newRow("python flock") << Kind::Python << true << false << false;
    QTest::newRow("second Orvane") << Kind::Orvane << true << false << true;
    QTest::newRow("second Orvane on the link") << Kind::Orvane << false << true << true;
}

void TestNeighbours::heldByNeighbour()
{
    QFETCH(Kind, kind);
    QFETCH(bool, panelOnLink);
    QFETCH(bool, neighbourOnLink);
    QFETCH(bool, lockFile);
    Pty pty;
    QTemporaryDir dir;
    const QString link = publish(dir, pty.path());
    QVERIFY(pty.isValid() && !link.isEmpty());
    const QString lockPath = lockFileFor(pty.path());
    clearStaleLock(lockPath);
    Neighbour neighbour(kind, neighbourOnLink ? link : pty.path(), QCoreApplication::applicationFilePath());
    QCOMPARE(neighbour.waitForVerdict(), Verdict::Holds);
    pty.receive(1 << 16, 200); // whatever it says on the line as it starts
    const QByteArray before = contents(lockPath);
    QCOMPARE(before.isNull(), !lockFile);

    const QString device = panelOnLink ? link : pty.path();
    LivePanel panel(device);
    panel.p().Start->click();
    QString holder = QStringLiteral("%1, process %2").arg(neighbour.program()).arg(neighbour.pid());
    if (lockFile)
        holder += QStringLiteral("; lock file %1").arg(lockPath);
    QCOMPARE(panel.reports, QStringList{inUse(device, holder)});
    QCOMPARE(panel.kinds, QList<Failure>{Failure::Locked});
    QVERIFY(panel.isIdle());
    QCOMPARE(pty.receive(1, 300), QByteArray());
    // Its lock file as it was, or still none.
    QCOMPARE(contents(lockPath), before);
    QCOMPARE(contents(lockPath).isNull(), before.isNull());
    QCOMPARE(neighbour.verdict(), Verdict::Holds);
}

void TestNeighbours::heldByLockHandedOn()
{
    // /proc/locks names the process that took a flock, not the one that holds it now.
    const char *handOn = R"(import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
child = os.fork()
if child == 0:
    time.sleep(60)
    os._exit(0)
print(os.getpid(), child, flush=True)
)";
    Pty pty;
    QProcess taker;
    taker.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(handOn), pty.path()});
    QVERIFY(taker.waitForFinished(5000));
    const QList<QByteArray> pids = taker.readAllStandardOutput().trimmed().split(' ');
    QCOMPARE(pids.size(), 2);
    const pid_t child = pid_t(pids[1].toLongLong());
    QVERIFY(child > 0);
    const auto reap = qScopeGuard([child] { ::kill(child, SIGKILL); });
    QCOMPARE(flockHolderOf(pty.path()).value_or(-1), pids[0].toLongLong());

    LivePanel panel(pty.path());
    panel.p().Start->click();
    QCOMPARE(panel.reports, QStringList{inUse(pty.path(), QStringLiteral("it holds a lock on the device"))});
    QCOMPARE(panel.kinds, QList<Failure>{Failure::Locked});
    QVERIFY(panel.isIdle());
    QCOMPARE(pty.receive(1, 300), QByteArray());
}

void TestNeighbours::locksWhileRunning_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("onLink"); // the neighbour is given the panel's link, which it does not follow
    QTest::newRow("minicom") << Kind::Minicom << false;
    QTest::newRow("minicom on the link") << Kind::Minicom << true;
    QTest::newRow("picocom") << Kind::Picocom << false;
    QTest::newRow("python flock") << Kind::Python << false;
    QTest::newRow("second Orvane") << Kind::Orvane << false;
}

void TestNeighbours::locksWhileRunning()
{
    QFETCH(Kind, kind);
    QFETCH(bool, onLink);
    Board board;
    SimProcess &sim = board.sim;
    const QString &link = board.link;
    const QString &lockPath = board.lockPath;
    LivePanel panel(link);
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("tx ")) >= 1, 5000);
    // Both locks, under the device's own name, and the lock file under the link's too.
    const qint64 self = QCoreApplication::applicationPid();
    const QString linkLock = linkLockFor(link);
    QCOMPARE(contents(lockPath), formatLockFile(self, processName(self)));
    QCOMPARE(contents(linkLock), formatLockFile(self, processName(self)));
    QCOMPARE(flockHolderOf(sim.device()).value_or(-1), self);

    const QString neighbourDevice = onLink ? link : sim.device();
    Neighbour refused(kind, neighbourDevice, QCoreApplication::applicationFilePath());
    QCOMPARE(refused.waitForVerdict(), Verdict::Refused);
    QVERIFY(panel.reports.isEmpty());
    QVERIFY(panel.p().Halt->isEnabled());
    QCOMPARE(contents(lockPath), formatLockFile(self, processName(self)));

    panel.p().Halt->click();
    QVERIFY(contents(lockPath).isNull());
    QVERIFY(contents(linkLock).isNull());
    QVERIFY(!flockHolderOf(sim.device()));
    QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("closed")) >= 1, 5000);
    Neighbour after(kind, neighbourDevice, QCoreApplication::applicationFilePath());
    QCOMPARE(after.waitForVerdict(), Verdict::Holds);
    QVERIFY(after.quit());
}

void TestNeighbours::killedPanel_data()
{
    QTest::addColumn<bool>("byMinicom"); // else by the next Run
    QTest::newRow("next Run") << false;
    QTest::newRow("minicom") << true;
}

void TestNeighbours::killedPanel()
{
    QFETCH(bool, byMinicom);
    Board board;
    SimProcess &sim = board.sim;
    const QString &link = board.link;
    const QString &lockPath = board.lockPath;
    Neighbour killed(Kind::Orvane, link, QCoreApplication::applicationFilePath());
    QCOMPARE(killed.waitForVerdict(), Verdict::Holds);
    const qint64 killedPid = killed.pid();
    killed.kill();
    QCOMPARE(parseLockFile(contents(lockPath)).pid, killedPid);
    QCOMPARE(parseLockFile(contents(linkLockFor(link))).pid, killedPid);
    QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("closed")) >= 1, 5000);

    if (byMinicom) {
        Neighbour minicom(Kind::Minicom, sim.device());
        QCOMPARE(minicom.waitForVerdict(), Verdict::Holds);
        QCOMPARE(parseLockFile(contents(lockPath)).pid, minicom.pid());
        QVERIFY(minicom.quit());
        QVERIFY(contents(lockPath).isNull());
        return;
    }
    LivePanel panel(link);
    panel.p().Start->click();
    QCOMPARE(panel.reports, QStringList());
    QVERIFY(panel.p().OrvaneCom->isOpen());
    QCOMPARE(contents(lockPath), formatLockFile(QCoreApplication::applicationPid(), processName(QCoreApplication::applicationPid())));
    panel.p().Halt->click();
}

PORT_HOLDER_TEST_MAIN(TestNeighbours)

#include "tst_neighbours.moc"
