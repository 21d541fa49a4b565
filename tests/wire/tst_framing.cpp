#include "wire/framing.h"

#include <QTest>

// Replies cut out of the line as it brings them, a piece at a time.
class TestFraming : public QObject {
    Q_OBJECT
private slots:
    void pieces_data();
    void pieces();
};

void TestFraming::pieces_data()
{
    QTest::addColumn<QByteArrayList>("arrivals");
    QTest::addColumn<QList<int>>("readings"); // in the order they came out, -1 for one not well formed
    QTest::addColumn<QList<int>>("after");    // the arrival each came out of
    QTest::addColumn<QByteArray>("held");     // kept for the next arrival

    const QByteArray r7f("x\r\n7F\r\n>");
    const QByteArray r41("x\r\n41\r\n>");
    QTest::newRow("a clean reply") << QByteArrayList{r7f} << QList<int>{127} << QList<int>{0} << QByteArray();
    QTest::newRow("noise before") << QByteArrayList{"zz\x01" + r7f} << QList<int>{127} << QList<int>{0}
                                  << QByteArray();
    QTest::newRow("noise after") << QByteArrayList{r7f + "zz"} << QList<int>{127} << QList<int>{0}
                                 << QByteArray("zz");
    QTest::newRow("noise between") << QByteArrayList{r7f + "abc", r41} << QList<int>{127, 0x41}
                                   << QList<int>{0, 1} << QByteArray();
    QTest::newRow("split in two") << QByteArrayList{"zzzx\r\n7F", "\r\n>"} << QList<int>{127}
                                  << QList<int>{1} << QByteArray();
    QTest::newRow("split in three") << QByteArrayList{"x\r", "\n7F\r", "\n>"} << QList<int>{127}
                                    << QList<int>{2} << QByteArray();
    QByteArrayList bytes;
    for (char c : r41)
        bytes << QByteArray(1, c);
    QTest::newRow("split in eight") << bytes << QList<int>{0x41} << QList<int>{7} << QByteArray();
    QTest::newRow("two in one burst") << QByteArrayList{r7f + r41} << QList<int>{127, 0x41} << QList<int>{0, 0}
                                      << QByteArray();
    QTest::newRow("'>' inside noise") << QByteArrayList{"a>b", r41} << QList<int>{0x41} << QList<int>{1}
                                      << QByteArray();
    QTest::newRow("'>' with seven before it is a reply")
        << QByteArrayList{"noise!!>" + r41} << QList<int>{-1, 0x41} << QList<int>{0, 0} << QByteArray();
    QTest::newRow("garbage digits") << QByteArrayList{"x\r\nZZ\r\n>"} << QList<int>{-1} << QList<int>{0}
                                    << QByteArray();
    QTest::newRow("one digit, then CR") << QByteArrayList{"x\r\nA\r\n\r>"} << QList<int>{-1} << QList<int>{0}
                                        << QByteArray();
    QTest::newRow("no '>': the last seven wait") << QByteArrayList{"0123456789"} << QList<int>{}
                                                 << QList<int>{} << QByteArray("3456789");
    QTest::newRow("nine of another speed") << QByteArrayList{"\xf0\x0f\xaa\x55\x81\x7e\x03\xc0\x11"}
                                           << QList<int>{} << QList<int>{} << QByteArray("\xaa\x55\x81\x7e\x03\xc0\x11");
    QTest::newRow("the head of the next kept") << QByteArrayList{r7f + "x\r\n4"} << QList<int>{127}
                                               << QList<int>{0} << QByteArray("x\r\n4");
}

void TestFraming::pieces()
{
    QFETCH(QByteArrayList, arrivals);
    QFETCH(QList<int>, readings);
    QFETCH(QList<int>, after);
    QFETCH(QByteArray, held);

    wire::ReplyFramer framer;
    QList<int> got, at;
    for (int i = 0; i < arrivals.size(); ++i) {
        for (const wire::Reply &reply : framer.take(arrivals[i])) {
            got << (reply.wellFormed ? reply.reading : -1);
            at << i;
        }
    }
    QCOMPARE(got, readings);
    QCOMPARE(at, after);
    QCOMPARE(framer.held(), held.size());
    // What is held comes out in front of the next arrival.
    const QList<wire::Reply> next = framer.take(QByteArray(7 - held.size(), '.') + '>');
    QCOMPARE(next.size(), 1);
    QCOMPARE(framer.held(), 0);
}

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
