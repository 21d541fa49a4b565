#include "model/replywatch.h"

std::optional<ReplyWatch::Verdict> ReplyWatch::verdict(qint64 nowMs, const std::function<qint64()> &unsent) const
{
    if (m_measures < kMeasures || nowMs - m_sinceMs < kWindowMs)
        return std::nullopt;
    const Silence silence = unsent() > 0 ? Silence::Stalled
                            : m_bytes == 0 ? Silence::NoReply
                                           : Silence::Unreadable;
    return Verdict{silence, m_measures, m_bytes};
}
