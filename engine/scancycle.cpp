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

void ScanEngine::Timer1_Timer()
{
    // What is here already answers the last measure command, however late the
    // event loop comes to it on a busy machine.
    if (OrvaneCom->waiting() > 0) {
        dispatch("OrvaneCom", [this] { return OrvaneCom_OnComm(); });
        if (!OrvaneCom->isOpen())
            return;
    }
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
    sendCommand(*OrvaneCom, wire::measureCommand());
    // A reply still owed to an earlier command may be on its way; only a whole one is known to be far off.
    if (m_framer.held() == 0)
        OrvaneCom->awaitReply(wire::kReplyLength);
    m_watch.measureSent(now);
    Timer1->stop();
    Timer2->setInterval(kMeasureToSelectMs);
    arm(Timer2);
}

void ScanEngine::Timer2_Timer()
{
    state.ChanIdx = nextChannel(state.ChanIdx, m_chosen());
    sendCommand(*OrvaneCom, wire::selectCommand(state.ChanIdx));
    Timer1->setInterval(kSelectToMeasureMs);
    Timer2->stop();
    arm(Timer1);
}
