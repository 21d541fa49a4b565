#pragma once

#include <QObject>

#include <memory>

// Qt rounds timer waits up to a whole millisecond, and the kernel itself wakes
// a sleeping thread a little late, so a timer restarted at each tick drifts.
// A PreciseWake wakes the event loop when a scan timer falls due instead.
class PreciseWake : public QObject {
public:
    using QObject::QObject;
    // Wakes the event loop `ms` milliseconds from now.
    virtual void arm(int ms) = 0;
};

// The platform's precise wake, or null where Qt's own timers are as good as it gets.
std::unique_ptr<PreciseWake> makePreciseWake();
