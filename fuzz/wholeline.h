#pragma once

#include "wire/protocol.h"

#include <QByteArrayView>
#include <QList>

// The replies in a line as a reader of the whole line at once finds them: a
// '>' closes one when the seven characters before it belong to no earlier one.
inline QList<QByteArrayView> repliesInLine(QByteArrayView line)
{
    QList<QByteArrayView> replies;
    qsizetype free = 0; // the first character no reply has taken
    for (qsizetype end = wire::kReplyLength - 1; end < line.size(); ++end) {
        if (line[end] == '>' && end - (wire::kReplyLength - 1) >= free) {
            replies.append(line.sliced(end - (wire::kReplyLength - 1), wire::kReplyLength));
            free = end + 1;
        }
    }
    return replies;
}
