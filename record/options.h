#pragma once

#include "record/channelnames.h"
#include "serial/failure.h"

#include <QString>
#include <QStringList>

#include <optional>

// The exit statuses, for scripts.
enum ExitStatus {
    kRecorded = 0,      // ended as asked: its time, its sweeps, or a signal
    kUsageError = 2,    // the command line was refused
    kPortFailure = 3,   // the port or the board failed
    kOutputFailure = 4, // the output could not be made or written
};

// The status of a recording the port or the board ended, by what ended it.
ExitStatus exitStatusOf(Failure kind);

struct RecordOptions {
    int port = 1;
    QString device;                    // empty: what the port finds
    ChannelSet channels = ChannelSet().set();
    qint16 shieldMode = 0;             // as the panel keeps it: 0 on, 1 off
    bool shieldGiven = false;          // asked for, not taken by default
    std::optional<double> seconds;     // from the first command
    std::optional<qint64> sweeps;      // passes over the chosen channels
    QString output;                    // empty: standard output
    bool force = false;
    bool quiet = false;
    bool follow = true;                      // record a panel's run that holds the port
    bool reconnect = false;                  // wait for a lost adapter to come back
    std::optional<double> reconnectTimeout; // how long, at most
};

struct CommandLine {
    enum class Action { Record, Help, Version, Refuse } action = Action::Record;
    RecordOptions options;
    QString text; // the help, the version, or why the command line was refused
};

// `arguments` with the program's name first. Standard output may take the rows
// only when it is not a terminal, unless asked for by "--output -".
CommandLine parseCommandLine(const QStringList &arguments, bool stdoutIsTerminal);
