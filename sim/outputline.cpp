#include "outputline.h"

#include <algorithm>
#include <cmath>

namespace boardsim {

namespace {
// A few writes' worth; more would only wait in memory while the panel's side is full.
constexpr std::size_t kDueCap = 4096;
} // namespace

OutputLine::OutputLine(double charSeconds, double latencySeconds, double origin, std::uint64_t seed)
    : m_charSeconds(charSeconds)
    , m_latency(latencySeconds)
    , m_origin(origin)
    , m_random(seed)
    , m_wireFree(origin)
    , m_lastNow(origin)
{
}

double OutputLine::releaseOf(const Piece &piece, std::uint64_t index) const
{
    const double done = piece.start + static_cast<double>(index + 1) * m_charSeconds;
    if (m_latency <= 0.0)
        return done;
    // The slack lets a byte that is done right on a tick leave with it.
    return m_origin + std::ceil((done - m_origin) / m_latency - 1e-9) * m_latency;
}

void OutputLine::send(double ready, std::string text, std::size_t randomBytes, std::optional<ReplyTag> reply)
{
    Piece piece;
    piece.count = text.size() + randomBytes;
    if (piece.count == 0)
        return;
    piece.text = std::move(text);
    piece.start = std::max(ready, m_wireFree);
    piece.reply = reply;
    m_wireFree = piece.start + static_cast<double>(piece.count) * m_charSeconds;
    m_pieces.push_back(std::move(piece));
}

void OutputLine::flood(double from, double until)
{
    Piece piece;
    piece.flood = true;
    piece.start = std::max(from, m_wireFree);
    piece.until = until;
    if (piece.start >= until)
        return;
    if (!unbounded(piece)) {
        piece.count = static_cast<std::uint64_t>((until - piece.start) / m_charSeconds + 1e-9);
        if (piece.count == 0)
            return;
    }
    m_wireFree = std::max(m_wireFree, until);
    m_pieces.push_back(std::move(piece));
}

void OutputLine::release(double now, bool keep, std::vector<ReplyTag> &skipped)
{
    m_lastNow = std::max(m_lastNow, now);
    while (!m_pieces.empty() && (!keep || m_due.size() < kDueCap)) {
        Piece &piece = m_pieces.front();
        if (unbounded(piece)) {
            if (now >= piece.until) {
                m_pieces.pop_front();
                continue;
            }
            if (!keep || now < piece.start)
                return;
            const std::size_t before = m_due.size();
            while (m_due.size() < kDueCap)
                m_due += static_cast<char>(m_random.byte());
            m_released += m_due.size() - before;
            return;
        }
        if (releaseOf(piece, piece.next) > now)
            return;
        if (keep) {
            const bool random = piece.next >= piece.text.size();
            const char byte = random ? static_cast<char>(m_random.byte()) : piece.text[piece.next];
            if (random && !piece.flood)
                piece.noise += byte;
            m_due += byte;
            ++m_released;
        }
        ++piece.next;
        if (piece.reply && piece.next == piece.text.size()) {
            if (keep)
                m_marks.push_back({m_released, {piece.reply, {}}});
            else
                skipped.push_back(*piece.reply);
        }
        if (piece.next == piece.count) {
            if (!piece.noise.empty())
                m_marks.push_back({m_released, {std::nullopt, std::move(piece.noise)}});
            m_pieces.pop_front();
        }
    }
}

std::string_view OutputLine::due(double now)
{
    std::vector<ReplyTag> none;
    release(now, true, none);
    return m_due;
}

std::vector<Taken> OutputLine::taken(std::size_t count)
{
    count = std::min(count, m_due.size());
    m_due.erase(0, count);
    m_taken += count;
    std::vector<Taken> done;
    while (!m_marks.empty() && m_marks.front().end <= m_taken) {
        done.push_back(std::move(m_marks.front().what));
        m_marks.pop_front();
    }
    return done;
}

std::vector<ReplyTag> OutputLine::skipDue(double now)
{
    std::vector<ReplyTag> lost;
    release(now, false, lost);
    return lost;
}

std::vector<ReplyTag> OutputLine::dropQueued(double now)
{
    std::vector<ReplyTag> lost;
    for (const Mark &mark : m_marks) {
        if (mark.what.reply)
            lost.push_back(*mark.what.reply);
    }
    m_marks.clear();
    m_due.clear();
    m_taken = m_released;

    std::deque<Piece> kept;
    m_wireFree = now;
    for (Piece &piece : m_pieces) {
        if (!piece.flood) {
            if (piece.reply && piece.next < piece.text.size())
                lost.push_back(*piece.reply);
            continue;
        }
        if (!unbounded(piece)) {
            while (piece.next < piece.count && releaseOf(piece, piece.next) <= now)
                ++piece.next;
            if (piece.next == piece.count)
                continue;
        }
        m_wireFree = std::max(m_wireFree, piece.until);
        kept.push_back(std::move(piece));
    }
    m_pieces = std::move(kept);
    return lost;
}

std::optional<double> OutputLine::nextRelease() const
{
    if (m_pieces.empty() || m_due.size() >= kDueCap)
        return std::nullopt;
    const Piece &piece = m_pieces.front();
    if (unbounded(piece))
        return piece.start > m_lastNow ? piece.start : piece.until;
    return releaseOf(piece, piece.next);
}

} // namespace boardsim
