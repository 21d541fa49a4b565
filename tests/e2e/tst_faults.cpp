#include "livepanel.h"
#include "portholder.h"
#include "ptypair.h"
#include "simprocess.h"

#include "app/frmabout.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void cannotOpen_data();
    void cannotOpen();
    void heldByAnotherProcess();
    void notPermitted();
    void vanishesWhileIdle();
    void misbehavingBoard_data();
    void misbehavingBoard();
    void floodAtFullSpeed();
    void clicksAsFastAsTheyCome();
};

void TestFaults::cannotOpen_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<Failure>("failure");
    QTest::newRow("missing") << "missing" << "No such file or directory" << Failure::NotFound;
    QTest::newRow("regular file") << "file" << "it is not a serial device" << Failure::NotSerial;
    QTest::newRow("/dev/null") << "null" << "it is not a serial device" << Failure::NotSerial;
    QTest::newRow("directory") << "dir" << "Is a directory" << Failure::Other;
}

void TestFaults::cannotOpen()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QFETCH(Failure, failure);
    QTemporaryDir dir;
    QString device = dir.filePath(QStringLiteral("ttyGone"));
    if (kind == u"file") {
        device = dir.filePath(QStringLiteral("plain"));
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == u"null") {
        device = QStringLiteral("/dev/null");
    } else if (kind == u"dir") {
        device = dir.path();
    }
    LivePanel panel(device);
    panel.p().Start->click();
    QCOMPARE(panel.reports.size(), 1);
    QVERIFY2(panel.reports.first().startsWith(QStringLiteral("Com1 (%1): cannot open: ").arg(device)),
             qPrintable(panel.reports.first()));
    QVERIFY2(panel.reports.first().contains(reason), qPrintable(panel.reports.first()));
    QCOMPARE(panel.kinds.first(), failure);
    QVERIFY(panel.isIdle());
    QVERIFY(panel.p().PortSel->isEnabled() && panel.p().ShldDrvr->isEnabled());
}

void TestFaults::heldByAnotherProcess()
{
    SimProcess sim({});
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), sim.device()});
    QVERIFY(holder.waitForReadyRead(5000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));

    LivePanel panel(sim.device());
    panel.p().Start->click();
    QCOMPARE(panel.reports.size(), 1);
    // The message says who holds it.
    QVERIFY2(panel.reports.first().contains(QStringLiteral("in use by another program (tst_faults, process %1; lock file ")
                                                .arg(holder.processId())),
             qPrintable(panel.reports.first()));
    QCOMPARE(panel.kinds.first(), Failure::Locked);
    QVERIFY(panel.isIdle());

    // Once the other program is gone, Run works, even though it was killed
    // and could not end its exclusive hold; the line has to notice first.
    holder.kill();
    holder.waitForFinished();
    QTRY_COMPARE_WITH_TIMEOUT(sim.count(QStringLiteral("closed")), 1, 5000);
    panel.p().Start->click();
    QVERIFY(panel.p().OrvaneCom->isOpen());
    QCOMPARE(panel.reports.size(), 1);
}

void TestFaults::notPermitted()
{
    if (geteuid() == 0)
        QSKIP("running as root: every device may be opened, so a refusal cannot be shown");
    Pty pty;
    QVERIFY(::chmod(pty.path().toLocal8Bit().constData(), 0) == 0);
    LivePanel panel(pty.path());
    panel.p().Start->click();
    QCOMPARE(panel.reports.size(), 1);
    QCOMPARE(panel.kinds.first(), Failure::NotPermitted);
    QVERIFY(panel.isIdle());
}

void TestFaults::vanishesWhileIdle()
{
    // Through a link of its own, which goes with the board: the pseudo-terminal's
    // number may soon be another test's line.
    QTemporaryDir dir;
    const QString device = SimProcess::linkIn(dir);
    auto sim = std::make_unique<SimProcess>(QStringList{QStringLiteral("--link"), device});
    LivePanel panel(device);
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim->count(QStringLiteral("tx ")) >= 1, 5000);
    panel.p().Halt->click();
    QCOMPARE(sim->stop(), 0); // the board goes away while nothing is open
    sim.reset();
    QTest::qWait(200);
    QVERIFY(panel.reports.isEmpty());
    QVERIFY(panel.isIdle());
    panel.p().Start->click();
    QCOMPARE(panel.reports.size(), 1);
    QCOMPARE(panel.kinds.first(), Failure::NotFound);
    QVERIFY(panel.isIdle());
    QVERIFY(settlesToIdle());
}

void TestFaults::misbehavingBoard_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("valuesExact"); // every row shows its own channel's value

    QTest::newRow("silent") << QStringList{"--silent"} << false;
    QTest::newRow("late") << QStringList{"--delay", "300"} << false;
    QTest::newRow("split in two") << QStringList{"--split", "10"} << true;
    QTest::newRow("split past the select") << QStringList{"--split", "30"} << true;
    QTest::newRow("garbage around replies") << QStringList{"--garbage", "3"} << false;
    QTest::newRow("every third dropped") << QStringList{"--drop", "3"} << false;
}

void TestFaults::misbehavingBoard()
{
    QFETCH(QStringList, options);
    QFETCH(bool, valuesExact);
    QStringList args = options;
    for (int c = 0; c < 18; ++c)
        args << QStringLiteral("--value") << QStringLiteral("%1=%2").arg(c).arg(200 - c);
    SimProcess sim(args);
    LivePanel panel(sim.device());
    panel.p().Start->click();
    QTest::qWait(2500);
    QVERIFY(panel.reports.isEmpty());
    QVERIFY(panel.p().Halt->isEnabled());
    QVERIFY(panel.p().OrvaneCom->waiting() <= CommPort::kInBufferSize);
    for (int c = 0; c < 18; ++c) {
        const int value = panel.p().valueLabels[c]->text().toInt();
        QVERIFY(value >= 0 && value <= 255);
        if (valuesExact && c < 10)
            QCOMPARE(value, 200 - c);
    }
    panel.p().Halt->click();
    QVERIFY(panel.isIdle());
    QVERIFY(settlesToIdle());
    QVERIFY(panel.reports.isEmpty());
}

void TestFaults::floodAtFullSpeed()
{
    // As fast as the pseudo-terminal takes bytes, not at the pace of a 9600 line.
    SimProcess sim({QStringLiteral("--flood"), QStringLiteral("10"), QStringLiteral("--line-rate"),
                    QStringLiteral("0")});
    LivePanel panel(sim.device());
    const double residentBefore = residentMb();
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("flood-start")) == 1, 5000);
    qsizetype mostWaiting = 0;
    int probes = 0;
    QElapsedTimer slowest;
    qint64 worstGap = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && sim.count(QStringLiteral("flood-end")) == 0) {
        slowest.start();
        QTest::qWait(50);
        worstGap = qMax(worstGap, slowest.elapsed());
        mostWaiting = qMax(mostWaiting, panel.p().OrvaneCom->waiting());
        ++probes;
    }
    QVERIFY2(mostWaiting <= CommPort::kInBufferSize, qPrintable(QString::number(mostWaiting)));
    // The window kept answering while the line poured in.
    QVERIFY2(worstGap < 1000, qPrintable(QString::number(worstGap)));
    const double grown = residentMb() - residentBefore;
    QVERIFY2(grown < 50, qPrintable(QString::number(grown)));
    QVERIFY(panel.reports.isEmpty());
    panel.p().Halt->click();
    QVERIFY(panel.isIdle());
    QVERIFY(settlesToIdle());
    qInfo("%d probes, at most %lld characters waiting, slowest probe %lld ms, %.1f MB more resident",
          probes, qint64(mostWaiting), worstGap, grown);
}

void TestFaults::clicksAsFastAsTheyCome()
{
    SimProcess sim({QStringLiteral("--garbage"), QStringLiteral("1")});
    LivePanel panel(sim.device());
    Panel &p = panel.p();
    QList<QAction *> items;
    for (const char *name : {"ElAllOn", "ElAllOff", "Norm", "Inv", "About", "ElSl3", "RefASl", "VPWRSl"})
        items << panel.window->findChild<QAction *>(QString::fromLatin1(name));
    QRandomGenerator rng(7);
    QElapsedTimer clock;
    clock.start();
    int clicks = 0;
    while (clock.elapsed() < 4000) {
        switch (rng.bounded(7)) {
        case 0: p.Start->click(); break;
        case 1: p.Halt->click(); break;
        case 2: p.ZoomIn->click(); break;
        case 3: p.ZoomOut->click(); break;
        case 4: p.HScroll->setValue(int(rng.bounded(256))); break;
        default: items[rng.bounded(items.size())]->trigger(); break;
        }
        ++clicks;
        QCoreApplication::processEvents();
        const bool running = p.Halt->isEnabled();
        QCOMPARE(p.OrvaneCom->isOpen(), running);
        QCOMPARE(int(p.Timer1->isActive()) + int(p.Timer2->isActive()), running ? 1 : 0);
    }
    QVERIFY(panel.reports.isEmpty());
    int abouts = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        abouts += qobject_cast<FrmAbout *>(w) != nullptr;
    QVERIFY(abouts <= 1);
    delete panel.window->aboutWindow();
    p.Halt->click();
    QVERIFY(settlesToIdle());
    qInfo("%d clicks", clicks);
}

PORT_HOLDER_TEST_MAIN(TestFaults)

#include "tst_faults.moc"
