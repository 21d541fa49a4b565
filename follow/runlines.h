#pragma once

#include "model/channeltable.h"
#include "serial/failure.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

// What a panel tells the recorders that follow its run, a line of text each.

// A reading goes out this long after the reply: past the select command, well
// before the next measure, so a woken follower never takes the processor while
// the panel handles a reply or paints it.
inline constexpr int kRunSendDelayMs = 40;

// The first line: whose run it is and where the scan stands.
struct RunHello {
    int port = 1;        // Com<port>
    qint16 shield = 0;   // 0 on, 1 off, as the panel keeps it
    qint64 pass = 0;     // the pass under way; 0 before the first reading
    QString device;      // what the port opened
};

// One reading the panel drew, as received (not inverted).
struct RunReading {
    qint64 pass = 0;     // passes counted from the run's start, the first 1
    qint16 channel = 0;
    int value = 0;
    qint64 utcMs = 0;    // when the reply was taken, ms since 1970 UTC
    qint64 elapsedMs = 0; // since the run began
};

// The last line.
struct RunEnd {
    enum class How { Stopped, Exited, Failed, Dropped } how = How::Exited;
    Failure kind = Failure::Other; // Failed only
    QString text;                  // Failed: the panel's message
    qint64 backlog = 0;            // Dropped: how many readings waited

    static RunEnd stopped() { return withHow(How::Stopped); }
    static RunEnd exited() { return withHow(How::Exited); }
    static RunEnd failed(Failure kind, const QString &text)
    {
        RunEnd end = withHow(How::Failed);
        end.kind = kind;
        end.text = text;
        return end;
    }
    static RunEnd dropped(qint64 backlog)
    {
        RunEnd end = withHow(How::Dropped);
        end.backlog = backlog;
        return end;
    }

private:
    static RunEnd withHow(How how)
    {
        RunEnd end;
        end.how = how;
        return end;
    }
};

using RunLine = std::variant<RunHello, RunReading, RunEnd>;

QByteArray formatLine(const RunHello &hello);
QByteArray formatLine(const RunReading &reading);
QByteArray formatLine(const RunEnd &end);

// One line without its newline; nothing when it is none of the above.
std::optional<RunLine> parseRunLine(QByteArrayView line);
