#include "geometry/geometry.h"

#include <QTest>

class TestGeometry : public QObject {
    Q_OBJECT
private slots:
    void barLength_data();
    void barLength();
    void colours_data();
    void colours();
};

void TestGeometry::barLength_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("offset");
    QTest::addColumn<double>("twips");

    QTest::newRow("full at 1x") << 255.0 << 1 << 0 << 5100.0;
    QTest::newRow("15 at 16x") << 15.0 << 16 << 0 << 4800.0;
    QTest::newRow("16 at 16x clamps") << 16.0 << 16 << 0 << 5100.0;
    QTest::newRow("160 at 2x offset 100") << 160.0 << 2 << 100 << 2400.0;
    QTest::newRow("255 at 2x offset 100 clamps") << 255.0 << 2 << 100 << 5100.0;
    QTest::newRow("below offset") << 3.0 << 16 << 255 << 0.0;
}

void TestGeometry::barLength()
{
    QFETCH(double, v);
    QFETCH(int, zoom);
    QFETCH(int, offset);
    QFETCH(double, twips);
    QCOMPARE(chart::barLength(v, qint16(zoom), offset), twips);
}

void TestGeometry::colours_data()
{
    QTest::addColumn<int>("idx");
    QTest::addColumn<Rgb>("colour");

    // The reduction mod 256 shows in channels 3 (blue), 4 (green) and 9 (red).
    QTest::newRow("ISrc") << 0 << Rgb{64, 128, 0};
    QTest::newRow("Electrode 3") << 3 << Rgb{130, 242, 2};
    QTest::newRow("Electrode 4") << 4 << Rgb{152, 24, 88};
    QTest::newRow("Electrode 9") << 9 << Rgb{6, 214, 6};
    QTest::newRow("Ref A") << 10 << Rgb{28, 252, 92};
    QTest::newRow("O-R") << 13 << Rgb{94, 110, 94};
    QTest::newRow("Rsvd") << 15 << Rgb{138, 186, 10};
    QTest::newRow("Vpwr") << 17 << Rgb{182, 6, 182};
}

void TestGeometry::colours()
{
    QFETCH(int, idx);
    QFETCH(Rgb, colour);
    QCOMPARE(barColour(idx), colour);
}

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
