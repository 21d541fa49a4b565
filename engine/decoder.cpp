#include "engine/scanengine.h"

#include "serial/commport.h"
#include "wire/protocol.h"

#include <algorithm>

bool ScanEngine::OrvaneCom_OnComm()
{
    const qint16 channel = state.MeasIdx;
    emit receiving(channel);
    if (OrvaneCom->waiting() == 0)
        return false;
    const QByteArray bytes = OrvaneCom->takeAll();
    m_watch.bytesTaken(bytes.size());
    const QList<wire::Reply> replies = m_framer.take(bytes);
    // Wake again once the characters held and those waiting can make a reply.
    OrvaneCom->setReceiveThreshold(wire::kReplyLength - m_framer.held());
    if (replies.isEmpty())
        return false;
    m_replyOwed = false;
    if (std::any_of(replies.begin(), replies.end(), [](const wire::Reply &r) { return r.wellFormed; }))
        m_watch.readingTaken();
    // Replies come one a step; older ones in the same take answered earlier
    // commands, and crediting them to this channel would chart a wrong value.
    emit reading(channel, replies.last().reading);
    return true;
}
