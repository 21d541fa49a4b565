#include "panelfixture.h"

#include "panel/zoom.h"

#include <QTest>

class TestZoom : public QObject {
    Q_OBJECT
private slots:
    void states_data();
    void states();
    void centreWithOffset_data();
    void centreWithOffset();
    void zoomOutToOneResetsOffset();
    void scrollMovesOnlyTheCentre();
    void barsFollowTheDraggedThumb();
};

void TestZoom::states_data()
{
    QTest::addColumn<QString>("clicks"); // i = Zoom In, o = Zoom Out
    QTest::addColumn<int>("zoom");
    QTest::addColumn<bool>("inEnabled");
    QTest::addColumn<bool>("outEnabled");
    QTest::addColumn<bool>("scrollShown");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("centre");

    QTest::newRow("start") << "" << 1 << true << false << false << 30 << "120";
    QTest::newRow("in to 2") << "i" << 2 << true << true << true << 30 << "60";
    QTest::newRow("in to 4") << "ii" << 4 << true << true << true << 15 << "30";
    QTest::newRow("in to 8") << "iii" << 8 << true << true << true << 8 << "15";
    QTest::newRow("in to 16") << "iiii" << 16 << false << true << true << 4 << "7";
    QTest::newRow("in past 16") << "iiiii" << 16 << false << true << true << 4 << "7";
    QTest::newRow("16 out to 8") << "iiiio" << 8 << true << true << true << 4 << "15";
    QTest::newRow("16 out to 2") << "iiiiooo" << 2 << true << true << true << 4 << "60";
    QTest::newRow("16 out to 2, in to 4") << "iiiioooi" << 4 << true << true << true << 15 << "30";
    QTest::newRow("out to 1") << "iio" "o" << 1 << true << false << false << 15 << "120";
    QTest::newRow("out at 1") << "io" "o" << 1 << true << false << false << 30 << "120";
}

void TestZoom::states()
{
    QFETCH(QString, clicks);
    QFETCH(int, zoom);
    QFETCH(bool, inEnabled);
    QFETCH(bool, outEnabled);
    QFETCH(bool, scrollShown);
    QFETCH(int, page);
    QFETCH(QString, centre);

    PanelFixture f;
    for (QChar c : clicks) {
        // Zoom Out is greyed at 1; the handler itself must still cope.
        if (c == u'i')
            f.p().ZoomIn->isEnabled() ? f.p().ZoomIn->click() : ZoomIn_Click(f.p());
        else
            f.p().ZoomOut->isEnabled() ? f.p().ZoomOut->click() : ZoomOut_Click(f.p());
    }
    QCOMPARE(f.p().state.ZoomMag, qint16(zoom));
    QCOMPARE(f.p().ZoomIn->isEnabled(), inEnabled);
    QCOMPARE(f.p().ZoomOut->isEnabled(), outEnabled);
    QCOMPARE(!f.p().HScroll->isHidden(), scrollShown);
    QCOMPARE(f.p().HScroll->isEnabled(), scrollShown);
    QCOMPARE(f.p().HScroll->pageStep(), page);
    QCOMPARE(f.p().Mag->text(), QString::number(zoom));
    QCOMPARE(f.p().Center->text(), centre);
}

void TestZoom::centreWithOffset_data()
{
    QTest::addColumn<int>("zoomIns");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("centre");
    QTest::newRow("2x offset 100") << 1 << 100 << "160";
    QTest::newRow("16x offset 3") << 4 << 3 << "10";
    QTest::newRow("8x offset 255") << 3 << 255 << "270";
    QTest::newRow("4x offset 1") << 2 << 1 << "31";
}

void TestZoom::centreWithOffset()
{
    QFETCH(int, zoomIns);
    QFETCH(int, offset);
    QFETCH(QString, centre);
    PanelFixture f;
    for (int i = 0; i < zoomIns; ++i)
        f.p().ZoomIn->click();
    f.p().HScroll->setValue(offset);
    QCOMPARE(f.p().Center->text(), centre);
    QCOMPARE(chart::centreValue(f.p().state.ZoomMag, offset), centre.toInt());
}

void TestZoom::zoomOutToOneResetsOffset()
{
    PanelFixture f;
    f.p().ZoomIn->click();
    f.p().HScroll->setValue(50);
    QCOMPARE(f.p().Center->text(), QStringLiteral("110"));
    f.p().ZoomOut->click();
    QCOMPARE(f.p().HScroll->value(), 0);
    QVERIFY(f.p().HScroll->isHidden());
    QCOMPARE(f.p().Center->text(), QStringLiteral("120"));
    QCOMPARE(f.p().Mag->text(), QStringLiteral("1"));
    // Later readings use the full range again.
    f.port->open();
    f.port->feed("x\r\nFF\r\n>");
    QCOMPARE(f.pixel(392, 6), QColor(64, 128, 0));
}

void TestZoom::scrollMovesOnlyTheCentre()
{
    PanelFixture f;
    f.port->open();
    f.p().ZoomIn->click();
    f.port->feed("x\r\n80\r\n>");
    const QImage chart = f.p().Chart->image();
    // The user's own arrow click on the scroll bar.
    f.p().HScroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(f.p().HScroll->value(), 1);
    QCOMPARE(f.p().Center->text(), QStringLiteral("61"));
    QCOMPARE(f.p().Chart->image(), chart);
    QCOMPARE(f.p().valueLabels[0]->text(), QStringLiteral("128"));
}

// Tracking is off, so the value, and Center with it, change only when the thumb is let go.
void TestZoom::barsFollowTheDraggedThumb()
{
    PanelFixture f;
    f.port->open();
    f.p().ZoomIn->click();
    f.p().HScroll->setSliderDown(true);
    f.p().HScroll->setSliderPosition(100);
    QCOMPARE(f.p().HScroll->value(), 0);
    f.port->feed("x\r\nA0\r\n>"); // 160 at 2x, offset 100: 2400 twips
    QCOMPARE(f.pixel(53 + 159, 6), QColor(64, 128, 0));
    QCOMPARE(f.pixel(53 + 161, 6), QColor(Qt::white));
    QCOMPARE(f.p().Center->text(), QStringLiteral("60"));
    f.p().HScroll->setSliderDown(false);
    QCOMPARE(f.p().HScroll->value(), 100);
    QCOMPARE(f.p().Center->text(), QStringLiteral("160"));
}

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"
