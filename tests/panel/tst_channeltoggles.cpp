#include "panelfixture.h"

#include <QTest>

namespace {
bool labelsShown(PanelFixture &f, int c)
{
    return !f.p().valueLabels[c]->isHidden() && !f.p().nameLabels[c]->isHidden();
}
bool labelsHidden(PanelFixture &f, int c)
{
    return f.p().valueLabels[c]->isHidden() && f.p().nameLabels[c]->isHidden();
}
void drawEveryRow(PanelFixture &f)
{
    for (int c = 0; c < kChannelCount; ++c) {
        const ChartSurface::Fill bar{800, 300.0f * c, 3000, 200, Qt::red};
        f.p().Chart->fillTwips({&bar, 1});
        f.p().valueLabels[c]->setText(QString::number(c + 100));
    }
}
bool chartBlank(PanelFixture &f)
{
    for (int c = 0; c < kChannelCount; ++c)
        if (f.pixel(60, 20 * c + 6) != QColor(Qt::white))
            return false;
    return true;
}
} // namespace

class TestChannelToggles : public QObject {
    Q_OBJECT
private slots:
    void toggle_data();
    void toggle();
    void lastItemOutEndsTheRun_data();
    void lastItemOutEndsTheRun();
    void allOnAllOff_data();
    void allOnAllOff();
};

void TestChannelToggles::toggle_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<bool>("resets");
    for (int c = 0; c < kChannelCount; ++c)
        QTest::addRow("%s", kChannels[c].menuItem) << c << (c == 0 || c >= 10);
}

void TestChannelToggles::toggle()
{
    QFETCH(int, channel);
    QFETCH(bool, resets);

    PanelFixture f;
    f.p().Start->click();
    f.p().state.ChanIdx = 7;
    drawEveryRow(f);
    f.click(kChannels[channel].menuItem);
    QVERIFY(!f.p().channelItems[channel]->isChecked());
    QVERIFY(labelsHidden(f, channel));
    QVERIFY(chartBlank(f));
    QVERIFY(!f.p().Start->isEnabled()); // taking one out leaves Run as it was
    QCOMPARE(f.p().state.ChanIdx, qint16(resets ? 0 : 7));
    QVERIFY(f.port->isOpen());

    f.p().state.ChanIdx = 7;
    drawEveryRow(f);
    f.click(kChannels[channel].menuItem);
    QVERIFY(f.p().channelItems[channel]->isChecked());
    QVERIFY(labelsShown(f, channel));
    QVERIFY(chartBlank(f));
    QVERIFY(f.p().Start->isEnabled()); // putting one in enables Run, even mid-run
    QVERIFY(f.p().Halt->isEnabled());
    QCOMPARE(f.p().valueLabels[channel]->text(), QString::number(channel + 100));
    QCOMPARE(f.p().state.ChanIdx, qint16(resets ? 0 : 7));
    QVERIFY(f.port->isOpen());
    QCOMPARE(f.sent(), QStringLiteral("d 1\rs 0\r")); // the start's, nothing since
}

void TestChannelToggles::lastItemOutEndsTheRun_data()
{
    QTest::addColumn<bool>("running");
    QTest::newRow("running") << true;
    QTest::newRow("idle") << false;
}

void TestChannelToggles::lastItemOutEndsTheRun()
{
    QFETCH(bool, running);
    PanelFixture f;
    f.choose({3});
    if (running)
        f.p().Start->click();
    f.click("ElSl3");
    QVERIFY(!f.p().Start->isEnabled());
    QVERIFY(!f.p().Halt->isEnabled());
    QVERIFY(f.p().PortSel->isEnabled() && f.p().ShldDrvr->isEnabled());
    QVERIFY(!f.port->isOpen());
    QCOMPARE(f.port->closes, running ? 1 : 0);
    QCOMPARE(f.armedTimers(), 0);

    // Any item back in enables Run but starts nothing.
    f.click("VDDSl");
    QVERIFY(f.p().Start->isEnabled());
    QVERIFY(!f.p().Halt->isEnabled());
    QVERIFY(!f.port->isOpen());
    QCOMPARE(f.p().state.ChanIdx, qint16(0));
}

void TestChannelToggles::allOnAllOff_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<QList<int>>("chosenBefore");
    QTest::newRow("idle, all chosen") << false << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    QTest::newRow("idle, none chosen") << false << QList<int>{};
    QTest::newRow("running, some chosen") << true << QList<int>{2, 11};
}

void TestChannelToggles::allOnAllOff()
{
    QFETCH(bool, running);
    QFETCH(QList<int>, chosenBefore);

    PanelFixture f;
    if (running)
        f.p().Start->click();
    f.choose({});
    for (int c : chosenBefore)
        f.p().channelItems[c]->setChecked(true);
    if (chosenBefore.isEmpty())
        f.p().Start->setEnabled(false);

    f.p().state.ChanIdx = 5;
    drawEveryRow(f);
    f.click("ElAllOn");
    for (int c = 0; c < kChannelCount; ++c)
        QVERIFY(f.p().channelItems[c]->isChecked() && labelsShown(f, c));
    QVERIFY(chartBlank(f));
    QVERIFY(f.p().Start->isEnabled());
    QCOMPARE(f.p().Halt->isEnabled(), running);
    QCOMPARE(f.port->isOpen(), running);
    QCOMPARE(f.armedTimers(), running ? 1 : 0);
    QCOMPARE(f.p().state.ChanIdx, qint16(0));

    f.p().state.ChanIdx = 5;
    drawEveryRow(f);
    f.click("ElAllOff");
    for (int c = 0; c < kChannelCount; ++c)
        QVERIFY(!f.p().channelItems[c]->isChecked() && labelsHidden(f, c));
    QVERIFY(chartBlank(f));
    QVERIFY(!f.p().Start->isEnabled());
    QVERIFY(!f.p().Halt->isEnabled());
    QVERIFY(!f.port->isOpen());
    QCOMPARE(f.armedTimers(), 0);
    QCOMPARE(f.p().state.ChanIdx, qint16(0));
    QCOMPARE(f.port->closes, running ? 1 : 0);

    // All Off again with nothing chosen still goes through the whole sequence.
    f.click("ElAllOff");
    QVERIFY(!f.p().Start->isEnabled());
    QCOMPARE(f.port->closes, running ? 1 : 0);

    // Labels kept their captions while hidden.
    f.click("ElAllOn");
    QCOMPARE(f.p().valueLabels[17]->text(), QStringLiteral("117"));
    QVERIFY(chartBlank(f));
}

QTEST_MAIN(TestChannelToggles)
#include "tst_channeltoggles.moc"
