#include "charset/charset.h"
#include "stopsignals/stopsignals.h"
#include "wire/devicename.h"
#include "record/recorder.h"
#include "scheduling/scheduling.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    // From cron or a systemd unit the locale is C, and Qt 6.5 and later would
    // say so on standard error, into the user's log, on every run.
    charset::useUtf8CharacterType();
    requestPreciseScheduling();
    // Qt's own event loop instead of GLib's, which wakes itself again each time
    // the port stops or starts watching the line; nothing here needs GLib's.
    // The choice is not handed down to what this program starts.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    qunsetenv("QT_NO_GLIB");
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    // Paths as the file system holds them, whatever the locale.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << decodeDeviceName(QByteArray(argv[i]));
    const CommandLine line = parseCommandLine(arguments, ::isatty(STDOUT_FILENO));
    switch (line.action) {
    case CommandLine::Action::Help:
    case CommandLine::Action::Version:
        std::fputs(line.text.toLocal8Bit().constData(), stdout);
        return kRecorded;
    case CommandLine::Action::Refuse:
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                     line.text.toLocal8Bit().constData());
        return kUsageError;
    case CommandLine::Action::Record:
        break;
    }
    // A reader gone or a file size limit is a failed write, told and ended cleanly.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    Recorder recorder(line.options);
    whenToldToStop(&app, [&recorder] { recorder.finish(kRecorded); });
    if (!recorder.start())
        return recorder.status();
    return app.exec();
}
