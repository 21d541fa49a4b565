#include "wire/framing.h"

#include "wire/protocol.h"

namespace wire {

QList<Reply> ReplyFramer::take(QByteArrayView bytes)
{
    QByteArray line = m_held + bytes.toByteArray();
    QList<Reply> replies;
    qsizetype start = 0;
    for (qsizetype end = kReplyLength - 1; end < line.size(); ++end) {
        if (line[end] != '>' || end - start < kReplyLength - 1)
            continue;
        const QByteArrayView reply = QByteArrayView(line).sliced(end - (kReplyLength - 1), kReplyLength);
        replies.append({decodeReading(reply), hasTwoHexDigits(reply)});
        start = end + 1;
    }
    // Only the last characters can still begin a reply.
    start = qMax(start, line.size() - (kReplyLength - 1));
    m_held = line.sliced(start);
    return replies;
}

} // namespace wire
