#pragma once

#include <QtGlobal>

#include <optional>

// Tells a run whose board answers from one that gets no reading, from the
// measure commands sent and what came back. It rides on the scan's own events:
// it is told of them and asked before each measure command.
class ReplyWatch {
public:
    // Measure commands in a row without a reading before a run is given up:
    // 1.6 s of scanning, with the first 1 s after Run on top for the first ones.
    static constexpr int kMeasures = 16;

    enum class Silence {
        Stalled,    // commands are still waiting in the driver: the line takes no data
        NoReply,    // nothing came back
        Unreadable, // bytes came back, none of them a reading
    };
    struct Verdict {
        Silence silence;
        int measures;    // unanswered measure commands
        qint64 bytes;    // taken from the line meanwhile
    };

    void start() { *this = ReplyWatch(); }
    void measureSent() { ++m_measures; }
    void bytesTaken(qint64 count) { m_bytes += count; }
    void readingTaken()
    {
        m_measures = 0;
        m_bytes = 0;
    }
    // Why the run should end now, if it should. `unsent`: bytes of commands the
    // driver still holds, where it can tell.
    std::optional<Verdict> verdict(qint64 unsent) const;

private:
    int m_measures = 0;
    qint64 m_bytes = 0;
};
