#include "panelfixture.h"

#include "panel/barchart.h"
#include "geometry/geometry.h"
#include "engine/scanengine.h"

#include <QTest>

namespace {
const auto reply = FakeCommPort::reply;

// Pixels of the bar in row `channel`, counted from the chart's left edge.
int barPixels(PanelFixture &f, int channel, QColor *colour = nullptr)
{
    const int y = 20 * channel + 6;
    int x = 53;
    const QColor first = f.pixel(x, y);
    while (x < 399 && f.pixel(x, y) != QColor(Qt::white))
        ++x;
    if (colour)
        *colour = first;
    return x - 53;
}
} // namespace

class TestBarChart : public QObject {
    Q_OBJECT
private slots:
    void bars_data();
    void bars();
    void replyKeepsItsChannel_data();
    void replyKeepsItsChannel();
    void unchosenChannelOnlyErases();
    void colourComesFirstOnEveryEvent();
    void cleanBarsBlanksEveryRow();
};

void TestBarChart::bars_data()
{
    QTest::addColumn<int>("zoomIns");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<QString>("label");

    QTest::newRow("255 at 1x") << 0 << 0 << false << 1 << 255 << 340 << "255";
    QTest::newRow("7F at 1x") << 0 << 0 << false << 2 << 0x7F << 170 << "127";
    QTest::newRow("0 at 1x") << 0 << 0 << false << 3 << 0 << 0 << "0";
    QTest::newRow("15 at 16x") << 4 << 0 << false << 4 << 15 << 320 << "15";
    QTest::newRow("16 at 16x") << 4 << 0 << false << 5 << 16 << 340 << "16";
    QTest::newRow("100 at 2x offset 100") << 1 << 100 << false << 6 << 100 << 0 << "100";
    QTest::newRow("160 at 2x offset 100") << 1 << 100 << false << 7 << 160 << 160 << "160";
    QTest::newRow("255 at 2x offset 100") << 1 << 100 << false << 8 << 255 << 340 << "255";
    QTest::newRow("below offset") << 1 << 100 << false << 17 << 40 << 0 << "40";
    QTest::newRow("inverted 0") << 0 << 0 << true << 10 << 0 << 340 << "255";
    QTest::newRow("inverted 255") << 0 << 0 << true << 11 << 255 << 0 << "0";
    QTest::newRow("inverted 7F") << 0 << 0 << true << 12 << 0x7F << 171 << "128";
    QTest::newRow("inverted at 4x offset 20") << 2 << 20 << true << 13 << 200 << 187 << "55";
}

void TestBarChart::bars()
{
    QFETCH(int, zoomIns);
    QFETCH(int, offset);
    QFETCH(bool, inverted);
    QFETCH(int, channel);
    QFETCH(int, raw);
    QFETCH(int, pixels);
    QFETCH(QString, label);

    PanelFixture f;
    for (int i = 0; i < zoomIns; ++i)
        f.p().ZoomIn->click();
    f.p().HScroll->setValue(offset);
    if (inverted)
        f.click("Inv");
    f.p().state.MeasIdx = qint16(channel);
    f.port->open();
    f.port->feed(reply(raw));

    QColor colour;
    QCOMPARE(barPixels(f, channel, &colour), pixels);
    const Rgb rgb = barColour(channel);
    if (pixels > 0)
        QCOMPARE(colour, QColor(rgb.red, rgb.green, rgb.blue));
    QCOMPARE(f.p().valueLabels[channel]->text(), label);
    // The bar keeps to its own row: the gap below stays white.
    QCOMPARE(f.pixel(60, 20 * channel + 13), QColor(Qt::white));
    QCOMPARE(f.pixel(60, 20 * channel), pixels > 7 ? colour : QColor(Qt::white));
    QCOMPARE(f.port->waiting(), 0);
}

void TestBarChart::replyKeepsItsChannel_data()
{
    QTest::addColumn<QStringList>("meanwhile"); // between the measure command and its reply
    QTest::addColumn<bool>("shown");            // channel 1 still chosen
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("chanIdx"); // where the scan has got to when the reply is handled

    QTest::newRow("before the select") << QStringList{} << true << "96" << 1;
    QTest::newRow("after the select") << QStringList{"tick"} << true << "96" << 2;
    QTest::newRow("after Ref A reset ChanIdx") << QStringList{"RefASl"} << true << "96" << 0;
    QTest::newRow("after All On reset ChanIdx") << QStringList{"tick", "ElAllOn"} << true << "96" << 0;
    QTest::newRow("channel taken out") << QStringList{"ElSl1"} << false << "0" << 1;
    QTest::newRow("inverted, after the select") << QStringList{"Inv", "tick"} << true << "159" << 2;
}

// A reply belongs to the channel its measure command read, whenever it is handled.
void TestBarChart::replyKeepsItsChannel()
{
    QFETCH(QStringList, meanwhile);
    QFETCH(bool, shown);
    QFETCH(QString, label);
    QFETCH(int, chanIdx);

    PanelFixture f;
    f.runToSecondMeasure();
    for (const QString &step : meanwhile) {
        if (step == u"tick")
            f.tick(f.p().Timer2);
        else
            f.click(step.toLatin1().constData());
    }
    QCOMPARE(f.p().state.ChanIdx, qint16(chanIdx));
    f.port->feed(reply(0x60));

    QColor colour;
    QCOMPARE(barPixels(f, 1, &colour), shown ? qRound((800 + 20 * label.toInt()) / 15.0) - 53 : 0);
    if (shown)
        QCOMPARE(colour, QColor(86, 166, 86));
    QCOMPARE(f.p().BarRgb, barColour(1));
    QCOMPARE(f.p().valueLabels[1]->text(), label);
    for (int c = 0; c < kChannelCount; ++c) {
        if (c != 1) {
            QCOMPARE(barPixels(f, c), 0);
            QCOMPARE(f.p().valueLabels[c]->text(), QStringLiteral("0"));
        }
    }
}

void TestBarChart::unchosenChannelOnlyErases()
{
    PanelFixture f;
    f.port->open();
    f.p().state.MeasIdx = 9;
    f.port->feed(reply(200));
    QCOMPARE(f.p().valueLabels[9]->text(), QStringLiteral("200"));
    QCOMPARE(f.pixel(60, 186), QColor(6, 214, 6));

    f.p().channelItems[9]->setChecked(false);
    f.port->feed(reply(50));
    QCOMPARE(barPixels(f, 9), 0);
    QCOMPARE(f.p().valueLabels[9]->text(), QStringLiteral("200"));
}

void TestBarChart::colourComesFirstOnEveryEvent()
{
    PanelFixture f;
    f.port->open();
    f.p().state.MeasIdx = 9;
    const QImage before = f.p().Chart->image();
    f.p().engine->OrvaneCom_OnComm();
    QCOMPARE(f.p().BarRgb, (Rgb{6, 214, 6}));
    QCOMPARE(f.p().Chart->image(), before);
    f.p().state.MeasIdx = 4;
    f.port->feed("no reply");
    QCOMPARE(f.p().BarRgb, (Rgb{152, 24, 88}));
    QCOMPARE(f.p().Chart->image(), before);
}

void TestBarChart::cleanBarsBlanksEveryRow()
{
    PanelFixture f;
    f.port->open();
    for (int c = 0; c < kChannelCount; ++c) {
        f.p().state.MeasIdx = qint16(c);
        f.port->feed(reply(255));
    }
    QCOMPARE(barPixels(f, 17), 340);
    CleanBars(f.p());
    QImage blank(f.p().Chart->image().size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    QCOMPARE(f.p().Chart->image(), blank);
    // The values stay; only the bars go.
    QCOMPARE(f.p().valueLabels[17]->text(), QStringLiteral("255"));
    QVERIFY(f.p().Start->isEnabled());
}

QTEST_MAIN(TestBarChart)
#include "tst_barchart.moc"
