#pragma once

#include "wire/framing.h"
#include "model/channeltable.h"
#include "model/replywatch.h"
#include "model/startup.h"
#include "serial/failure.h"

#include <QObject>

#include <bitset>
#include <functional>

class CommPort;
class PreciseWake;
class QTimer;

// The scan as the board sees it, for every front-end: the run (open the port,
// send the shield-driver command, stop), the timed cycle of measure and select
// commands, the decoding of replies and the failure rule. It needs Qt Core and
// the serial port only; what it learns goes out through its signals.
class ScanEngine : public QObject {
    Q_OBJECT
public:
    using Chosen = std::function<std::bitset<kChannelCount>()>;
    // Runs one event's handler and returns its result; a front-end may wrap it.
    using Gate = std::function<bool(const char *event, const std::function<bool()> &handler)>;
    // Milliseconds on a steady clock, by which a quiet board is timed.
    using Clock = std::function<qint64()>;

    static constexpr int kFirstMeasureMs = 1000; // Timer1's interval until the first select
    static constexpr int kMeasureToSelectMs = 20;
    static constexpr int kSelectToMeasureMs = 80;

    // `state` holds ChanIdx, MeasIdx, PortIdx and ShldMode; `chosen` tells,
    // whenever asked, which channels take part. Takes `port` and `wake` (optional).
    ScanEngine(Startup &state, CommPort *port, PreciseWake *wake, Chosen chosen,
               QObject *parent = nullptr);
    ~ScanEngine() override;

    void setGate(Gate gate) { m_gate = std::move(gate); }
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // Opens port PortIdx + 1 (unless it is open already), sends the shield-driver
    // command and arms Timer1. False when it failed; the failure went out through failed().
    bool start();
    // Timers off, port closed if open. Sends nothing. Tells stopped() when a run was going.
    void stop();
    bool isRunning() const;
    // The channels that take part now.
    std::bitset<kChannelCount> chosen() const { return m_chosen(); }

    // The event handlers, as the timers and the port call them.
    void Timer1_Timer(); // measure
    void Timer2_Timer(); // advance and select
    bool OrvaneCom_OnComm(); // true when a reading came out of it

    Startup &state;
    QTimer *const Timer1;
    QTimer *const Timer2;
    CommPort *const OrvaneCom;

signals:
    // A run has begun: the shield-driver command went out. Again when Run is pressed during a run.
    void started();
    // A run has ended as asked, by stop(); a failure tells failed() instead.
    void stopped();
    // A receive event begins for the channel being read.
    void receiving(qint16 channel);
    // A reply, as received (not inverted), for the channel its measure command read.
    void reading(qint16 channel, int value);
    // The run has ended on a failure, already stopped; the text says what and where.
    void failed(Failure kind, const QString &text);

private:
    void arm(QTimer *timer);
    bool takeWaiting();
    void tick1();
    void tick2();
    void halt();
    void fail(Failure kind, const QString &text);
    bool dispatch(const char *event, const std::function<bool()> &handler);

    PreciseWake *m_wake;
    Chosen m_chosen;
    Gate m_gate;
    wire::ReplyFramer m_framer;
    ReplyWatch m_watch;
    bool m_replyOwed = false; // to the last measure command
    Clock m_clock;
};
