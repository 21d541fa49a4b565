#include "record/options.h"

#include <QCoreApplication>
#include <QTest>

namespace {
// What the options chose, in a line a row can state.
QString describe(const RecordOptions &o)
{
    QStringList channels;
    for (int c = 0; c < kChannelCount; ++c) {
        if (o.channels[size_t(c)])
            channels << channelName(c);
    }
    const QString until = o.seconds  ? QStringLiteral("%1 s").arg(*o.seconds)
                          : o.sweeps ? QStringLiteral("%1 sweeps").arg(*o.sweeps)
                                     : QStringLiteral("stopped");
    return QStringLiteral("port %1%2; %3; shield %4; until %5; to %6%7%8")
        .arg(o.port)
        .arg(o.device.isEmpty() ? QString() : QStringLiteral(" at ") + o.device)
        .arg(o.channels.all() ? QStringLiteral("all") : channels.join(u','))
        .arg(o.shieldMode == 0 ? "on" : "off")
        .arg(until)
        .arg(o.output.isEmpty() ? QStringLiteral("stdout") : o.output)
        .arg(o.force ? ", force" : "")
        .arg(o.quiet ? ", quiet" : "")
        + (o.reconnect ? QStringLiteral("; reconnect") : QString())
        + (o.reconnectTimeout ? QStringLiteral(" within %1 s").arg(*o.reconnectTimeout) : QString());
}
} // namespace

class TestRecordOptions : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestRecordOptions::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("terminal"); // standard output is a terminal
    QTest::addColumn<QString>("outcome"); // the options chosen, or a piece of the refusal

    const QString defaults = QStringLiteral("port 1; all; shield on; until stopped; to stdout");
    QTest::newRow("defaults into a pipe") << QStringList{} << false << defaults;
    QTest::newRow("rows onto a terminal") << QStringList{} << true << "! give --output FILE";
    QTest::newRow("onto a terminal when asked") << QStringList{"--output", "-"} << true << defaults;
    QTest::newRow("a file, forced, quiet") << QStringList{"--output", "run.csv", "--force", "--quiet"} << true
                                           << "port 1; all; shield on; until stopped; to run.csv, force, quiet";
    QTest::newRow("port") << QStringList{"--port=4"} << false << "port 4; all; shield on; until stopped; to stdout";
    QTest::newRow("device") << QStringList{"--device", "/tmp/board"} << false
                            << "port 1 at /tmp/board; all; shield on; until stopped; to stdout";
    QTest::newRow("shield off, seconds") << QStringList{"--shield", "off", "--seconds", "2.5"} << false
                                         << "port 1; all; shield off; until 2.5 s; to stdout";
    QTest::newRow("sweeps") << QStringList{"--sweeps", "3"} << false << "port 1; all; shield on; until 3 sweeps; to stdout";
    QTest::newRow("reconnect") << QStringList{"--reconnect"} << false << defaults + "; reconnect";
    QTest::newRow("reconnect within") << QStringList{"--reconnect", "--reconnect-timeout", "90.5"} << false
                                      << defaults + "; reconnect within 90.5 s";
    QTest::newRow("reconnect timeout alone") << QStringList{"--reconnect-timeout", "9"} << false
                                             << "! --reconnect-timeout needs --reconnect";
    QTest::newRow("reconnect timeout 0") << QStringList{"--reconnect", "--reconnect-timeout", "0"} << false
                                         << "! --reconnect-timeout: expected seconds, more than 0";

    QTest::newRow("a range") << QStringList{"--channels", "E1-E9"} << false
                             << "port 1; E1,E2,E3,E4,E5,E6,E7,E8,E9; shield on; until stopped; to stdout";
    QTest::newRow("names, aliases, case, blanks") << QStringList{"--channels", "Ref A, refb,VDD ,e3"} << false
                                                  << "port 1; E3,Ref A,Ref B,Vdd; shield on; until stopped; to stdout";
    QTest::newRow("a name with a dash") << QStringList{"--channels", "O-R"} << false
                                        << "port 1; O-R; shield on; until stopped; to stdout";
    QTest::newRow("ranges to and from it") << QStringList{"--channels", "OSC-O-R,O-R-INT"} << false
                                           << "port 1; OSC,O-R,INT; shield on; until stopped; to stdout";
    QTest::newRow("the whole table") << QStringList{"--channels", "ISrc-Vpwr"} << false << defaults;

    QTest::newRow("unknown channel") << QStringList{"--channels", "E1,E10"} << false
                                     << "! no channel is called 'E10'; the channels are ISrc, E1, E2, E3, E4, "
                                        "E5, E6, E7, E8, E9, Ref A, Ref B, OSC, O-R, INT, Rsvd, Vdd, Vpwr";
    QTest::newRow("empty item") << QStringList{"--channels", "E1,,E2"} << false << "! no channel is called ''";
    QTest::newRow("range backwards") << QStringList{"--channels", "E9-E1"} << false << "! 'E9-E1' runs backwards";
    QTest::newRow("range to nothing") << QStringList{"--channels", "E1-E99"} << false << "! no channel is called 'E1-E99'";
    QTest::newRow("port and device") << QStringList{"--port", "2", "--device", "/tmp/b"} << false << "! --port and --device cannot go together";
    QTest::newRow("seconds and sweeps") << QStringList{"--sweeps", "2", "--seconds", "9"} << false << "! --seconds and --sweeps cannot go together";
    QTest::newRow("an option twice") << QStringList{"--port", "1", "--port", "2"} << false << "! --port is given more than once";
    QTest::newRow("force with no file") << QStringList{"--force"} << false << "! --force needs --output FILE";
    QTest::newRow("port 0") << QStringList{"--port", "0"} << false << "! --port: expected a port number 1 to 255, got '0'";
    QTest::newRow("port 256") << QStringList{"--port", "256"} << false << "! --port: expected a port number";
    QTest::newRow("seconds 0") << QStringList{"--seconds", "0"} << false << "! --seconds: expected seconds";
    QTest::newRow("seconds with a comma") << QStringList{"--seconds", "2,5"} << false << "! --seconds: expected seconds";
    QTest::newRow("sweeps 0") << QStringList{"--sweeps", "0"} << false << "! --sweeps: expected a count from 1";
    QTest::newRow("shield maybe") << QStringList{"--shield", "maybe"} << false << "! --shield: expected on or off";
    QTest::newRow("unknown option") << QStringList{"--verbose"} << false << "! verbose";
    QTest::newRow("stray argument") << QStringList{"run.csv"} << false << "! unexpected argument 'run.csv'";
    QTest::newRow("value missing") << QStringList{"--output"} << false << "! output";
}

void TestRecordOptions::parse()
{
    QFETCH(QStringList, args);
    QFETCH(bool, terminal);
    QFETCH(QString, outcome);
    const CommandLine parsed = parseCommandLine(QStringList{QStringLiteral("orvane-record")} + args, terminal);
    if (outcome.startsWith(u'!')) {
        QCOMPARE(int(parsed.action), int(CommandLine::Action::Refuse));
        QVERIFY2(parsed.text.contains(outcome.mid(2)), qPrintable(parsed.text));
        QVERIFY2(parsed.text.endsWith(QStringLiteral("(try --help)")), qPrintable(parsed.text));
    } else {
        QCOMPARE(int(parsed.action), int(CommandLine::Action::Record));
        QCOMPARE(describe(parsed.options), outcome);
    }
}

QTEST_GUILESS_MAIN(TestRecordOptions)
#include "tst_recordoptions.moc"
