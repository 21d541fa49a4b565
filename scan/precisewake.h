#pragma once

#include <QObject>

class QSocketNotifier;

// Qt rounds every timer wait up to a whole millisecond, so a timer restarted at
// each tick drifts by half a millisecond a tick. This wakes the event loop at
// the exact due time instead, and the QTimer then fires on time. Linux only;
// elsewhere timers keep Qt's own precision.
class PreciseWake : public QObject {
public:
    explicit PreciseWake(QObject *parent = nullptr);
    ~PreciseWake() override;

    // Wakes the event loop `ms` milliseconds from now.
    void arm(int ms);

private:
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
