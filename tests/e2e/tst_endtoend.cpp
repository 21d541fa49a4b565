#include "livepanel.h"
#include "simprocess.h"
#include "panel/valuelabel.h"

#include <QAction>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const auto valueOf = SimProcess::fixedValue;
const auto fixedValues = SimProcess::fixedValues;
} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void runScansEveryChannel();
    void shieldOffAndStop();
    void hangUpStopsTheRunOnce();
    void lateReplyKeepsItsRow_data();
    void lateReplyKeepsItsRow();
    void adapterLikeLineKeepsEveryRow();
};

void TestEndToEnd::runScansEveryChannel()
{
    SimProcess sim(fixedValues());
    QVERIFY(!sim.device().isEmpty());
    LivePanel panel(sim.device());
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("tx ")) >= 14, 8000);
    QTest::qWait(30);
    panel.p().Halt->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("closed")) == 1, 3000);

    QList<SimProcess::Event> rx = sim.received();
    QVERIFY(rx.size() >= 29);
    QCOMPARE(rx[0].what, QStringLiteral("d 1"));
    // Channel 0 is selected with it, whatever the board had selected before.
    QCOMPARE(rx[1].what, QStringLiteral("s 0"));
    QVERIFY(rx[1].t - rx[0].t < 0.05);
    rx.removeAt(1);
    QCOMPARE(rx[1].what, QStringLiteral("x"));
    const double firstWait = rx[1].t - rx[0].t;
    QVERIFY2(firstWait > 0.95 && firstWait < 2.0, qPrintable(QString::number(firstWait)));
    const QString codes = QStringLiteral("0123456789ABCDEFVP");
    QList<double> toSelect, toMeasure;
    for (int i = 2; i + 1 < rx.size(); i += 2) {
        const int channel = (i / 2) % 18;
        QCOMPARE(rx[i].what, QStringLiteral("s ") + codes[channel]);
        QCOMPARE(rx[i + 1].what, QStringLiteral("x"));
        toSelect << rx[i].t - rx[i - 1].t;
        toMeasure << rx[i + 1].t - rx[i].t;
    }
    // The cadence, loosely: exact timing is the benchmark's business.
    std::sort(toSelect.begin(), toSelect.end());
    std::sort(toMeasure.begin(), toMeasure.end());
    const double medianToSelect = toSelect[toSelect.size() / 2];
    const double medianToMeasure = toMeasure[toMeasure.size() / 2];
    QVERIFY2(medianToSelect > 0.015 && medianToSelect < 0.04, qPrintable(QString::number(medianToSelect)));
    QVERIFY2(medianToMeasure > 0.075 && medianToMeasure < 0.11, qPrintable(QString::number(medianToMeasure)));

    // Every reply that came back before Stop is in its own row.
    const int measured = sim.count(QStringLiteral("tx "));
    for (int c = 0; c < qMin(measured - 1, 18); ++c) {
        QCOMPARE(panel.p().valueLabels[c]->text(), QString::number(valueOf(c)));
        QCOMPARE(panel.barPixels(c), qRound((800 + 20 * valueOf(c)) / 15.0) - 53);
    }
    QVERIFY(panel.reports.isEmpty());
}

void TestEndToEnd::shieldOffAndStop()
{
    SimProcess sim(fixedValues());
    LivePanel panel(sim.device());
    panel.window->findChild<QAction *>(QStringLiteral("SDOFF"))->trigger();
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("tx ")) >= 2, 5000);
    QTest::qWait(30);
    panel.p().Halt->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("closed")) == 1, 3000);
    QCOMPARE(sim.received().first().what, QStringLiteral("d 0"));
    const int sent = sim.received().size();
    QTest::qWait(300);
    QCOMPARE(sim.received().size(), sent);
    QCOMPARE(panel.p().valueLabels[1]->text(), QString::number(valueOf(1)));
    QVERIFY(panel.barPixels(1) > 0);
    QVERIFY(panel.p().Start->isEnabled());
    QVERIFY(!panel.p().Halt->isEnabled());
}

void TestEndToEnd::hangUpStopsTheRunOnce()
{
    // Through a link of its own: the pseudo-terminal's number may go to another test's line.
    QTemporaryDir dir;
    const QString link = SimProcess::linkIn(dir);
    SimProcess sim(fixedValues() << QStringLiteral("--hangup-after") << QStringLiteral("6")
                                 << QStringLiteral("--link") << link);
    LivePanel panel(link);
    panel.p().Start->click();
    QTRY_COMPARE_WITH_TIMEOUT(panel.reports.size(), 1, 5000);
    QCOMPARE(panel.reports.first(), QStringLiteral("Com1 (%1): the connection was lost: "
                                                   "the device was unplugged or hung up")
                                        .arg(link));
    QCOMPARE(panel.kinds.first(), Failure::Lost);
    QVERIFY(panel.p().Start->isEnabled());
    QVERIFY(!panel.p().Halt->isEnabled());
    QVERIFY(!panel.p().OrvaneCom->isOpen());
    QVERIFY(!panel.p().Timer1->isActive() && !panel.p().Timer2->isActive());

    const double before = cpuSeconds();
    QTest::qWait(1000);
    const double used = cpuSeconds() - before;
    QVERIFY2(used < 0.1, qPrintable(QString::number(used))); // a spinning loop would use the whole second
    QCOMPARE(panel.reports.size(), 1);

    // Still usable: the next Run tells plainly that the device has gone.
    panel.p().ZoomIn->click();
    QCOMPARE(panel.p().state.ZoomMag, qint16(2));
    panel.p().Start->click();
    QCOMPARE(panel.reports.size(), 2);
    QCOMPARE(panel.kinds.last(), Failure::NotFound);
    QVERIFY(panel.p().Start->isEnabled());
}

void TestEndToEnd::lateReplyKeepsItsRow_data()
{
    QTest::addColumn<QString>("delay");
    QTest::newRow("35 ms, after the next select") << "35";
    QTest::newRow("50 ms, after the next select") << "50";
}

// A reply that comes after the next select has gone out still belongs to the channel measured.
void TestEndToEnd::lateReplyKeepsItsRow()
{
    QFETCH(QString, delay);
    SimProcess sim(fixedValues() << QStringLiteral("--delay") << delay);
    LivePanel panel(sim.device());
    panel.p().Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(sim.count(QStringLiteral("tx ")) >= 6, 6000);
    QTest::qWait(100);
    panel.p().Halt->click();
    for (int c = 0; c <= 5; ++c)
        QCOMPARE(panel.p().valueLabels[c]->text(), QString::number(valueOf(c)));
}

// A line paced at 9600 baud behind an adapter's 16 ms latency timer, as on a desk:
// about half the replies come after the next select, and every row still shows its own.
void TestEndToEnd::adapterLikeLineKeepsEveryRow()
{
    SimProcess sim(fixedValues() << QStringLiteral("--latency") << QStringLiteral("16")
                                 << QStringLiteral("--line-rate") << QStringLiteral("9600"));
    LivePanel panel(sim.device());
    panel.p().Start->click();
    QTest::qWait(4000);
    QVERIFY(sim.count(QStringLiteral("tx ")) >= 19);
    panel.p().Halt->click();
    for (int c = 0; c < 18; ++c) {
        QCOMPARE(panel.p().valueLabels[c]->text(), QString::number(valueOf(c)));
        QCOMPARE(panel.barPixels(c), qRound((800 + 20 * valueOf(c)) / 15.0) - 53);
    }
    QVERIFY(panel.reports.isEmpty());
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
