#include "panelfixture.h"

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
    void failureDuringRun_data();
    void failureDuringRun();
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
    f.p().Start->click();
    f.tick(f.p().Timer1);
    f.tick(f.p().Timer2);
    f.tick(f.p().Timer1);
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
    f.port->openFailure = QStringLiteral("Permission denied");
    f.click("ComPort2");
    f.p().Start->click();
    expectIdle(f, true);
    QVERIFY(f.port->writes.isEmpty());
    QCOMPARE(f.reports.size(), 1);
    QCOMPARE(f.reports.first(), QStringLiteral("Com2 (/dev/fake2): cannot open: Permission denied"));
    QVERIFY(f.item("ComPort2")->isChecked());

    f.port->openFailure.clear();
    f.p().Start->click();
    expectRunning(f);
    QCOMPARE(f.reports.size(), 1);
}

void TestRunControl::failureDuringRun_data()
{
    QTest::addColumn<int>("how"); // 0 measure write, 1 select write, 2 device lost
    QTest::addColumn<QString>("mentions");
    QTest::newRow("measure write fails") << 0 << "cannot write: Input/output error";
    QTest::newRow("select write fails") << 1 << "cannot write: Input/output error";
    QTest::newRow("device lost") << 2 << "the connection was lost: Input/output error";
}

void TestRunControl::failureDuringRun()
{
    QFETCH(int, how);
    QFETCH(QString, mentions);

    PanelFixture f;
    f.p().Start->click();
    f.port->feed("x\r\n10\r\n>");
    const QImage chart = f.p().Chart->image();
    if (how == 1)
        f.tick(f.p().Timer1);
    if (how == 2) {
        f.port->loseDevice(QStringLiteral("Input/output error"));
    } else {
        f.port->writeFailure = QStringLiteral("Input/output error");
        f.tick(how == 0 ? f.p().Timer1 : f.p().Timer2);
    }
    expectIdle(f, true);
    QCOMPARE(f.reports.size(), 1);
    QVERIFY2(f.reports.first().startsWith(QStringLiteral("Com1 (/dev/fake1): ")), qPrintable(f.reports.first()));
    QVERIFY2(f.reports.first().contains(mentions), qPrintable(f.reports.first()));
    QCOMPARE(f.p().Chart->image(), chart);
    QCOMPARE(f.p().valueLabels[0]->text(), QStringLiteral("16"));

    // Nothing keeps ticking, so nothing more is reported.
    QTest::qWait(150);
    QCOMPARE(f.reports.size(), 1);
}

QTEST_MAIN(TestRunControl)
#include "tst_runcontrol.moc"
