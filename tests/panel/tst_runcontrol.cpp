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
    void scanFollowsTheMenuMarks();
};

void TestRunControl::startSequence_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("portNumber");
    QTest::addColumn<QString>("bytes");

    QTest::newRow("defaults") << QStringList{} << 1 << "d 1\rs 0\r";
    QTest::newRow("shield off") << QStringList{"SDOFF"} << 1 << "d 0\rs 0\r";
    QTest::newRow("off, then on") << QStringList{"SDOFF", "SDON"} << 1 << "d 1\rs 0\r";
    QTest::newRow("Com3") << QStringList{"ComPort3"} << 3 << "d 1\rs 0\r";
    QTest::newRow("Com4, then Com2, off") << QStringList{"ComPort4", "ComPort2", "SDOFF"} << 2
                                          << "d 0\rs 0\r";
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
    QCOMPARE(f.port->writes.size(), 5); // each command, then its CR on its own
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
    QCOMPARE(f.sent(), QStringLiteral("d 1\rs 0\r"));
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
    QCOMPARE(f.sent(), QStringLiteral("d 1\rs 0\r"));
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
    QTest::addColumn<bool>("atRun"); // else the line is lost while the run goes on
    QTest::newRow("Run fails") << true;
    QTest::newRow("the run fails later") << false;
}

// However the engine's failure comes, the controls go idle, it is reported once, and Run works again.
void TestRunControl::failureDuringRun()
{
    QFETCH(bool, atRun);

    PanelFixture f;
    // A bar from earlier, so a Run that went on to clear the chart would show.
    f.port->open();
    f.port->feed("x\r\n10\r\n>");
    f.port->close();
    const QImage chart = f.p().Chart->image();
    if (atRun) {
        f.port->writeFailure = FakeCommPort::ioError();
        f.p().Start->click();
    } else {
        f.p().Start->click();
        f.tick(f.p().Timer1);
        f.port->failLater();
        QTRY_COMPARE(f.reports.size(), 1);
    }

    expectIdle(f, true);
    QCOMPARE(f.reports, QStringList{"Com1 (/dev/fake1): the connection was lost: the device was unplugged or hung up"});
    QCOMPARE(f.kinds, QList<Failure>{Failure::Lost});
    QCOMPARE(f.p().valueLabels[0]->text(), QStringLiteral("16"));
    // A Run that failed stopped there, before the chart was cleared.
    QCOMPARE(f.p().Chart->image() == chart, atRun);

    f.port->writeFailure.reset();
    f.p().Start->click();
    expectRunning(f);
    QCOMPARE(f.reports.size(), 1);
}

// The scan asks the menu which channels take part, at every step.
void TestRunControl::scanFollowsTheMenuMarks()
{
    PanelFixture f;
    f.choose({3, 12});
    f.p().Start->click();
    f.tick(f.p().Timer1);
    f.answer();
    f.tick(f.p().Timer2);
    f.choose({5});
    f.tick(f.p().Timer1);
    f.answer();
    f.tick(f.p().Timer2);
    QCOMPARE(f.sent(), QStringLiteral("d 1\rs 0\rx\rs 3\rx\rs 5\r"));
    QVERIFY(f.reports.isEmpty());
}

QTEST_MAIN(TestRunControl)
#include "tst_runcontrol.moc"
