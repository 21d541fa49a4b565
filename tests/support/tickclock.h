#pragma once

#include <QTimer>

#include <functional>

// The scan engine's clock in a test: time passes as the ticks come, however
// fast the test delivers them.
struct TickClock {
    qint64 now = 0; // ms

    std::function<qint64()> reader()
    {
        return [this] { return now; };
    }
    // A timer's tick, delivered through its wiring as the event loop would.
    void tick(QTimer *timer)
    {
        now += timer->interval();
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    }
};
