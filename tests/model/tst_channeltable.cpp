#include "model/channeltable.h"

#include <QTest>

// The table's columns that no other suite reads back as the user sees them:
// the rule behind the select codes, and which toggles restart the scan.
class TestChannelTable : public QObject {
    Q_OBJECT
private slots:
    void rows_data();
    void rows();
};

void TestChannelTable::rows_data()
{
    QTest::addColumn<int>("idx");
    QTest::addColumn<QChar>("code");
    QTest::addColumn<bool>("resets");

    const QString codes = QStringLiteral("0123456789ABCDEFVP");
    for (int i = 0; i < 18; ++i)
        QTest::addRow("%d", i) << i << codes[i] << !(i >= 1 && i <= 9);
}

void TestChannelTable::rows()
{
    QFETCH(int, idx);
    QFETCH(QChar, code);
    QFETCH(bool, resets);
    QCOMPARE(QChar(kChannels[idx].selectCode), code);
    QCOMPARE(toggleResetsChanIdx(idx), resets);
}

QTEST_APPLESS_MAIN(TestChannelTable)
#include "tst_channeltable.moc"
