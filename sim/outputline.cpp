#include "outputline.h"

#include <algorithm>
#include <cmath>

namespace boardsim {

namespace {
// A few writes' worth; more would only wait in memory while the panel's side is full.
constexpr std::size_t kDueCap = 4096;
} // namespace

OutputLine::OutputLine(double charSeconds, double latencySeconds, double origin, std::uint64_t seed)
    : charSeconds_(charSeconds)
    , latency_(latencySeconds)
    , origin_(origin)
    , random_(seed)
    , wireFree_(origin)
    , lastNow_(origin)
{
}

double OutputLine::releaseOf(const Piece &piece, std::uint64_t index) const
{
    const double done = piece.start + static_cast<double>(index + 1) * charSeconds_;
    if (latency_ <= 0.0)
        return done;
    // The slack lets a byte that is done right on a tick leave with it.
    return origin_ + std::ceil((done - origin_) / latency_ - 1e-9) * latency_;
}

void OutputLine::send(double ready, std::string text, std::size_t randomBytes, std::optional<ReplyTag> reply)
{
    Piece piece;
    piece.count = text.size() + randomBytes;
    if (piece.count == 0)
        return;
    piece.text = std::move(text);
    piece.start = std::max(ready, wireFree_);
    piece.reply = reply;
    wireFree_ = piece.start + static_cast<double>(piece.count) * charSeconds_;
    pieces_.push_back(std::move(piece));
}

void OutputLine::flood(double from, double until)
{
    Piece piece;
    piece.flood = true;
    piece.start = std::max(from, wireFree_);
    piece.until = until;
    if (piece.start >= until)
        return;
    if (!unbounded(piece)) {
        piece.count = static_cast<std::uint64_t>((until - piece.start) / charSeconds_ + 1e-9);
        if (piece.count == 0)
            return;
    }
    wireFree_ = std::max(wireFree_, until);
    pieces_.push_back(std::move(piece));
}

void OutputLine::release(double now, bool keep, std::vector<ReplyTag> &skipped)
{
    lastNow_ = std::max(lastNow_, now);
    while (!pieces_.empty() && (!keep || due_.size() < kDueCap)) {
        Piece &piece = pieces_.front();
        if (unbounded(piece)) {
            if (now >= piece.until) {
                pieces_.pop_front();
                continue;
            }
            if (!keep || now < piece.start)
                return;
            const std::size_t before = due_.size();
            while (due_.size() < kDueCap)
                due_ += static_cast<char>(random_.byte());
            released_ += due_.size() - before;
            return;
        }
        if (releaseOf(piece, piece.next) > now)
            return;
        if (keep) {
            const bool random = piece.next >= piece.text.size();
            const char byte = random ? static_cast<char>(random_.byte()) : piece.text[piece.next];
            if (random && !piece.flood)
                piece.noise += byte;
            due_ += byte;
            ++released_;
        }
        ++piece.next;
        if (piece.reply && piece.next == piece.text.size()) {
            if (keep)
                marks_.push_back({released_, {piece.reply, {}}});
            else
                skipped.push_back(*piece.reply);
        }
        if (piece.next == piece.count) {
            if (!piece.noise.empty())
                marks_.push_back({released_, {std::nullopt, std::move(piece.noise)}});
            pieces_.pop_front();
        }
    }
}

std::string_view OutputLine::due(double now)
{
    std::vector<ReplyTag> none;
    release(now, true, none);
    return due_;
}

std::vector<Taken> OutputLine::taken(std::size_t count)
{
    count = std::min(count, due_.size());
    due_.erase(0, count);
    taken_ += count;
    std::vector<Taken> done;
    while (!marks_.empty() && marks_.front().end <= taken_) {
        done.push_back(std::move(marks_.front().what));
        marks_.pop_front();
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
    for (const Mark &mark : marks_) {
        if (mark.what.reply)
            lost.push_back(*mark.what.reply);
    }
    marks_.clear();
    due_.clear();
    taken_ = released_;

    std::deque<Piece> kept;
    wireFree_ = now;
    for (Piece &piece : pieces_) {
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
        wireFree_ = std::max(wireFree_, piece.until);
        kept.push_back(std::move(piece));
    }
    pieces_ = std::move(kept);
    return lost;
}

std::optional<double> OutputLine::nextRelease() const
{
    if (pieces_.empty() || due_.size() >= kDueCap)
        return std::nullopt;
    const Piece &piece = pieces_.front();
    if (unbounded(piece))
        return piece.start > lastNow_ ? piece.start : piece.until;
    return releaseOf(piece, piece.next);
}

} // namespace boardsim
