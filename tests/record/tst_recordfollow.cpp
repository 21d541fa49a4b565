#include "following.h"

#include <QAction>
#include <QApplication>
#include <QScopeGuard>

#include <csignal>

namespace {
const ChannelSet kAll = ChannelSet().set();
const QString kOurs = commOf(QCoreApplication::applicationPid());

// This executable run as "TEST --panel DEVICE": a panel with its run offered, running.
int offerFromHere(int argc, char *argv[])
{
    QApplication app(argc, argv);
    LivePanel panel(QString::fromLocal8Bit(argv[2]));
    auto *offer = new RunOffer(panel.p().engine);
    panel.p().Start->click();
    std::printf("%s\n", qPrintable(offer->path()));
    std::fflush(stdout);
    return app.exec();
}
} // namespace

class TestRecordFollow : public QObject {
    Q_OBJECT
private slots:
    void follows_data();
    void follows();
    void runEnds_data();
    void runEnds();
    void panelKilled();
    void stuckFollowerDropped();
    void refused_data();
    void refused();
};

void TestRecordFollow::follows_data()
{
    QTest::addColumn<QStringList>("takenOut");         // of the panel's run, by menu item
    QTest::addColumn<QList<QStringList>>("recorders"); // started together, mid-run
    const QStringList time{"--seconds", "1.5"};
    QTest::newRow("all channels") << QStringList{} << QList<QStringList>{time};
    QTest::newRow("two at once") << QStringList{} << QList<QStringList>{time, time};
    QTest::newRow("a subset, and a whole sweep of another")
        << QStringList{}
        << QList<QStringList>{QStringList{"--channels", "E1-E3,Vpwr"} + time,
                              {"--channels", "E2,Ref B", "--sweeps", "1"}};
    QTest::newRow("the panel's own subset")
        << QStringList{"ISRCSl", "ElSl5", "ElSl6", "ElSl7", "ElSl8", "ElSl9", "VDDSl", "VPWRSl"}
        << QList<QStringList>{{"--sweeps", "1"}, QStringList{"--channels", "E1,E9"} + time};
}

// Recorders started mid-run write exactly the readings the panel draws of the
// channels both take, on the panel's clock, and the board sees the panel alone.
void TestRecordFollow::follows()
{
    QFETCH(QStringList, takenOut);
    QFETCH(QList<QStringList>, recorders);
    Board board;
    Offered panel(board.link);
    for (const QString &item : takenOut)
        panel.panel.window->findChild<QAction *>(item)->trigger();
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(panel.drawn.size() >= 3, 5000);
    const qint64 startedMs = panel.run.elapsed();
    std::vector<std::unique_ptr<Follower>> recs;
    for (const QStringList &args : recorders)
        recs.push_back(std::make_unique<Follower>(board.link, args));
    QList<qint64> joinedByMs;
    for (auto &rec : recs) {
        QVERIFY(rec->joins());
        joinedByMs << panel.run.elapsed();
    }
    QList<QList<Drawn>> got(recorders.size());
    for (qsizetype i = 0; i < recorders.size(); ++i) {
        Follower &rec = *recs[size_t(i)];
        QString error;
        const qsizetype at = recorders[i].indexOf("--channels");
        const ChannelSet channels = at < 0 ? kAll : *parseChannelList(recorders[i][at + 1], &error);
        QCOMPARE(rec.ended(), 0);
        QCOMPARE(rec.said, panel.following(board.link));
        VERIFY_NO_FAULT(rec.unlike(panel.drawn, channels, &got[i]));
        const auto kept = [&](const Drawn &d) { return d.chosen && channels[size_t(d.channel)]; };
        const auto before = std::find_if(std::make_reverse_iterator(panel.drawn.begin() + got[i].first().seq),
                                         panel.drawn.rend(), kept);
        const auto after = std::find_if(panel.drawn.begin() + got[i].last().seq + 1, panel.drawn.end(), kept);
        if (const qsizetype s = recorders[i].indexOf("--seconds"); s >= 0) {
            // From the first reading after it joined, for its time.
            const qint64 ms = qRound64(recorders[i][s + 1].toDouble() * 1000);
            QVERIFY(before == panel.drawn.rend() || before->elapsedMs < joinedByMs[i]);
            QVERIFY(got[i].last().elapsedMs < joinedByMs[i] + ms);
            QVERIFY(after == panel.drawn.end() || after->elapsedMs > startedMs + ms);
            continue;
        }
        // A whole pass, the first to begin after it joined.
        const qint64 pass = got[i].first().pass;
        QCOMPARE(got[i].last().pass, pass);
        QCOMPARE(got[i].size(), qsizetype((channels & panel.engine()->chosen()).count()));
        QVERIFY(before != panel.drawn.rend() && before->pass == pass - 1);
        const auto begins = [&panel](qint64 p) {
            return std::find_if(panel.drawn.begin(), panel.drawn.end(), [p](const Drawn &d) { return d.pass == p; })
                ->elapsedMs;
        };
        QVERIFY(begins(pass) > startedMs && begins(pass - 1) < joinedByMs[i]);
    }
    // Two alike got the same rows, over much the same time.
    if (recorders.size() == 2 && recorders[0] == recorders[1])
        QVERIFY(qMin(got[0].last().seq, got[1].last().seq) - qMax(got[0].first().seq, got[1].first().seq) >= 10);
    QVERIFY(lockedByUs(board.sim));
    panel.p().Halt->click();
    VERIFY_NO_FAULT(disturbed(board.sim));
}

void TestRecordFollow::runEnds_data()
{
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("how"); // the panel's run is ended, if not by the board
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says"); // last; empty: what the panel reported
    const QString ended = QStringLiteral("orvane-record: Com1: the panel's run ended");
    const QString exited =
        ended + QStringLiteral(": %1 (process %2) has exited").arg(kOurs).arg(QCoreApplication::applicationPid());
    QTest::newRow("Stop clicked") << QStringList{} << "stop" << 0 << ended;
    QTest::newRow("every channel taken out") << QStringList{} << "unchoose" << 0 << ended;
    QTest::newRow("the window closed") << QStringList{} << "close" << 0 << exited;
    QTest::newRow("the board hangs up") << QStringList{"--hangup-after", "50"} << "" << 3 << "";
    QTest::newRow("the simulator killed") << QStringList{} << "kill" << 3 << "";
    QTest::newRow("the board falls silent") << QStringList{"--mute-after", "20"} << "" << 3 << "";
}

// The run's end ends the recording at once, every reading drawn till then a row,
// with the panel's words for a failure.
void TestRecordFollow::runEnds()
{
    QFETCH(QStringList, simArgs);
    QFETCH(QString, how);
    QFETCH(int, status);
    QFETCH(QString, says);
    Board board(simArgs);
    Offered panel(board.link);
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(panel.drawn.size() >= 3, 5000);
    Follower rec(board.link, {});
    QTRY_VERIFY_WITH_TIMEOUT(rec.rowCount() >= 3, 5000);
    QVERIFY2(panel.panel.reports.isEmpty(), "the run failed before the recorder joined");
    const QString following = panel.following(board.link);
    QCOMPARE(offered(board),
             QStringList({QStringLiteral("Com1.sock"),
                          QFileInfo(board.link).canonicalFilePath().mid(5).replace(u'/', u'_') + ".sock"}));
    if (how == u"stop")
        panel.p().Halt->click();
    for (QAction *item : panel.p().channelItems) {
        if (how == u"unchoose" && item->isChecked())
            item->trigger();
    }
    const QList<Drawn> drawn = panel.drawn;
    if (how == u"close")
        panel.panel.window.reset();
    if (how == u"kill")
        board.sim.stop(SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(status == 0 || !panel.panel.reports.isEmpty(), 5000);
    QCOMPARE(rec.ended(1000), status);
    QCOMPARE(rec.said, following + (status == 0 ? says : panel.panel.reports.value(0)) + u'\n');
    QList<Drawn> matched;
    VERIFY_NO_FAULT(rec.unlike(status == 0 ? drawn : panel.drawn, kAll, &matched));
    QCOMPARE(matched.last().seq, (status == 0 ? drawn : panel.drawn).last().seq);
    QCOMPARE(offered(board), QStringList());
    if (status != 0 || how == u"close")
        return;

    // A later run is offered afresh, and the recording stays ended.
    VERIFY_NO_FAULT(disturbed(board.sim));
    for (QAction *item : panel.p().channelItems) {
        if (!item->isChecked())
            item->trigger();
    }
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(panel.drawn.size() >= 2, 5000);
    QCOMPARE(offered(board).size(), 2);
    QCOMPARE(rec.rowCount(), matched.size());
}

// A panel killed outright: the recording ends well, with every row it had.
void TestRecordFollow::panelKilled()
{
    Board board;
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--panel"), board.link});
    QVERIFY(child.waitForReadyRead(5000));
    QVERIFY(child.readLine().trimmed().endsWith(".sock"));
    const qint64 pid = child.processId();
    const QString program = commOf(pid);
    // Left by the kill, under the device's name and the link's.
    auto unlock = qScopeGuard([&board] {
        QFile::remove(board.sim.lockFile());
        QFile::remove(QStringLiteral("/run/lock/") + lockFileName(board.link));
    });
    Follower rec(board.link, {});
    QTRY_VERIFY_WITH_TIMEOUT(rec.rowCount() >= 10, 5000);
    ::kill(pid_t(pid), SIGKILL);
    QVERIFY(child.waitForFinished());
    QCOMPARE(rec.ended(1000), 0);
    QCOMPARE(rec.said, QStringLiteral("orvane-record: recording the run of %1 (process %2) on Com1 (%3)\n"
                                      "orvane-record: Com1: the panel's run ended: %1 (process %2) has exited\n")
                           .arg(program)
                           .arg(pid)
                           .arg(board.link));
    // Each the board's reply, in order, none left out.
    QString fault;
    const QList<Row> rows = rowsOf(rec.output, &fault);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    for (qsizetype i = 1; i < rows.size(); ++i) {
        QCOMPARE(rows[i].reading, SimProcess::fixedValue(rows[i].channel));
        QCOMPARE(rows[i].channel, (rows[i - 1].channel + 1) % kChannelCount);
        QVERIFY(rows[i].time >= rows[i - 1].time);
    }
    const double steps = (rows.last().elapsed - rows.first().elapsed) / 0.1;
    QVERIFY2(qAbs(steps - double(rows.size() - 1)) < 0.5, qPrintable(QString::number(steps)));
}

// A recorder that stops reading is cut off once a backlog waits for it, and says
// so when it reads again; the scan goes on unheld.
void TestRecordFollow::stuckFollowerDropped()
{
    Board board;
    Offered panel(board.link);
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(panel.drawn.size() >= 3, 5000);
    Follower stuck(board.link, {});
    QVERIFY(stuck.joins());
    const pid_t stuckPid = pid_t(stuck.process.processId());
    ::kill(stuckPid, SIGSTOP);
    auto resume = qScopeGuard([stuckPid] { ::kill(stuckPid, SIGCONT); });
    const qsizetype stoppedAt = panel.drawn.size();
    QTest::qWait(1000);
    // At ten readings a second the backlog would take minutes: more are put in
    // through the engine's signals, as its receive events put them, between the scan's own.
    for (int i = 0; i < RunOffer::kBacklog + 100; ++i) {
        const auto channel = qint16(i % kChannelCount);
        emit panel.engine()->receiving(channel);
        emit panel.engine()->reading(channel, SimProcess::fixedValue(channel));
        if (i % 10 == 9)
            QTest::qWait(10);
    }
    QCOMPARE(panel.offer->followers(), 1); // with its time to read the rest
    resume.dismiss();
    ::kill(stuckPid, SIGCONT);
    QCOMPARE(stuck.ended(), 3);
    QCOMPARE(stuck.said, panel.following(board.link)
                             + QStringLiteral("orvane-record: Com1: this recording fell %1 readings behind the "
                                              "panel's run and was cut off; the rows after that are missing\n")
                                   .arg(RunOffer::kBacklog));
    QTRY_COMPARE_WITH_TIMEOUT(panel.offer->followers(), 0, 2000);
    QList<Drawn> matched;
    VERIFY_NO_FAULT(stuck.unlike(panel.drawn, kAll, &matched));
    QVERIFY(matched.last().seq - stoppedAt >= RunOffer::kBacklog);
    panel.p().Halt->click();
    VERIFY_NO_FAULT(disturbed(board.sim));
}

void TestRecordFollow::refused_data()
{
    QTest::addColumn<bool>("admitted");
    QTest::addColumn<bool>("panelOff"); // the panel's shield driver
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");        // all of standard error, or for status 3 a part
    QTest::addColumn<QByteArray>("stranger"); // written first by a client that is no recorder
    const QString shield = QStringLiteral("orvane-record: Com1: the panel's run has the shield driver %1, and "
                                          "--shield %2 cannot change it; leave --shield out to record it as it is\n");
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString held =
        QStringLiteral(": cannot open: the device is in use by another program (%1, process %2; lock file ")
            .arg(kOurs, pid);
    QTest::newRow("--shield off, the run's on")
        << true << false << QStringList{"--shield", "off"} << 2 << shield.arg("on", "off") << QByteArray();
    QTest::newRow("--shield on, the run's off")
        << true << true << QStringList{"--shield", "on"} << 2 << shield.arg("off", "on") << QByteArray();
    const QString following =
        QStringLiteral("orvane-record: recording the run of %1 (process %2) on Com1 (").arg(kOurs, pid);
    const QStringList time{"--seconds", "1.5"};
    QTest::newRow("--shield as the run has it")
        << true << true << QStringList{"--shield", "off"} + time << 0 << following << QByteArray();
    QTest::newRow("--no-follow") << true << false << QStringList{"--no-follow"} << 3 << held << QByteArray();
    QTest::newRow("another user's panel") << false << false << QStringList{} << 3 << held << QByteArray();
    QTest::newRow("after a client that wrote")
        << true << false << time << 0 << following << QByteArray("r 1 1 5 0 0\n");
}

// What a panel's run cannot give is refused, and leaves the run as it was; so
// is a client that writes, and a recorder follows after it as ever.
void TestRecordFollow::refused()
{
    QFETCH(bool, admitted);
    QFETCH(bool, panelOff);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, says);
    QFETCH(QByteArray, stranger);
    Board board;
    Offered panel(
        board.link, admitted ? RunOffer::Admits() : [](qint64) { return false; });
    if (panelOff)
        panel.p().SDOFF->trigger();
    panel.p().Start->click();
    QVERIFY(!panel.offer->path().isEmpty());
    if (!stranger.isEmpty())
        VERIFY_NO_FAULT(cutOffOnWriting(*panel.offer, stranger));
    Follower rec(board.link, args);
    QCOMPARE(rec.ended(), status);
    QVERIFY2(status == 2 ? rec.said == says : rec.said.contains(says), qPrintable(rec.said));
    QCOMPARE(QFileInfo::exists(rec.output), status == 0);
    if (status == 0)
        VERIFY_NO_FAULT(rec.unlike(panel.drawn, kAll));
    QVERIFY(panel.engine()->isRunning() && panel.panel.reports.isEmpty() && lockedByUs(board.sim));
    QTRY_COMPARE_WITH_TIMEOUT(panel.offer->followers(), 0, 1000);
    QCOMPARE(board.sim.received().first().what, panelOff ? QStringLiteral("d 0") : QStringLiteral("d 1"));
    panel.p().Halt->click();
    VERIFY_NO_FAULT(disturbed(board.sim));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--panel")
        return offerFromHere(argc, argv);
    QApplication app(argc, argv);
    TestRecordFollow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_recordfollow.moc"
