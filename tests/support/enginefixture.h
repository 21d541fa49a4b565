#pragma once

#include "tickclock.h"
#include "fakecommport.h"
#include "engine/scanengine.h"

#include <QList>
#include <QStringList>

#include <utility>

// The scan engine on its own over the pretend port, on a clock that moves with
// the ticks, with what it tells collected.
struct EngineFixture {
    EngineFixture()
    {
        engine.setClock(clock.reader());
        QObject::connect(&engine, &ScanEngine::reading, &engine,
                         [this](qint16 channel, int value) { readings.append({channel, value}); });
        QObject::connect(&engine, &ScanEngine::failed, &engine, [this](Failure kind, const QString &text) {
            kinds << kind;
            failures << text;
        });
    }

    QTimer *timer1() const { return engine.Timer1; }
    QTimer *timer2() const { return engine.Timer2; }
    int armedTimers() const { return int(timer1()->isActive()) + int(timer2()->isActive()); }
    void tick(QTimer *timer) { clock.tick(timer); }
    // The board answers the last measure command, as a run that goes on needs it to.
    void answer(int reading = 0x10) { port->feed(FakeCommPort::reply(reading)); }
    QString sent() const { return QString::fromLatin1(port->sent()); }
    // Run, then the ticks up to the measure command of channel 1.
    void runToSecondMeasure()
    {
        engine.start();
        tick(timer1());
        tick(timer2());
        tick(timer1());
    }
    // Stopped, the port closed and nothing armed.
    bool isIdle() const { return !engine.isRunning() && !port->isOpen() && armedTimers() == 0; }

    Startup state;
    std::bitset<kChannelCount> chosen = std::bitset<kChannelCount>().set(); // asked at every step
    FakeCommPort *port = new FakeCommPort;
    ScanEngine engine{state, port, nullptr, [this] { return chosen; }};
    TickClock clock;
    QList<std::pair<qint16, int>> readings; // channel and value, as told
    QStringList failures;
    QList<Failure> kinds; // of the failures, in order
};
