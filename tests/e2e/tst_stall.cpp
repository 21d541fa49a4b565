#include "app/orvane.h"
#include "livepanel.h"
#include "procstats.h"
#include "timing/precisewake.h"
#include "simprocess.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
// The real window with its own failure message box, on the given device as Com1.
std::unique_ptr<Orvane> windowOn(const QString &device)
{
    qputenv("ORVANE_COM1", device.toLocal8Bit());
    auto window = std::make_unique<Orvane>(new SystemCommPort(testPorts()), Orvane::Reporter{},
                                           makePreciseWake().release());
    window->show();
    return window;
}

QList<QMessageBox *> messages(Orvane &window)
{
    return window.findChildren<QMessageBox *>(QStringLiteral("failureReport"));
}

bool isIdle(Panel &p)
{
    return p.Start->isEnabled() && !p.Halt->isEnabled() && !p.OrvaneCom->isOpen()
           && !p.Timer1->isActive() && !p.Timer2->isActive();
}
} // namespace

// A board or adapter that stops taking data: the line to it fills up.
class TestStall : public QObject {
    Q_OBJECT
private slots:
    void stalledLine_data();
    void stalledLine();
};

void TestStall::stalledLine_data()
{
    QTest::addColumn<int>("after"); // commands the board still reads
    QTest::newRow("stalled before Run") << 0;
    QTest::newRow("stalled right after the shield command") << 1;
    QTest::newRow("stalled mid-run") << 7;
}

void TestStall::stalledLine()
{
    QFETCH(int, after);
    auto sim = std::make_unique<SimProcess>(QStringList{QStringLiteral("--stall-after"), QString::number(after)});
    QVERIFY(!sim->device().isEmpty());
    if (after == 0)
        QTRY_COMPARE_WITH_TIMEOUT(sim->count(QStringLiteral("stall")), 1, 3000);
    std::unique_ptr<Orvane> window = windowOn(sim->device());
    Panel &p = window->panel();
    p.Start->click();
    QTRY_COMPARE_WITH_TIMEOUT(messages(*window).size(), 1, 5000);
    QMessageBox *box = messages(*window).first();
    QVERIFY2(box->text().startsWith(QStringLiteral("Com1 (%1): cannot write: the device takes no data (")
                                        .arg(sim->device())),
             qPrintable(box->text()));
    QCOMPARE(sim->count(QStringLiteral("rx ")), after);
    QVERIFY(isIdle(p));

    const double before = cpuSeconds();
    QTest::qWait(1000);
    const double used = cpuSeconds() - before;
    QVERIFY2(used < 0.1, qPrintable(QString::number(used))); // a spinning loop would use the whole second
    QCOMPARE(messages(*window).size(), 1);
    box->close();
    QTest::qWait(300);
    QVERIFY(messages(*window).isEmpty());

    // With a board that reads again, Run works.
    sim = std::make_unique<SimProcess>(QStringList{});
    qputenv("ORVANE_COM1", sim->device().toLocal8Bit());
    p.Start->click();
    QVERIFY(p.Halt->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(sim->count(QStringLiteral("tx ")) >= 1, 5000);
    p.Halt->click();
    QVERIFY(messages(*window).isEmpty());
    qunsetenv("ORVANE_COM1");
}

QTEST_MAIN(TestStall)
#include "tst_stall.moc"
