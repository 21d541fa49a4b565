#include "model/replywatch.h"

#include <QTest>

Q_DECLARE_METATYPE(ReplyWatch::Silence)

// When a run that gets no reading is given up, and what it is called.
class TestReplyWatch : public QObject {
    Q_OBJECT
private slots:
    void verdicts_data();
    void verdicts();
};

void TestReplyWatch::verdicts_data()
{
    // One letter an event, repeated: m a measure command and the 100 ms after it,
    // r a reading, g bytes that are none, l a reading that comes after the next
    // measure command, w two seconds in which the event loop is held up.
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<qint64>("unsent");   // bytes the driver holds
    QTest::addColumn<int>("endsBefore");  // the measure command that is not sent; 0: none
    QTest::addColumn<ReplyWatch::Silence>("silence");
    QTest::addColumn<qint64>("bytes");    // told with the verdict

    using S = ReplyWatch::Silence;
    QTest::newRow("nothing comes") << "m" << qint64(0) << 17 << S::NoReply << qint64(0);
    QTest::newRow("gibberish comes") << "mg" << qint64(0) << 17 << S::Unreadable << qint64(144);
    QTest::newRow("commands wait unsent") << "m" << qint64(12) << 17 << S::Stalled << qint64(0);
    QTest::newRow("unsent, but it answers") << "mr" << qint64(12) << 0 << S::NoReply << qint64(0);
    QTest::newRow("every reply late") << "ml" << qint64(0) << 0 << S::NoReply << qint64(0);
    QTest::newRow("answers") << "mr" << qint64(0) << 0 << S::NoReply << qint64(0);
    QTest::newRow("malformed, one in four good") << "mgmgmgmr" << qint64(0) << 0 << S::NoReply << qint64(0);
    QTest::newRow("one good in sixteen") << QString("mg").repeated(15) + "mr" << qint64(0) << 0 << S::NoReply
                                         << qint64(0);
    QTest::newRow("held up, still counts commands") << "mw" << qint64(0) << 13 << S::NoReply << qint64(0);
}

void TestReplyWatch::verdicts()
{
    QFETCH(QString, pattern);
    QFETCH(qint64, unsent);
    QFETCH(int, endsBefore);
    QFETCH(ReplyWatch::Silence, silence);
    QFETCH(qint64, bytes);

    ReplyWatch watch;
    watch.start();
    qint64 now = 0;
    bool lateDue = false;
    std::optional<ReplyWatch::Verdict> verdict;
    int measure = 1;
    // Asked before each measure command, as the scan asks.
    for (int i = 0; measure <= 60; i = (i + 1) % int(pattern.size())) {
        switch (pattern[i].toLatin1()) {
        case 'm':
            verdict = watch.verdict(now, [unsent] { return unsent; });
            if (verdict)
                break;
            if (lateDue)
                watch.readingTaken();
            lateDue = false;
            watch.measureSent(now);
            now += 100;
            ++measure;
            break;
        case 'r':
            watch.bytesTaken(8);
            watch.readingTaken();
            break;
        case 'l':
            lateDue = true;
            break;
        case 'w':
            now += 2000;
            break;
        default:
            watch.bytesTaken(9);
        }
        if (verdict)
            break;
    }
    QCOMPARE(verdict ? measure : 0, endsBefore);
    if (verdict) {
        QCOMPARE(verdict->silence, silence);
        QCOMPARE(verdict->measures, measure - 1);
        QCOMPARE(verdict->bytes, bytes);
    }
}

QTEST_GUILESS_MAIN(TestReplyWatch)
#include "tst_replywatch.moc"
