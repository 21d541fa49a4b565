#include "scan/replywatch.h"

#include <QTest>

Q_DECLARE_METATYPE(std::optional<ReplyWatch::Silence>)

// When a run that gets no reading is given up, and what it is called.
class TestReplyWatch : public QObject {
    Q_OBJECT
private slots:
    void verdicts_data();
    void verdicts();
};

void TestReplyWatch::verdicts_data()
{
    // One letter an event: m a measure command, r a reading, g bytes that are
    // none, l a reading that comes after the next measure command.
    QTest::addColumn<QString>("pattern");  // repeated until the measure commands are sent
    QTest::addColumn<qint64>("unsent");    // bytes the driver still holds
    QTest::addColumn<std::optional<ReplyWatch::Silence>>("at15");
    QTest::addColumn<std::optional<ReplyWatch::Silence>>("at16");
    QTest::addColumn<qint64>("bytes"); // told with the verdict

    using S = ReplyWatch::Silence;
    const std::optional<S> none;
    QTest::newRow("nothing comes") << "m" << qint64(0) << none << std::optional(S::NoReply) << qint64(0);
    QTest::newRow("gibberish comes") << "mg" << qint64(0) << none << std::optional(S::Unreadable) << qint64(144);
    QTest::newRow("commands wait unsent") << "m" << qint64(12) << none << std::optional(S::Stalled) << qint64(0);
    QTest::newRow("unsent, but it answers") << "mr" << qint64(12) << none << none << qint64(0);
    QTest::newRow("every reply late") << "ml" << qint64(0) << none << none << qint64(0);
    QTest::newRow("answers") << "mr" << qint64(0) << none << none << qint64(0);
    QTest::newRow("malformed, one in four good") << "mgmgmgmr" << qint64(0) << none << none << qint64(0);
    QTest::newRow("one good in seventeen") << "mgmgmgmgmgmgmgmgmgmgmgmgmgmgmgmr" << qint64(0) << none << none
                                           << qint64(0);
}

void TestReplyWatch::verdicts()
{
    QFETCH(QString, pattern);
    QFETCH(qint64, unsent);
    QFETCH(std::optional<ReplyWatch::Silence>, at15);
    QFETCH(std::optional<ReplyWatch::Silence>, at16);
    QFETCH(qint64, bytes);

    ReplyWatch watch;
    watch.start();
    // Asked before each measure command, as the scan asks.
    QList<std::optional<ReplyWatch::Verdict>> seen;
    bool lateDue = false;
    int measures = 0;
    for (int i = 0; measures < ReplyWatch::kMeasures + 1; i = (i + 1) % int(pattern.size())) {
        switch (pattern[i].toLatin1()) {
        case 'm': {
            seen << watch.verdict(unsent);
            if (lateDue)
                watch.readingTaken();
            lateDue = false;
            watch.measureSent();
            ++measures;
            break;
        }
        case 'r':
            watch.bytesTaken(8);
            watch.readingTaken();
            break;
        case 'l':
            lateDue = true;
            break;
        default:
            watch.bytesTaken(9);
        }
    }
    const auto silence = [](const std::optional<ReplyWatch::Verdict> &v) {
        return v ? std::optional(v->silence) : std::nullopt;
    };
    // The 16th command goes out; the 17th is where a silent run ends.
    QCOMPARE(silence(seen.value(ReplyWatch::kMeasures - 1)), at15);
    QCOMPARE(silence(seen.value(ReplyWatch::kMeasures)), at16);
    if (at16) {
        QCOMPARE(seen[ReplyWatch::kMeasures]->measures, ReplyWatch::kMeasures);
        QCOMPARE(seen[ReplyWatch::kMeasures]->bytes, bytes);
    }
}

QTEST_GUILESS_MAIN(TestReplyWatch)
#include "tst_replywatch.moc"
