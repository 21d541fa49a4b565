#pragma once

#include <QObject>

#include <memory>

// Qt rounds timer waits up to a whole millisecond, and the kernel itself wakes
// a sleeping thread a little late, so a timer restarted at each tick drifts.
// A PreciseWake tells when a scan timer falls due instead, so that its owner
// runs the tick then rather than when Qt's own timer comes to it.
class PreciseWake : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Tells due() `ms` milliseconds from now; a new arm replaces the last.
    virtual void arm(int ms) = 0;
    // Nothing more is due until the next arm.
    virtual void cancel() = 0;

signals:
    void due();
};

// The platform's precise wake, or null where Qt's own timers are as good as it gets.
std::unique_ptr<PreciseWake> makePreciseWake();
