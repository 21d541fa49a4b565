#pragma once

#include "rng.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace boardsim {

struct ReplyTag
{
    int channel = 0;
    std::uint8_t value = 0;
    std::string garbled; // sent instead of the reply, if not empty
};

// A reply, or the random bytes after one, once the panel's side took its last byte.
struct Taken
{
    std::optional<ReplyTag> reply;
    std::string noise; // when no reply
};

// Bytes on their way from the board to the panel. The board's serial line
// carries one character every charSeconds (0: instant); a USB adapter then
// holds what has arrived until its latency timer, free-running from origin,
// expires (latencySeconds 0: not held). Times are seconds on one clock.
class OutputLine
{
public:
    OutputLine(double charSeconds, double latencySeconds, double origin, std::uint64_t seed);

    // The board hands text, then randomBytes random ones, to its serial line
    // at ready; reply is complete once the last byte of text has been taken.
    void send(double ready, std::string text, std::size_t randomBytes, std::optional<ReplyTag> reply);
    // Random bytes back to back from `from` to `until`; on an instant line as
    // many as the panel's side takes.
    void flood(double from, double until);

    // Bytes that have left the adapter by now and not been taken yet.
    std::string_view due(double now);
    // The first count bytes of due() went on: the replies and noise they complete.
    std::vector<Taken> taken(std::size_t count);
    // Nobody listens: what leaves the adapter by now is lost.
    std::vector<ReplyTag> skipDue(double now);
    // Loses every byte queued; a flood goes on from now.
    std::vector<ReplyTag> dropQueued(double now);
    // When the next byte leaves the adapter; none while enough bytes are due.
    std::optional<double> nextRelease() const;

private:
    struct Piece
    {
        std::string text;
        std::uint64_t count = 0; // text, then random bytes
        bool flood = false;
        double start = 0.0; // the line starts carrying it
        double until = 0.0; // a flood's end
        std::optional<ReplyTag> reply;
        std::uint64_t next = 0;
        std::string noise; // its random bytes released so far, unless a flood
    };

    struct Mark
    {
        std::uint64_t end; // stream offset just past the reply or noise
        Taken what;
    };

    double releaseOf(const Piece &piece, std::uint64_t index) const;
    bool unbounded(const Piece &piece) const { return piece.flood && m_charSeconds <= 0.0; }
    // Moves bytes released by now out of the head pieces, into m_due when keep.
    void release(double now, bool keep, std::vector<ReplyTag> &skipped);

    double m_charSeconds;
    double m_latency;
    double m_origin;
    Rng m_random;
    std::deque<Piece> m_pieces;
    double m_wireFree;
    double m_lastNow;
    std::string m_due;
    std::deque<Mark> m_marks;
    std::uint64_t m_released = 0;
    std::uint64_t m_taken = 0;
};

} // namespace boardsim
