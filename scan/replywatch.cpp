#include "scan/replywatch.h"

std::optional<ReplyWatch::Verdict> ReplyWatch::verdict(qint64 nowMs, qint64 unsent) const
{
    if (!overdue(nowMs))
        return std::nullopt;
    const Silence silence = unsent > 0 ? Silence::Stalled
                            : m_bytes == 0 ? Silence::NoReply
                                           : Silence::Unreadable;
    return Verdict{silence, m_measures, m_bytes};
}
