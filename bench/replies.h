#pragma once

#include "eventlog.h"

#include <QByteArray>

#include <vector>

// A reply the simulator wrote ("tx CH HH"), its value as a label shows it, and
// when the measure command it answers reached the simulator ("rx x").
struct Reply {
    double t;
    double asked;
    int channel;
    QByteArray value;
};
// A receive event of the panel ("handled OrvaneCom NS CH CHANGED TEXT RESULT"):
// the row it drew in, that row's label text, and whether a reading was drawn.
struct Receive {
    double t;
    double handlerUs;
    int channel;
    bool changed;
    QByteArray text;
    bool drew;
};
struct LabelPaint {
    double t;
    int channel;
    QByteArray text;
};

std::vector<Reply> repliesSent(const std::vector<LogLine> &simLog);
std::vector<Receive> receiveEvents(const std::vector<LogLine> &trace);
std::vector<LabelPaint> labelPaints(const std::vector<LogLine> &trace);

enum class Fate { Shown, WrongRow, NotDrawn };
struct Outcome {
    double t;            // when the reply was written
    Fate fate;
    double toLabelMs;    // for a reply shown: until its row's label showed it
};

// Follows every reply, in order, to the receive event that took it: the first
// one not yet paired after its command was asked (the simulator logs a reply
// once its write has returned, often after the panel has handled it). A reply
// still unpaired when the next is asked, though an event came after it was
// written, went in that event's burst behind the one drawn. The event's row
// says whether it was the reply's own.
std::vector<Outcome> followReplies(const std::vector<Reply> &replies,
                                   const std::vector<Receive> &receives,
                                   const std::vector<LabelPaint> &paints);

struct ReplyFigures {
    int replies = 0;
    int wrongRow = 0;
    int notDrawn = 0;
    double toLabelMsP99 = 0;
};
// Over the replies written within [from, to].
ReplyFigures replyFigures(const std::vector<Outcome> &outcomes, double from, double to);
