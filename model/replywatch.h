#pragma once

#include <QtGlobal>

#include <functional>
#include <optional>

// Tells a run whose board answers from one that gets no reading, from the
// measure commands sent and what came back, on the scan's own clock. It rides
// on the scan's events: it is told of them, and asked before each measure command.
class ReplyWatch {
public:
    // How long a run goes without a reading before it is given up, counted from
    // the last reading or the run's first measure command: 16 steps of the scan.
    static constexpr qint64 kWindowMs = 1600;
    // Commands that must have gone unanswered too, so that an event loop held
    // up for a while is not taken for a quiet board.
    static constexpr int kMeasures = 12;

    enum class Silence {
        Stalled,    // commands are still waiting in the driver: the line takes no data
        NoReply,    // nothing came back
        Unreadable, // bytes came back, none of them a reading
    };
    struct Verdict {
        Silence silence;
        int measures; // unanswered measure commands
        qint64 bytes; // taken from the line meanwhile
    };

    void start() { *this = ReplyWatch(); }
    void measureSent(qint64 nowMs)
    {
        if (m_measures++ == 0)
            m_sinceMs = nowMs;
    }
    void bytesTaken(qint64 count) { m_bytes += count; }
    void readingTaken()
    {
        m_measures = 0;
        m_bytes = 0;
    }
    // Why the run should end now, if it should. `unsent` tells the bytes of
    // commands the driver still holds, where it can; it is asked only then.
    std::optional<Verdict> verdict(qint64 nowMs, const std::function<qint64()> &unsent) const;

private:
    int m_measures = 0;
    qint64 m_sinceMs = 0; // when the first unanswered command went
    qint64 m_bytes = 0;
};
