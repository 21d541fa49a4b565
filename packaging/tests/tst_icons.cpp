#include <QImage>
#include <QTest>

// The hicolor PNGs are committed renders (packaging/icons/render); these catch a
// stale one or one that lost its transparency.
class TestIcons : public QObject {
    Q_OBJECT
private slots:
    void png_data();
    void png();
};

namespace {

const QString kIconDir = QStringLiteral(ORVANE_ICON_DIR);

QImage premultiplied(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

void TestIcons::png_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("source"); // copied pixel for pixel from it; empty: drawn from the SVG

    for (int size : {16, 22, 24})
        QTest::addRow("%d, pixel art", size) << size << kIconDir + QStringLiteral("/pixel/orvane-%1.xpm").arg(size);
    QTest::newRow("32, window icon") << 32 << QStringLiteral(ORVANE_WINDOW_ICON);
    for (int size : {48, 64, 128, 256})
        QTest::addRow("%d, from the SVG", size) << size << QString();
}

void TestIcons::png()
{
    QFETCH(int, size);
    QFETCH(QString, source);
    const QString path = kIconDir + QStringLiteral("/hicolor/%1x%1/apps/orvane.png").arg(size);
    const QImage icon = premultiplied(path);
    QVERIFY2(!icon.isNull(), qPrintable(path));
    QCOMPARE(icon.size(), QSize(size, size));

    // The board's rounded corner shows the desktop; the lit centre pad is white.
    QCOMPARE(qAlpha(icon.pixel(0, size - 1)), 0);
    const QRgb lit = icon.pixel(size / 2, size * 6 / 10);
    QVERIFY2(qAlpha(lit) == 255 && qRed(lit) >= 0xF0 && qGreen(lit) >= 0xF0 && qBlue(lit) >= 0xF0,
             qPrintable(QString::number(lit, 16)));

    if (!source.isEmpty()) {
        const QImage drawn = premultiplied(source);
        QVERIFY2(!drawn.isNull(), qPrintable(source));
        QVERIFY2(icon == drawn, "stale; run packaging/icons/render");
    }
}

QTEST_GUILESS_MAIN(TestIcons)
#include "tst_icons.moc"
