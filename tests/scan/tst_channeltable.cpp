#include "panelfixture.h"

#include "scan/channeltable.h"

#include <QTest>

class TestChannelTable : public QObject {
    Q_OBJECT
private slots:
    void lookup_data();
    void lookup();
    void loadDefaults();
};

void TestChannelTable::lookup_data()
{
    QTest::addColumn<int>("idx");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QChar>("code");
    QTest::addColumn<QString>("valueLabel");
    QTest::addColumn<QString>("nameLabel");
    QTest::addColumn<QString>("nameCaption");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("resets");

    QTest::newRow("ISrc") << 0 << "ISRCSl" << QChar('0') << "Source" << "ISrc" << "ISrc"
                          << QColor(64, 128, 0) << true;
    QTest::newRow("Electrode 3") << 3 << "ElSl3" << QChar('3') << "V3" << "E3" << "E3"
                                 << QColor(130, 242, 2) << false;
    QTest::newRow("Electrode 4") << 4 << "ElSl4" << QChar('4') << "V4" << "E4" << "E4"
                                 << QColor(152, 24, 88) << false;
    QTest::newRow("Electrode 9") << 9 << "ElSl9" << QChar('9') << "V9" << "E9" << "E9"
                                 << QColor(6, 214, 6) << false;
    QTest::newRow("Ref A") << 10 << "RefASl" << QChar('A') << "RefA" << "RFA" << "Ref A"
                           << QColor(28, 252, 92) << true;
    QTest::newRow("OSC") << 12 << "OSCSl" << QChar('C') << "OSC" << "O" << "OSC"
                         << QColor(72, 72, 8) << true;
    QTest::newRow("O-R") << 13 << "ORSl" << QChar('D') << "OSC_R" << "OandR" << "O-R"
                         << QColor(94, 110, 94) << true;
    QTest::newRow("Rsvd") << 15 << "RSVDSl" << QChar('F') << "Rsvd" << "RSD" << "Rsvd"
                          << QColor(138, 186, 10) << true;
    QTest::newRow("Vdd") << 16 << "VDDSl" << QChar('V') << "Vdd" << "DD" << "Vdd"
                         << QColor(160, 224, 96) << true;
    QTest::newRow("Vpwr") << 17 << "VPWRSl" << QChar('P') << "Vpwr" << "Pwr" << "Vpwr"
                          << QColor(182, 6, 182) << true;
}

void TestChannelTable::lookup()
{
    QFETCH(int, idx);
    QFETCH(QString, item);
    QFETCH(QChar, code);
    QFETCH(QString, valueLabel);
    QFETCH(QString, nameLabel);
    QFETCH(QString, nameCaption);
    QFETCH(QColor, colour);
    QFETCH(bool, resets);

    const Channel &ch = kChannels[idx];
    QCOMPARE(QString::fromLatin1(ch.menuItem), item);
    QCOMPARE(QChar(ch.selectCode), code);
    QCOMPARE(QString::fromLatin1(ch.valueLabel), valueLabel);
    QCOMPARE(QString::fromLatin1(ch.nameLabel), nameLabel);
    QCOMPARE(QString::fromLatin1(ch.nameCaption), nameCaption);
    const Rgb rgb = barColour(idx);
    QCOMPARE(QColor(rgb.red, rgb.green, rgb.blue), colour);
    QCOMPARE(toggleResetsChanIdx(idx), resets);
}

void TestChannelTable::loadDefaults()
{
    PanelFixture f;
    QCOMPARE(f.p().state.ChanIdx, qint16(0));
    QCOMPARE(f.p().state.ZoomMag, qint16(1));
    QCOMPARE(f.p().state.PortIdx, qint16(0));
    QCOMPARE(f.p().state.ShldMode, qint16(0));
    QCOMPARE(f.p().BarRgb, Rgb{});
    QVERIFY(f.p().chosen().all());
    QVERIFY(!f.port->isOpen());
    QCOMPARE(f.port->opens, 0);
}

QTEST_MAIN(TestChannelTable)
#include "tst_channeltable.moc"
