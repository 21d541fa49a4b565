#include "engine/scanengine.h"

#include "serial/commport.h"
#include "wire/commsettings.h"
#include "wire/protocol.h"
#include "model/nextchannel.h"

#include <QTimer>

namespace {
QString silenceText(const ReplyWatch::Verdict &v)
{
    if (v.silence == ReplyWatch::Silence::NoReply)
        return QStringLiteral("the board does not answer: no reply to the last %1 measure commands "
                              "(check that it is powered and wired to the adapter)")
            .arg(v.measures);
    const SettingsParse line = parseCommSettings(QString::fromLatin1(wire::kLineSettings));
    return QStringLiteral("the board's replies cannot be read: %1 bytes in reply to the last %2 "
                          "measure commands, none a reading (check that the board runs at %3 baud)")
        .arg(v.bytes)
        .arg(v.measures)
        .arg(line.settings->baud);
}
} // namespace

// What is here already answers the last measure command, however late the
// event loop comes to it on a busy machine. False when that ended the run.
bool ScanEngine::takeWaiting()
{
    if (OrvaneCom->waiting() > 0)
        dispatch("OrvaneCom", [this] { return OrvaneCom_OnComm(); });
    return OrvaneCom->isOpen();
}

void ScanEngine::Timer1_Timer()
{
    if (m_replyOwed && !takeWaiting())
        return;
    const qint64 now = m_clock();
    if (const auto verdict = m_watch.verdict(now, [this] { return OrvaneCom->unsent(); })) {
        if (verdict->silence == ReplyWatch::Silence::Stalled)
            OrvaneCom->failNotTaking();
        const Failure kind =
            verdict->silence == ReplyWatch::Silence::NoReply ? Failure::BoardSilent : Failure::BoardUnreadable;
        fail(kind, OrvaneCom->withFallback(QStringLiteral("%1: %2").arg(OrvaneCom->portLabel(), silenceText(*verdict))));
        return;
    }
    state.MeasIdx = state.ChanIdx;
    const wire::Command measure = wire::measureCommand();
    sendCommand(*OrvaneCom, measure);
    // A reply still owed to an earlier command may be on its way; only a whole one is known to be far off.
    if (m_framer.held() == 0)
        OrvaneCom->awaitReply(wire::length(measure), wire::kReplyLength);
    m_watch.measureSent(now);
    m_replyOwed = true;
    Timer1->stop();
    Timer2->setInterval(kMeasureToSelectMs);
    arm(Timer2);
}

void ScanEngine::Timer2_Timer()
{
    // Come before the line was watched again, the reply is read first: the
    // next command could be answered by a hang-up that takes it along.
    if (OrvaneCom->listenNow() && !takeWaiting())
        return;
    state.ChanIdx = nextChannel(state.ChanIdx, m_chosen());
    sendCommand(*OrvaneCom, wire::selectCommand(state.ChanIdx));
    Timer1->setInterval(kSelectToMeasureMs);
    Timer2->stop();
    arm(Timer1);
}
