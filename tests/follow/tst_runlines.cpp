#include "follow/runlines.h"

#include <QTest>

Q_DECLARE_METATYPE(RunLine)

class TestRunLines : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
};

void TestRunLines::roundTrip_data()
{
    QTest::addColumn<RunLine>("line");
    QTest::newRow("hello") << RunLine(RunHello{3, 1, 42, QStringLiteral("/dev/serial/by-id/usb-FTDI x")});
    QTest::newRow("reading") << RunLine(RunReading{7, 17, 255, 1'796'000'000'123, 3'600'000'001});
    QTest::newRow("stopped") << RunLine(RunEnd::stopped());
    QTest::newRow("exited") << RunLine(RunEnd::exited());
    QTest::newRow("failed") << RunLine(RunEnd::failed(Failure::Lost, QStringLiteral("Com1 (/dev/ttyUSB0): lost")));
    QTest::newRow("dropped") << RunLine(RunEnd::dropped(1000));
}

void TestRunLines::roundTrip()
{
    QFETCH(RunLine, line);
    const QByteArray text = std::visit([](const auto &l) { return formatLine(l); }, line);
    QVERIFY(text.endsWith('\n'));
    QCOMPARE(text.count('\n'), 1);
    const std::optional<RunLine> back = parseRunLine(QByteArrayView(text).chopped(1));
    QVERIFY(back);
    QCOMPARE(back->index(), line.index());
    if (const auto *h = std::get_if<RunHello>(&line)) {
        const auto &b = std::get<RunHello>(*back);
        QCOMPARE(std::tie(b.port, b.shield, b.pass, b.device), std::tie(h->port, h->shield, h->pass, h->device));
    } else if (const auto *r = std::get_if<RunReading>(&line)) {
        const auto &b = std::get<RunReading>(*back);
        QCOMPARE(std::tie(b.pass, b.channel, b.value, b.utcMs, b.elapsedMs),
                 std::tie(r->pass, r->channel, r->value, r->utcMs, r->elapsedMs));
    } else {
        const auto &e = std::get<RunEnd>(line);
        const auto &b = std::get<RunEnd>(*back);
        QCOMPARE(std::tie(b.how, b.kind, b.text, b.backlog), std::tie(e.how, e.kind, e.text, e.backlog));
    }
}

void TestRunLines::refused_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("unknown") << QByteArray("x 1 2");
    QTest::newRow("reading short") << QByteArray("r 1 2 3 4");
    QTest::newRow("reading long") << QByteArray("r 1 2 3 4 5 6");
    QTest::newRow("no such channel") << QByteArray("r 1 18 3 4 5");
    QTest::newRow("reading over a byte") << QByteArray("r 1 2 256 4 5");
    QTest::newRow("negative time") << QByteArray("r 1 2 3 -4 5");
    QTest::newRow("not a number") << QByteArray("r 1 2 0x10 4 5");
    QTest::newRow("hello without device") << QByteArray("hello 1 0 0 ");
    QTest::newRow("hello port 0") << QByteArray("hello 0 0 0 /dev/ttyUSB0");
    QTest::newRow("hello shield 2") << QByteArray("hello 1 2 0 /dev/ttyUSB0");
    QTest::newRow("unknown end") << QByteArray("end paused");
    QTest::newRow("failure of no kind") << QByteArray("end failed 99 text");
    QTest::newRow("dropped without count") << QByteArray("end dropped");
}

void TestRunLines::refused()
{
    QFETCH(QByteArray, line);
    QVERIFY(!parseRunLine(line));
}

QTEST_APPLESS_MAIN(TestRunLines)
#include "tst_runlines.moc"
