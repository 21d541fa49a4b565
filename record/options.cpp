#include "record/options.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cmath>

namespace {
constexpr double kMostSeconds = 1e8;

const char kEpilogue[] = R"(
A sweep is one pass of the scan over the chosen channels, from the lowest to the
highest: one row for each chosen channel whose reply came.

Rows: time,elapsed_s,channel,reading - the UTC time, the seconds since the first
command to the board, the channel's name as the panel shows it, and the reading
0..255 as received.

Exit status: 0 when the recording ended as asked (its time, its sweeps, or
SIGINT, SIGTERM or SIGHUP); 2 when the command line was refused; 3 when the port
or the board failed (with --reconnect: when the adapter did not come back in
time); 4 when the output could not be made or written.
)";

struct Parser {
    QCommandLineParser qt;
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Read the board on port N, 1 to 255, as the panel's Com N "
                                           "(default 1)."),
                            QStringLiteral("N")};
    QCommandLineOption device{QStringLiteral("device"),
                              QStringLiteral("Read the board on the serial device PATH (a bare name "
                                             "means /dev/NAME)."),
                              QStringLiteral("PATH")};
    QCommandLineOption channels{QStringLiteral("channels"),
                                QStringLiteral("Record the channels in LIST, names as the panel shows "
                                               "them, comma-separated, ranges such as E1-E9 "
                                               "(default: all 18)."),
                                QStringLiteral("LIST")};
    QCommandLineOption shield{QStringLiteral("shield"),
                              QStringLiteral("Shield driver on or off (default on; following a "
                                             "panel's run, as the panel has it)."),
                              QStringLiteral("MODE")};
    QCommandLineOption seconds{QStringLiteral("seconds"),
                               QStringLiteral("Stop S seconds after the first command (default: "
                                              "when interrupted)."),
                               QStringLiteral("S")};
    QCommandLineOption sweeps{QStringLiteral("sweeps"),
                              QStringLiteral("Stop after N sweeps (default: when interrupted)."),
                              QStringLiteral("N")};
    QCommandLineOption output{QStringLiteral("output"),
                              QStringLiteral("Write the rows to FILE, '-' for standard output (default: "
                                             "standard output when it is not a terminal)."),
                              QStringLiteral("FILE")};
    QCommandLineOption force{QStringLiteral("force"), QStringLiteral("Overwrite FILE if it exists.")};
    QCommandLineOption quiet{QStringLiteral("quiet"),
                             QStringLiteral("No progress line on a terminal.")};
    QCommandLineOption reconnect{QStringLiteral("reconnect"),
                                 QStringLiteral("When the connection is lost, wait for the same adapter "
                                                "to come back and go on recording into the same output. "
                                                "The same adapter: the same USB serial number, vendor and "
                                                "product; without a serial number, the same "
                                                "/dev/serial/by-id or by-path name; else the same path, "
                                                "a symbolic link followed again.")};
    QCommandLineOption noFollow{QStringLiteral("no-follow"),
                                QStringLiteral("When a panel of this user is already scanning the "
                                               "port, refuse, rather than record the panel's run.")};
    QCommandLineOption reconnectTimeout{QStringLiteral("reconnect-timeout"),
                                        QStringLiteral("With --reconnect: end with status 3 when the "
                                                       "adapter has not come back in S seconds (default: "
                                                       "wait as long as the recording lasts)."),
                                        QStringLiteral("S")};

    Parser()
    {
        qt.setApplicationDescription(
            QStringLiteral("Records the readings of the electric-field sensing board as CSV, "
                           "scanning as the panel's Run does, one channel every 100 ms."));
        qt.addHelpOption();
        qt.addVersionOption();
        qt.addOptions({port, device, channels, shield, seconds, sweeps, output, force, quiet, noFollow,
                       reconnect, reconnectTimeout});
    }
};

CommandLine refuse(const QString &why)
{
    return {CommandLine::Action::Refuse, {}, why + QStringLiteral(" (try --help)")};
}
} // namespace

CommandLine parseCommandLine(const QStringList &arguments, bool stdoutIsTerminal)
{
    Parser p;
    if (!p.qt.parse(arguments))
        return refuse(p.qt.errorText());
    if (p.qt.isSet(QStringLiteral("help")))
        return {CommandLine::Action::Help, {}, p.qt.helpText() + QString::fromLatin1(kEpilogue)};
    if (p.qt.isSet(QStringLiteral("version")))
        return {CommandLine::Action::Version, {},
                QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                              QCoreApplication::applicationVersion())};
    if (!p.qt.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument '%1'").arg(p.qt.positionalArguments().first()));
    for (const QString &name : p.qt.optionNames()) {
        if (p.qt.optionNames().count(name) > 1)
            return refuse(QStringLiteral("--%1 is given more than once").arg(name));
    }
    for (const auto &[a, b] : {std::pair{&p.port, &p.device}, std::pair{&p.seconds, &p.sweeps}}) {
        if (p.qt.isSet(*a) && p.qt.isSet(*b))
            return refuse(QStringLiteral("--%1 and --%2 cannot go together")
                              .arg(a->names().first(), b->names().first()));
    }

    RecordOptions o;
    bool ok = true;
    if (p.qt.isSet(p.port)) {
        o.port = p.qt.value(p.port).toInt(&ok);
        if (!ok || o.port < 1 || o.port > 255)
            return refuse(QStringLiteral("--port: expected a port number 1 to 255, got '%1'")
                              .arg(p.qt.value(p.port)));
    }
    o.device = p.qt.value(p.device);
    if (p.qt.isSet(p.device) && o.device.isEmpty())
        return refuse(QStringLiteral("--device: expected a path"));
    if (p.qt.isSet(p.channels)) {
        QString why;
        const auto chosen = parseChannelList(p.qt.value(p.channels), &why);
        if (!chosen)
            return refuse(QStringLiteral("--channels: %1").arg(why));
        o.channels = *chosen;
    }
    if (p.qt.isSet(p.shield)) {
        const QString mode = p.qt.value(p.shield);
        if (mode != u"on" && mode != u"off")
            return refuse(QStringLiteral("--shield: expected on or off, got '%1'").arg(mode));
        o.shieldMode = mode == u"on" ? 0 : 1;
        o.shieldGiven = true;
    }
    o.follow = !p.qt.isSet(p.noFollow);
    for (const auto &[option, target] : {std::pair{&p.seconds, &o.seconds},
                                         std::pair{&p.reconnectTimeout, &o.reconnectTimeout}}) {
        if (!p.qt.isSet(*option))
            continue;
        const double s = p.qt.value(*option).toDouble(&ok);
        if (!ok || !(s > 0) || s > kMostSeconds)
            return refuse(QStringLiteral("--%1: expected seconds, more than 0 and at most %2, got '%3'")
                              .arg(option->names().first())
                              .arg(kMostSeconds, 0, 'g', 9)
                              .arg(p.qt.value(*option)));
        *target = s;
    }
    o.reconnect = p.qt.isSet(p.reconnect);
    if (o.reconnectTimeout && !o.reconnect)
        return refuse(QStringLiteral("--reconnect-timeout needs --reconnect"));
    if (p.qt.isSet(p.sweeps)) {
        o.sweeps = p.qt.value(p.sweeps).toLongLong(&ok);
        if (!ok || *o.sweeps < 1)
            return refuse(QStringLiteral("--sweeps: expected a count from 1, got '%1'")
                              .arg(p.qt.value(p.sweeps)));
    }
    o.force = p.qt.isSet(p.force);
    o.quiet = p.qt.isSet(p.quiet);
    const QString output = p.qt.value(p.output);
    if (p.qt.isSet(p.output) && output.isEmpty())
        return refuse(QStringLiteral("--output: expected a file"));
    if (output != u"-")
        o.output = output;
    if (o.force && o.output.isEmpty())
        return refuse(QStringLiteral("--force needs --output FILE: there is no file to overwrite"));
    if (!p.qt.isSet(p.output) && stdoutIsTerminal)
        return refuse(QStringLiteral("standard output is a terminal; give --output FILE for the "
                                     "rows, or --output - to see them here"));
    return {CommandLine::Action::Record, o, {}};
}

ExitStatus exitStatusOf(Failure kind)
{
    // Every kind is named, so that a new one needs a status chosen for it.
    switch (kind) {
    case Failure::Harmless: // ends no recording
    case Failure::NotFound:
    case Failure::NotPermitted:
    case Failure::Busy:
    case Failure::Locked:
    case Failure::NotSerial:
    case Failure::Console:
    case Failure::Lost:
    case Failure::Stalled:
    case Failure::BoardSilent:
    case Failure::BoardUnreadable:
    case Failure::Other:
        return kPortFailure;
    }
    return kPortFailure;
}
