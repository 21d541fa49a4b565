#include "clock.h"
#include "livepanel.h"
#include "simprocess.h"

#include <QAction>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {
QStringList steadyBoard()
{
    QStringList args;
    for (int c = 0; c < 18; ++c)
        args << QStringLiteral("--value") << QStringLiteral("%1=%2").arg(c).arg(100 + c);
    return args;
}

// The panel's report, stamped on the simulator's clock when it shows.
struct Stamped {
    QString text;
    Failure kind = Failure::Harmless;
    double at = 0;
};

Stamped awaitReport(LivePanel &panel, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (panel.reports.isEmpty() && clock.elapsed() < ms)
        QTest::qWait(2);
    return {panel.reports.value(0), panel.kinds.value(0, Failure::Harmless), monotonicSeconds()};
}

} // namespace

// A board that stops answering, answers at another speed, or goes away during a run.
class TestQuietBoard : public QObject {
    Q_OBJECT
private slots:
    void goesQuiet_data();
    void goesQuiet();
    void goesAway_data();
    void goesAway();
    void slowLineNoFalseAlarm();
};

void TestQuietBoard::goesQuiet_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("message");
    QTest::addColumn<Failure>("kind");
    // On a busy machine the scan falls behind, so fewer commands fit in the time.
    QTest::newRow("it stops answering")
        << "--mute-after" << "the board does not answer: no reply to the last (1[2-6]) measure commands \\(check"
        << Failure::BoardSilent;
    QTest::newRow("it answers at another speed")
        << "--garble-after"
        << "the board's replies cannot be read: (\\d+) bytes in reply to the last (1[2-6]) measure commands, none"
        << Failure::BoardUnreadable;
}

void TestQuietBoard::goesQuiet()
{
    QFETCH(QString, option);
    QFETCH(QString, message);
    QFETCH(Failure, kind);
    auto sim = std::make_unique<SimProcess>(steadyBoard() << option << QStringLiteral("8")
                                                          << QStringLiteral("--latency") << QStringLiteral("16"));
    LivePanel panel(sim->device());
    panel.p().Start->click();
    const Stamped report = awaitReport(panel, 6000);
    const QRegularExpressionMatch told = QRegularExpression(
        QStringLiteral("^Com1 \\(%1\\): %2").arg(QRegularExpression::escape(sim->device()), message)).match(report.text);
    QVERIFY2(told.hasMatch(), qPrintable(report.text));
    QCOMPARE(report.kind, kind);
    // Nine bytes of another line speed to each command.
    if (told.lastCapturedIndex() == 2)
        QCOMPARE(told.captured(1).toInt(), 9 * told.captured(2).toInt());
    QVERIFY(panel.isIdle());
    double lastGood = 0;
    for (const SimProcess::Event &e : sim->events())
        if (e.what.startsWith(QLatin1String("tx ")))
            lastGood = e.t;
    const double silence = report.at - lastGood;
    qInfo("message %.3f s after the last good reply", silence);
    QVERIFY2(silence > 1.5 && silence < 2.0, qPrintable(QString::number(silence)));

    // Nothing is sent after it, and it is told once.
    const int commands = sim->received().size();
    QVERIFY(settlesToIdle());
    QCOMPARE(sim->received().size(), commands);
    QCOMPARE(panel.reports.size(), 1);

    // With a board that answers again, Run works.
    sim = std::make_unique<SimProcess>(steadyBoard());
    qputenv("ORVANE_COM1", sim->device().toLocal8Bit());
    panel.p().Start->click();
    QTRY_COMPARE_WITH_TIMEOUT(panel.p().valueLabels[1]->text(), QStringLiteral("101"), 4000);
    panel.p().Halt->click();
    QCOMPARE(panel.reports.size(), 1);
}

void TestQuietBoard::goesAway_data()
{
    QTest::addColumn<bool>("killed"); // else it hangs up the line
    QTest::newRow("the line hangs up") << false;
    QTest::newRow("the adapter is pulled") << true;
}

// Found by the panel itself within a step, named for what it is, and the loop goes quiet.
void TestQuietBoard::goesAway()
{
    QFETCH(bool, killed);
    // Through a link of its own: the pseudo-terminal's number may go to another test's line.
    QTemporaryDir dir;
    const QString link = SimProcess::linkIn(dir);
    QStringList args = steadyBoard() << QStringLiteral("--link") << link;
    if (!killed)
        args << QStringLiteral("--hangup-after") << QStringLiteral("12");
    SimProcess sim(args);
    LivePanel panel(link);
    panel.p().Start->click();
    double gone = 0;
    if (killed) {
        QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("tx ")) >= 4, 5000);
        QTest::qWait(30);
        gone = monotonicSeconds();
        ::kill(pid_t(sim.process().processId()), SIGKILL);
    }
    const Stamped report = awaitReport(panel, 6000);
    if (!killed)
        gone = sim.timesOf(QStringLiteral("hangup")).value(0);
    QCOMPARE(report.text, QStringLiteral("Com1 (%1): the connection was lost: the device was unplugged or hung up")
                              .arg(link));
    QCOMPARE(report.kind, Failure::Lost);
    qInfo("found %.1f ms after it went", (report.at - gone) * 1000);
    QVERIFY2(report.at - gone < 0.1, qPrintable(QString::number(report.at - gone)));
    QVERIFY(panel.isIdle());
    QVERIFY(settlesToIdle());
    QCOMPARE(panel.reports.size(), 1);
}

// Replies 50 ms late behind an adapter's 16 ms latency timer, with the user at the
// menus all along: a minute without a false alarm.
void TestQuietBoard::slowLineNoFalseAlarm()
{
    SimProcess sim(steadyBoard() << QStringLiteral("--latency") << QStringLiteral("16") << QStringLiteral("--line-rate")
                                 << QStringLiteral("9600") << QStringLiteral("--delay") << QStringLiteral("50"));
    LivePanel panel(sim.device());
    auto click = [&](const char *name) { panel.window->findChild<QAction *>(QString::fromLatin1(name))->trigger(); };
    panel.p().Start->click();
    QElapsedTimer clock;
    clock.start();
    const char *const moves[] = {"ElSl3", "ElSl3", "RefASl", "RefASl", "Inv", "Norm", "ElAllOn", "ZoomIn", "ZoomOut"};
    for (int i = 0; clock.elapsed() < 60000; ++i) {
        QTest::qWait(700);
        const char *move = moves[i % std::size(moves)];
        if (QByteArray(move).startsWith("Zoom"))
            panel.window->findChild<QPushButton *>(QString::fromLatin1(move))->click();
        else
            click(move);
        // Only the first channel chosen for a while: a pass is one step long.
        if (i % 20 == 10) {
            click("ElAllOff");
            click("ISRCSl");
            panel.p().Start->click();
            QTest::qWait(3000);
            click("ElAllOn");
        }
        QVERIFY2(panel.reports.isEmpty(), qPrintable(panel.reports.value(0)));
    }
    QVERIFY(panel.p().Halt->isEnabled());
    panel.p().Halt->click();
    QVERIFY(sim.count(QStringLiteral("tx ")) > 450);
}

QTEST_MAIN(TestQuietBoard)
#include "tst_quietboard.moc"
