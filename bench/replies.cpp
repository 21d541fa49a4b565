#include "bench/replies.h"

#include "bench/stats.h"

#include <deque>
#include <limits>

std::vector<Reply> repliesSent(const std::vector<LogLine> &simLog)
{
    std::vector<Reply> out;
    // The simulator answers measure commands in order; a dropped answer answers one too.
    std::deque<double> asked;
    for (const LogLine &l : simLog) {
        if (l.is("rx", "x")) {
            asked.push_back(l.t);
        } else if (l.word(0) == "tx" || l.word(0) == "drop") {
            const double at = asked.empty() ? l.t : asked.front();
            if (!asked.empty())
                asked.pop_front();
            if (l.word(0) == "tx")
                out.push_back({l.t, at, l.word(1).toInt(), QByteArray::number(l.word(2).toInt(nullptr, 16))});
        }
    }
    return out;
}

std::vector<Receive> receiveEvents(const std::vector<LogLine> &trace)
{
    std::vector<Receive> out;
    for (const LogLine &l : trace)
        if (l.is("handled", "OrvaneCom"))
            out.push_back({l.t, l.word(2).toDouble() / 1e3, l.word(3).toInt(), l.word(4) == "1",
                           l.word(5), l.word(6) == "1"});
    return out;
}

std::vector<LabelPaint> labelPaints(const std::vector<LogLine> &trace)
{
    std::vector<LabelPaint> out;
    for (const LogLine &l : trace)
        if (l.word(0) == "label")
            out.push_back({l.t, l.word(1).toInt(), l.word(2)});
    return out;
}

namespace {

Outcome judge(const Reply &reply, const Receive &event, const std::vector<LabelPaint> &paints)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // The label of the row drawn in shows the reading drawn; if that is not this reply's, another was.
    if (!event.drew || event.text != reply.value)
        return {reply.t, Fate::NotDrawn, nan};
    if (event.channel != reply.channel)
        return {reply.t, Fate::WrongRow, nan};
    if (!event.changed)
        return {reply.t, Fate::Shown, (event.t - reply.t) * 1e3};
    for (const LabelPaint &p : paints) {
        if (p.t < event.t || p.channel != event.channel)
            continue;
        if (p.text != reply.value)
            break;
        return {reply.t, Fate::Shown, (p.t - reply.t) * 1e3};
    }
    return {reply.t, Fate::NotDrawn, nan};
}

} // namespace

std::vector<Outcome> followReplies(const std::vector<Reply> &replies,
                                   const std::vector<Receive> &receives,
                                   const std::vector<LabelPaint> &paints)
{
    std::vector<Outcome> out;
    for (const Reply &r : replies)
        out.push_back({r.t, Fate::NotDrawn, std::numeric_limits<double>::quiet_NaN()});
    std::deque<std::size_t> pending;
    double lastEvent = -std::numeric_limits<double>::infinity();
    std::size_t next = 0;
    for (const Receive &event : receives) {
        for (; next < replies.size() && replies[next].asked <= event.t; ++next) {
            while (!pending.empty() && replies[pending.front()].t <= lastEvent)
                pending.pop_front();
            pending.push_back(next);
        }
        lastEvent = event.t;
        if (pending.empty())
            continue;
        out[pending.front()] = judge(replies[pending.front()], event, paints);
        pending.pop_front();
    }
    return out;
}

ReplyFigures replyFigures(const std::vector<Outcome> &outcomes, double from, double to)
{
    ReplyFigures f;
    std::vector<double> toLabel;
    for (const Outcome &o : outcomes) {
        if (o.t < from || o.t > to)
            continue;
        ++f.replies;
        f.wrongRow += o.fate == Fate::WrongRow;
        f.notDrawn += o.fate == Fate::NotDrawn;
        if (o.fate == Fate::Shown)
            toLabel.push_back(o.toLabelMs);
    }
    f.toLabelMsP99 = percentile(toLabel, 99);
    return f;
}
