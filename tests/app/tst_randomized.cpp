#include "panelfixture.h"

#include <QRandomGenerator>
#include <QTest>

// Random sequences of clicks, ticks and arrivals, against the panel's invariants.
class TestRandomized : public QObject {
    Q_OBJECT
private slots:
    void invariantsHold();
};

namespace {
const char *const kMenuItems[] = {"ComPort1", "ComPort2", "ComPort3", "ComPort4", "SDON",
                                  "SDOFF",    "Norm",     "Inv",      "ElAllOn",  "ElAllOff"};

QString violation(PanelFixture &f)
{
    Panel &p = f.p();
    const bool running = p.Halt->isEnabled();
    if (f.armedTimers() != (running ? 1 : 0))
        return QStringLiteral("%1 timers armed, running %2").arg(f.armedTimers()).arg(running);
    if (f.port->isOpen() != running)
        return QStringLiteral("port open %1, running %2").arg(f.port->isOpen()).arg(running);
    if (p.PortSel->isEnabled() == running || p.ShldDrvr->isEnabled() == running)
        return QStringLiteral("port menus enabled while running");
    for (int c = 0; c < kChannelCount; ++c) {
        const bool checked = p.channelItems[c]->isChecked();
        if (checked == p.valueLabels[c]->isHidden() || checked == p.nameLabels[c]->isHidden())
            return QStringLiteral("channel %1 marks and labels disagree").arg(c);
    }
    if (p.chosen().none() && p.Start->isEnabled())
        return QStringLiteral("Run enabled with no channel chosen");
    if (p.state.ChanIdx < 0 || p.state.ChanIdx > 17)
        return QStringLiteral("ChanIdx %1").arg(p.state.ChanIdx);
    if (!QList<qint16>{1, 2, 4, 8, 16}.contains(p.state.ZoomMag))
        return QStringLiteral("ZoomMag %1").arg(p.state.ZoomMag);
    if (p.Mag->text() != QString::number(p.state.ZoomMag))
        return QStringLiteral("Mag shows %1").arg(p.Mag->text());
    if ((p.state.ZoomMag == 1) != p.HScroll->isHidden())
        return QStringLiteral("scroll bar shown at magnification %1").arg(p.state.ZoomMag);
    int ports = 0;
    for (QAction *a : p.ComPort)
        ports += a->isChecked();
    if (ports != 1 || !p.ComPort[p.state.PortIdx]->isChecked())
        return QStringLiteral("port marks disagree with PortIdx");
    if (p.SDON->isChecked() == p.SDOFF->isChecked() || p.Norm->isChecked() == p.Inv->isChecked())
        return QStringLiteral("paired marks disagree");
    return {};
}

QByteArray randomBytes(QRandomGenerator &rng)
{
    QByteArray bytes(int(rng.bounded(1, 20)), Qt::Uninitialized);
    for (char &c : bytes)
        c = char(rng.bounded(256));
    return bytes;
}

// Nine bytes of a board at another speed: never a reply.
QByteArray garbled(QRandomGenerator &rng)
{
    QByteArray bytes(9, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(rng.bounded(256));
    return bytes.replace('>', '<');
}
} // namespace

void TestRandomized::invariantsHold()
{
    const quint32 seed = qEnvironmentVariableIsSet("ORVANE_RANDOM_SEED")
                             ? quint32(qEnvironmentVariableIntValue("ORVANE_RANDOM_SEED"))
                             : 20261207u;
    QRandomGenerator rng(seed);
    const int sequences = 2000;
    int steps = 0;
    int drawn = 0;
    int quiet = 0; // runs ended because the board went quiet
    qsizetype reported = 0;
    for (int s = 0; s < sequences; ++s) {
        PanelFixture f;
        Panel &p = f.p();
        bool muted = false;   // the board reads, but answers nothing
        bool garbling = false; // it answers at another speed
        const int length = int(rng.bounded(20, 160));
        for (int i = 0; i < length; ++i, ++steps) {
            // A quiet board is mostly met by the scan going on without it.
            const int action = (muted || garbling) && rng.bounded(4) ? 50 : int(rng.bounded(100));
            const qsizetype reportsBefore = f.reports.size();
            QString broken;
            if (action < 8) {
                p.Start->click();
            } else if (action < 12) {
                // The cable is back, the board awake.
                f.port->writeFailure.reset();
                f.port->stalled = false;
                muted = garbling = false;
                p.Halt->click();
            } else if (action < 16) {
                p.ZoomIn->click();
            } else if (action < 20) {
                p.ZoomOut->click();
            } else if (action < 23) {
                if (p.HScroll->isVisible() || !p.HScroll->isHidden())
                    p.HScroll->setValue(int(rng.bounded(256)));
            } else if (action < 33) {
                const char *name = kMenuItems[rng.bounded(int(std::size(kMenuItems)))];
                const bool portMenu = QByteArray(name).startsWith("ComPort") || QByteArray(name).startsWith("SD");
                if (!portMenu || p.PortSel->isEnabled())
                    f.click(name);
            } else if (action < 45) {
                f.click(kChannels[rng.bounded(kChannelCount)].menuItem);
            } else if (action < 75) {
                if (p.Timer1->isActive())
                    f.tick(p.Timer1);
                else if (p.Timer2->isActive())
                    f.tick(p.Timer2);
                quiet += f.kinds.size() > reportsBefore
                         && (f.kinds.last() == Failure::BoardSilent || f.kinds.last() == Failure::BoardUnreadable);
            } else if (action < 88) {
                if (f.port->isOpen() && garbling) {
                    f.port->feed(garbled(rng));
                } else if (f.port->isOpen() && !muted) {
                    // Whatever came before, a whole reply is drawn in the row of the channel it answers.
                    const int value = int(rng.bounded(256));
                    const int row = p.state.MeasIdx;
                    const QString before = p.valueLabels[row]->text();
                    f.port->feed(QByteArray("x\r\n") + QByteArray::number(value, 16).rightJustified(2, '0') + "\r\n>");
                    const QString shown = QString::number(p.Inv->isChecked() ? 255 - value : value);
                    const QString expected = p.isChosen(row) ? shown : before;
                    if (p.valueLabels[row]->text() != expected)
                        broken = QStringLiteral("a reply for channel %1 shows %2, not %3")
                                     .arg(row).arg(p.valueLabels[row]->text(), expected);
                    drawn += p.valueLabels[row]->text() != before;
                }
            } else if (action < 95) {
                if (f.port->isOpen())
                    f.port->feed(randomBytes(rng));
            } else if (action < 96) {
                muted = !muted;
            } else if (action < 97) {
                garbling = !garbling;
            } else if (action < 98) {
                // Failures at the three places they surface: later, from write, from flush.
                if (f.port->isOpen())
                    f.port->failLater();
            } else if (action < 99) {
                f.port->writeFailure = FakeCommPort::ioError();
            } else {
                f.port->stalled = true;
            }
            QCoreApplication::processEvents();
            if (broken.isEmpty())
                broken = violation(f);
            // A failure is told once, and only as it ends a run.
            if (f.reports.size() > reportsBefore + 1)
                broken = QStringLiteral("several reports for one action");
            else if (f.reports.size() > reportsBefore && p.Halt->isEnabled())
                broken = QStringLiteral("a failure was reported but the run goes on");
            if (!broken.isEmpty())
                QFAIL(qPrintable(QStringLiteral("seed %1, sequence %2, step %3: %4")
                                     .arg(seed).arg(s).arg(i).arg(broken)));
        }
        reported += f.reports.size();
    }
    qInfo("%d steps in %d sequences, %d values drawn, %d failures reported, %d of them a quiet board",
          steps, sequences, drawn, int(reported), quiet);
    QVERIFY(drawn > 1000);
    QVERIFY(reported > 100);
    QVERIFY(quiet > 10);
}

QTEST_MAIN(TestRandomized)
#include "tst_randomized.moc"
