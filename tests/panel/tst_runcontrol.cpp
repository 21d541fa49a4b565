#include "panelfixture.h"

#include <QMenu>
#include <QTest>

namespace {
void expectIdle(PanelFixture &f, bool runEnabled)
{
    QCOMPARE(f.p().Start->isEnabled(), runEnabled);
    QVERIFY(!f.p().Halt->isEnabled());
    QVERIFY(f.p().PortSel->isEnabled());
    QVERIFY(f.p().ShldDrvr->isEnabled());
    QVERIFY(!f.port->isOpen());
    QCOMPARE(f.armedTimers(), 0);
}

void expectRunning(PanelFixture &f)
{
    QVERIFY(!f.p().Start->isEnabled());
    QVERIFY(f.p().Halt->isEnabled());
    QVERIFY(!f.p().PortSel->isEnabled());
    QVERIFY(!f.p().ShldDrvr->isEnabled());
    QVERIFY(f.port->isOpen());
    QCOMPARE(f.armedTimers(), 1);
}
} // namespace

class TestRunControl : public QObject {
    Q_OBJECT
private slots:
    void startSequence_data();
    void startSequence();
    void stopLeavesTheChart();
    void runDuringARunStartsOver();
    void openFailureStaysIdle();
    void portMenuTellsDevices();
    void failureDuringRun_data();
    void failureDuringRun();
    void boardGoesQuiet_data();
    void boardGoesQuiet();
};

void TestRunControl::startSequence_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("bytes");

    QTest::newRow("defaults") << QStringList{} << 1 << "d 1\r";
    QTest::newRow("shield off") << QStringList{"SDOFF"} << 1 << "d 0\r";
    QTest::newRow("off, then on") << QStringList{"SDOFF", "SDON"} << 1 << "d 1\r";
    QTest::newRow("Com3") << QStringList{"ComPort3"} << 3 << "d 1\r";
    QTest::newRow("Com4, then Com2, off") << QStringList{"ComPort4", "ComPort2", "SDOFF"} << 2
                                          << "d 0\r";
}

void TestRunControl::startSequence()
{
    QFETCH(QStringList, clicks);
    QFETCH(int, portNumber);
    QFETCH(QString, bytes);

    PanelFixture f;
    for (const QString &name : clicks)
        f.click(name.toLatin1().constData());
    QCOMPARE(f.port->opens, 0);
    QCOMPARE(f.p().state.PortIdx, qint16(portNumber - 1));
    f.p().state.ChanIdx = 5;
    f.p().Start->click();
    expectRunning(f);
    QCOMPARE(f.port->portNumber(), portNumber);
    QCOMPARE(f.port->settings(), QStringLiteral("9600,N,8,1"));
    QCOMPARE(f.port->writes.size(), 2); // the command, then its CR on its own
    QCOMPARE(f.sent(), bytes);
    QCOMPARE(f.p().state.ChanIdx, qint16(0));
    QVERIFY(f.p().Timer1->isActive());
}

void TestRunControl::stopLeavesTheChart()
{
    PanelFixture f;
    f.p().Start->click();
    f.tick(f.p().Timer1);
    f.port->feed("x\r\nC8\r\n>");
    const QImage chart = f.p().Chart->image();
    f.port->clearSent();
    f.p().Halt->click();
    expectIdle(f, true);
    QCOMPARE(f.p().Chart->image(), chart);
    QCOMPARE(f.p().valueLabels[0]->text(), QStringLiteral("200"));
    QVERIFY(f.port->writes.isEmpty());
    QCOMPARE(f.port->closes, 1);

    // The next run repeats the whole start and clears the old bars.
    f.p().Start->click();
    expectRunning(f);
    QCOMPARE(f.port->opens, 2);
    QCOMPARE(f.sent(), QStringLiteral("d 1\r"));
    QCOMPARE(f.pixel(60, 6), QColor(Qt::white));
}

void TestRunControl::runDuringARunStartsOver()
{
    PanelFixture f;
    f.runToSecondMeasure();
    f.port->feed("x\r\n80\r\n>");
    f.click("ElSl4"); // out
    f.click("ElSl4"); // back in: Run is enabled during the run
    QVERIFY(f.p().Start->isEnabled());
    QVERIFY(f.p().Timer2->isActive());
    f.port->clearSent();

    f.p().Start->click();
    expectRunning(f);
    QVERIFY(f.p().Timer1->isActive());
    QCOMPARE(f.port->opens, 1);
    QCOMPARE(f.port->closes, 0);
    QCOMPARE(f.sent(), QStringLiteral("d 1\r"));
    QCOMPARE(f.p().state.ChanIdx, qint16(0));
    QVERIFY(f.reports.isEmpty());
}

void TestRunControl::openFailureStaysIdle()
{
    PanelFixture f;
    f.port->openFailure = DeviceError{Failure::NotPermitted, QStringLiteral("Permission denied")};
    f.click("ComPort2");
    f.p().Start->click();
    expectIdle(f, true);
    QVERIFY(f.port->writes.isEmpty());
    QCOMPARE(f.reports.size(), 1);
    QCOMPARE(f.reports.first(), QStringLiteral("Com2 (/dev/fake2): cannot open: Permission denied"));
    QCOMPARE(f.kinds.first(), Failure::NotPermitted);
    QVERIFY(f.item("ComPort2")->isChecked());

    f.port->openFailure.reset();
    f.p().Start->click();
    expectRunning(f);
    QCOMPARE(f.reports.size(), 1);
}

void TestRunControl::portMenuTellsDevices()
{
    PanelFixture f;
    auto *menu = f.window->findChild<QMenu *>(QStringLiteral("PortSel"));
    QVERIFY(menu->toolTipsVisible());
    emit menu->aboutToShow();
    for (int n = 1; n <= 4; ++n)
        QCOMPARE(f.item(QStringLiteral("ComPort%1").arg(n).toLatin1().constData())->toolTip(),
                 QStringLiteral("/dev/fake%1").arg(n));
    QCOMPARE(f.item("ComPort3")->text(), QStringLiteral("Com3"));
}

void TestRunControl::failureDuringRun_data()
{
    QTest::addColumn<int>("where"); // 0 Start_Click, 1 Timer1 tick, 2 Timer2 tick
    QTest::addColumn<int>("how");   // 0 from write, 1 from flush, 2 later from the event loop
    QTest::addColumn<QString>("message");
    QTest::addColumn<Failure>("kind");

    const char *wheres[] = {"Run", "measure tick", "select tick"};
    const QString lost = QStringLiteral("the connection was lost: the device was unplugged or hung up");
    const QString full = QStringLiteral("cannot write: the device takes no data (Resource temporarily unavailable)");
    for (int where = 0; where < 3; ++where) {
        QTest::addRow("%s, write fails", wheres[where]) << where << 0 << lost << Failure::Lost;
        QTest::addRow("%s, flush finds no room", wheres[where]) << where << 1 << full << Failure::Stalled;
        QTest::addRow("%s, then the line is lost", wheres[where]) << where << 2 << lost << Failure::Lost;
    }
}

// Wherever a failure surfaces, the first one ends the run at that step and is told once.
void TestRunControl::failureDuringRun()
{
    QFETCH(int, where);
    QFETCH(int, how);
    QFETCH(QString, message);
    QFETCH(Failure, kind);

    PanelFixture f;
    // A bar from earlier, so a Run that went on to clear the chart would show.
    f.port->open();
    f.port->feed("x\r\n10\r\n>");
    f.port->close();
    const QImage chart = f.p().Chart->image();
    if (where > 0)
        f.p().Start->click();
    if (where > 1)
        f.tick(f.p().Timer1);
    f.port->clearSent();

    if (how == 0)
        f.port->writeFailure = FakeCommPort::ioError();
    else if (how == 1)
        f.port->stalled = true;
    QTimer *timer = where == 1 ? f.p().Timer1 : f.p().Timer2;
    const int intervalBefore = (where == 1 ? f.p().Timer2 : f.p().Timer1)->interval();
    if (where == 0)
        f.p().Start->click();
    else
        f.tick(timer);
    if (how == 2) {
        QVERIFY(f.reports.isEmpty());
        f.port->failLater();
        QTRY_COMPARE(f.reports.size(), 1);
    }

    expectIdle(f, true);
    QCOMPARE(f.reports.size(), 1);
    QCOMPARE(f.reports.first(), QStringLiteral("Com1 (/dev/fake1): ") + message);
    QCOMPARE(f.kinds.first(), kind);
    QCOMPARE(f.p().valueLabels[0]->text(), QStringLiteral("16"));
    if (how < 2) {
        // The handler stopped at the failing write: nothing after it ran.
        QCOMPARE(f.p().Chart->image() == chart, where == 0);
        if (where > 0)
            QCOMPARE((where == 1 ? f.p().Timer2 : f.p().Timer1)->interval(), intervalBefore);
    }
    const qsizetype written = f.port->writes.size();

    // Nothing keeps ticking, so nothing more is sent or reported.
    QTest::qWait(150);
    QCOMPARE(f.reports.size(), 1);
    QCOMPARE(f.port->writes.size(), written);

    // With the line back, Run works again.
    f.port->writeFailure.reset();
    f.port->stalled = false;
    f.p().Start->click();
    expectRunning(f);
    QCOMPARE(f.reports.size(), 1);
}

void TestRunControl::boardGoesQuiet_data()
{
    QTest::addColumn<QByteArray>("answer"); // to each measure command once it goes quiet
    QTest::addColumn<qint64>("unsent");      // bytes the driver holds
    QTest::addColumn<QString>("message");
    QTest::addColumn<Failure>("kind");

    QTest::newRow("nothing") << QByteArray() << qint64(0)
                             << "the board does not answer: no reply to the last 16 measure commands "
                                "(check that it is powered and wired to the adapter)"
                             << Failure::BoardSilent;
    QTest::newRow("bytes of another speed") << QByteArray("\xf0\x0f\xaa\x55\x81\x7e\x03\xc0\x11") << qint64(0)
                                            << "the board's replies cannot be read: 144 bytes in reply to the "
                                               "last 16 measure commands, none a reading (check that the board "
                                               "runs at 9600 baud)"
                                            << Failure::BoardUnreadable;
    QTest::newRow("commands left unsent") << QByteArray() << qint64(6)
                                          << "cannot write: the device takes no data (6 bytes are still waiting)"
                                          << Failure::Stalled;
    QTest::newRow("malformed replies") << QByteArray("x\r\nZZ\r\n>") << qint64(0)
                                       << "the board's replies cannot be read: 128 bytes in reply to the "
                                          "last 16 measure commands, none a reading (check that the board "
                                          "runs at 9600 baud)"
                                       << Failure::BoardUnreadable;
}

// A run whose board stops answering ends with one message, and nothing is sent after it.
void TestRunControl::boardGoesQuiet()
{
    QFETCH(QByteArray, answer);
    QFETCH(qint64, unsent);
    QFETCH(QString, message);
    QFETCH(Failure, kind);

    PanelFixture f;
    f.p().Start->click();
    for (int step = 0; step < 5; ++step) {
        f.tick(f.p().Timer1);
        f.answer(0x20 + step);
        f.tick(f.p().Timer2);
    }
    f.port->driverHolds = unsent;
    int measures = 0;
    while (f.reports.isEmpty() && measures < 40) {
        f.tick(f.p().Timer1);
        if (!f.p().Timer2->isActive())
            break;
        ++measures;
        if (!answer.isEmpty())
            f.port->feed(answer);
        f.tick(f.p().Timer2);
    }
    QCOMPARE(measures, 16);
    expectIdle(f, true);
    QCOMPARE(f.reports, QStringList{QStringLiteral("Com1 (/dev/fake1): ") + message});
    QCOMPARE(f.kinds, QList<Failure>{kind});
    // The measure command that found it was never sent.
    QVERIFY(f.port->sent().endsWith("s 3\r"));

    f.port->driverHolds = 0;
    f.p().Start->click();
    expectRunning(f);
    QCOMPARE(f.reports.size(), 1);
}

QTEST_MAIN(TestRunControl)
#include "tst_runcontrol.moc"
