#pragma once

#include <QObject>

class QSocketNotifier;

// Qt rounds timer waits up to a whole millisecond, and the kernel itself wakes
// a sleeping thread a little late, so a timer restarted at each tick drifts.
// This wakes the event loop when a scan timer falls due instead: it asks the
// kernel early by the lateness it has seen, and waits out the last few
// microseconds itself. Linux only; elsewhere timers keep Qt's own precision.
class PreciseWake : public QObject {
public:
    explicit PreciseWake(QObject *parent = nullptr);
    ~PreciseWake() override;

    // Wakes the event loop `ms` milliseconds from now.
    void arm(int ms);

private:
    void woken();
    void request(qint64 atNs);

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    qint64 m_dueNs = 0;
    qint64 m_requestedNs = 0;
    qint64 m_leadNs = 0;
};
