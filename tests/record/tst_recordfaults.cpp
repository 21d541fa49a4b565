#include "recording.h"

#include <QFileInfo>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// The recorder's failures: its output's, and the port's and board's, which it
// tells in the panel's words.
class TestRecordFaults : public QObject {
    Q_OBJECT
private slots:
    void outputFails_data();
    void outputFails();
    void portOrBoardFails_data();
    void portOrBoardFails();
    void sessionTerminalIsLeftAlone();
};

void TestRecordFaults::outputFails_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message"); // %1: the output
    QTest::newRow("the file exists") << "exists" << "orvane-record: %1 exists; give --force to overwrite it";
    QTest::newRow("the folder is not writable") << "read-only" << "orvane-record: cannot create %1: Permission denied";
    QTest::newRow("the device is full") << "full" << "orvane-record: cannot write %1: No space left on device";
    QTest::newRow("the size limit reached mid-run") << "limit" << "orvane-record: cannot write %1: File too large";
}

void TestRecordFaults::outputFails()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    if (kind == "read-only" && ::geteuid() == 0)
        QSKIP("running as root: every folder may be written");
    SimProcess sim(SimProcess::fixedValues());
    Recording rec;
    QStringList args{"--device", sim.device(), "--output", rec.output};
    constexpr rlim_t kLimit = 1500;
    if (kind == "exists") {
        QFile file(rec.output);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep me\n") == 8);
    } else if (kind == "read-only") {
        QVERIFY(::chmod(rec.dir.path().toLocal8Bit().constData(), 0555) == 0);
    } else if (kind == "full") {
        args[3] = "/dev/full";
        args << "--force";
    } else {
        rec.process.setChildProcessModifier([] {
            const rlimit limit{kLimit, kLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    rec.start(args);
    QCOMPARE(rec.exitCode(), 4);
    QCOMPARE(rec.errors(), message.arg(args[3]) + "\n");
    QTRY_COMPARE_WITH_TIMEOUT(sim.count("closed"), sim.count("opened"), 2000);
    QVERIFY(!QFileInfo::exists(sim.lockFile()));
    if (kind == "exists") {
        QFile file(rec.output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me\n"));
    }
    if (kind != "limit") {
        QCOMPARE(sim.count("opened"), 0); // the output is settled before the port is touched
        return;
    }
    // Every row up to the limit is kept, and no part of the one that did not fit.
    QString fault;
    const QList<Row> rows = rowsOf(rec.output, &fault);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY2(QFileInfo(rec.output).size() > qint64(kLimit) - 50, qPrintable(QString::number(rows.size())));
}

void TestRecordFaults::portOrBoardFails_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message"); // %1: the device, %2: the process holding it, %3: its lock file
    QTest::addColumn<bool>("rowsKept");   // readings came before the failure
    QTest::newRow("no such device") << "missing" << "Com1 (%1): cannot open: No such file or directory" << false;
    QTest::newRow("not a serial device")
        << "file" << "Com1 (%1): cannot open: it is not a serial device (Inappropriate ioctl for device)" << false;
    QTest::newRow("held by another recorder")
        << "held"
        << "Com1 (%1): cannot open: the device is in use by another program (orvane-record, process %2; lock file %3)"
        << false;
    QTest::newRow("lost") << "--hangup-after" << "Com1 (%1): the connection was lost: the device was unplugged or hung up"
                          << true;
    QTest::newRow("stalled") << "--stall-after" << "Com1 (%1): cannot write: the device takes no data (Resource temporarily unavailable)"
                             << true;
    QTest::newRow("the board does not answer")
        << "--silent"
        << "Com1 (%1): the board does not answer: no reply to the last 16 measure commands (check that it is "
           "powered and wired to the adapter)"
        << false;
    QTest::newRow("the board's replies cannot be read")
        << "--garble-after"
        << "Com1 (%1): the board's replies cannot be read: 144 bytes in reply to the last 16 measure commands, "
           "none a reading (check that the board runs at 9600 baud)"
        << false;
}

void TestRecordFaults::portOrBoardFails()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QFETCH(bool, rowsKept);
    // Through a link of its own, which goes with the board: the pseudo-terminal's
    // number may soon be another test's line.
    QTemporaryDir dir;
    const QString link = SimProcess::linkIn(dir);
    QStringList simArgs{"--link", link};
    if (kind.startsWith("--"))
        simArgs << kind;
    if (kind == "--hangup-after" || kind == "--stall-after")
        simArgs << "7";
    else if (kind == "--garble-after")
        simArgs << "0";
    SimProcess sim(simArgs);
    QString device = link;
    if (kind == "missing") {
        device = dir.filePath("none");
    } else if (kind == "file") {
        device = dir.filePath("plain");
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Recording holder;
    if (kind == "held") {
        holder.start({"--device", link, "--output", holder.output});
        QTRY_COMPARE_WITH_TIMEOUT(sim.count("opened"), 1, 5000);
    }
    Recording rec(device);
    QCOMPARE(rec.exitCode(), 3);
    QString expected = message.arg(device);
    if (kind == "held")
        expected = expected.arg(holder.process.processId()).arg(sim.lockFile());
    QCOMPARE(rec.errors(), expected + "\n");
    if (kind == "held") {
        ::kill(pid_t(holder.process.processId()), SIGTERM);
        QCOMPARE(holder.exitCode(), 0);
    }
    // The simulator that hung up has gone itself.
    QTRY_COMPARE_WITH_TIMEOUT(sim.count("closed") + sim.count("hangup"), sim.count("opened"), 2000);
    QVERIFY(!QFileInfo::exists(sim.lockFile()));
    // A file the run made and wrote no reading to goes with it.
    QCOMPARE(QFileInfo::exists(rec.output), rowsKept);
    if (rowsKept) {
        QString fault;
        QVERIFY(!rowsOf(rec.output, &fault).isEmpty());
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
}

// A pseudo-terminal that a child session has as its controlling terminal, as
// a login has its own: the recorder refuses it and writes nothing to it.
void TestRecordFaults::sessionTerminalIsLeftAlone()
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    QProcess session;
    session.setStandardInputFile(QProcess::nullDevice());
    session.setStandardOutputFile(QProcess::nullDevice());
    session.setChildProcessModifier([slave] {
        ::setsid();
        ::ioctl(slave, TIOCSCTTY, 0);
    });
    session.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    QVERIFY(session.waitForStarted());
    ::close(slave);

    const QString device = QString::fromLocal8Bit(name);
    Recording rec(device);
    QCOMPARE(rec.exitCode(), 3);
    QCOMPARE(rec.errors(), QStringLiteral("Com1 (%1): cannot open: it is the terminal of a login session, not a "
                                          "board's line, so nothing was sent to it (plug the board's adapter in, "
                                          "or name its device in ORVANE_COM1 or with --device)\n")
                               .arg(device));
    pollfd pending{master, POLLIN, 0};
    QCOMPARE(::poll(&pending, 1, 300), 0);
    QVERIFY(!QFileInfo::exists(rec.output));
    QVERIFY(!QFileInfo::exists("/run/lock/LCK.." + device.mid(5).replace('/', '_')));
    session.kill();
    session.waitForFinished();
    ::close(master);
}

QTEST_GUILESS_MAIN(TestRecordFaults)
#include "tst_recordfaults.moc"
