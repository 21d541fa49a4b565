#include "engine/scanengine.h"

#include "serial/commport.h"
#include "wire/commsettings.h"
#include "wire/protocol.h"
#include "timing/precisewake.h"

#include <QTimer>

#include <chrono>

ScanEngine::ScanEngine(Startup &state, CommPort *port, PreciseWake *wake, Chosen chosen, QObject *parent)
    : QObject(parent), state(state), Timer1(new QTimer(this)), Timer2(new QTimer(this)), OrvaneCom(port),
      m_wake(wake), m_chosen(std::move(chosen))
{
    OrvaneCom->setParent(this);
    OrvaneCom->setObjectName(QStringLiteral("OrvaneCom"));
    if (m_wake) {
        m_wake->setParent(this);
        // The wake runs the tick as it falls due; the timer stays armed beside
        // it, and whichever comes first runs the tick and stops the other.
        connect(m_wake, &PreciseWake::due, this, [this] {
            if (Timer1->isActive())
                tick1();
            else if (Timer2->isActive())
                tick2();
        });
    }
    for (QTimer *timer : {Timer1, Timer2}) {
        // The default coarse timers may be 5 % off; replies are credited by these gaps.
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(kFirstMeasureMs);
    }
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer2->setObjectName(QStringLiteral("Timer2"));
    m_clock = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };

    connect(Timer1, &QTimer::timeout, this, &ScanEngine::tick1);
    connect(Timer2, &QTimer::timeout, this, &ScanEngine::tick2);
    connect(OrvaneCom, &CommPort::received, this,
            [this] { dispatch("OrvaneCom", [this] { return OrvaneCom_OnComm(); }); });
    connect(OrvaneCom, &CommPort::failed, this, [this](Failure kind, const QString &text) {
        dispatch("failed", [this, kind, text] { fail(kind, text); return false; });
    });
}

ScanEngine::~ScanEngine()
{
    // The port closes with the engine, as the timers stop with it.
    OrvaneCom->disconnect(this);
    OrvaneCom->close();
}

void ScanEngine::tick1()
{
    dispatch("Timer1", [this] { Timer1_Timer(); return false; });
}

void ScanEngine::tick2()
{
    dispatch("Timer2", [this] { Timer2_Timer(); return false; });
}

bool ScanEngine::dispatch(const char *event, const std::function<bool()> &handler)
{
    // A failure ends the handler where it happened, and the run with it; it never reaches the event loop.
    const auto guarded = [this, &handler] {
        try {
            return handler();
        } catch (const CommError &e) {
            fail(e.kind(), e.text());
        }
        return false;
    };
    return m_gate ? m_gate(event, guarded) : guarded();
}

bool ScanEngine::start()
{
    state.ChanIdx = 0;
    try {
        // Run again during a run: the port and its settings cannot have changed, so keep it open.
        if (!OrvaneCom->isOpen()) {
            OrvaneCom->setPortNumber(qint16(state.PortIdx + 1));
            OrvaneCom->setSettings(QString::fromLatin1(wire::kLineSettings));
            OrvaneCom->open();
        }
        m_framer.reset();
        m_watch.start();
        OrvaneCom->setReceiveThreshold(wire::kReplyLength);
        sendCommand(*OrvaneCom, wire::shieldCommand(state.ShldMode));
        // The board keeps the channel the last run left selected, so the
        // first measure would read that one and show it as channel 0's.
        sendCommand(*OrvaneCom, wire::selectCommand(state.ChanIdx));
    } catch (const CommError &e) {
        fail(e.kind(), e.text());
        return false;
    }
    Timer2->stop();
    arm(Timer1);
    emit started();
    return true;
}

void ScanEngine::stop()
{
    const bool running = isRunning();
    halt();
    if (running)
        emit stopped();
}

void ScanEngine::halt()
{
    Timer1->stop();
    Timer2->stop();
    if (m_wake)
        m_wake->cancel();
    if (OrvaneCom->isOpen())
        OrvaneCom->close();
}

bool ScanEngine::isRunning() const
{
    return Timer1->isActive() || Timer2->isActive() || OrvaneCom->isOpen();
}

void ScanEngine::fail(Failure kind, const QString &text)
{
    halt();
    emit failed(kind, text);
}

void ScanEngine::arm(QTimer *timer)
{
    timer->start();
    if (m_wake)
        m_wake->arm(timer->interval());
}
