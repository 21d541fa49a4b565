#pragma once

#include "record/options.h"

#include <QDateTime>
#include <QObject>

#include <memory>

class RunFollower;
struct RunEnd;
struct RunReading;

// A panel's run as the recorder keeps it: each reading the panel draws, its
// pass counted from the one the recording began in, and the run's end as an
// exit status and what to say.
class FollowedRun : public QObject {
    Q_OBJECT
public:
    // The run a panel of this user is scanning on `device`, else, when
    // `unnamedPort` is not 0, on its port of that number; null, with nothing
    // said, when there is none to follow.
    static FollowedRun *find(const QString &device, int unnamedPort, QObject *parent);
    ~FollowedRun() override;

    // "recording the run of orvane (process 4242) on Com1 (/dev/ttyUSB0)"
    QString following() const;
    // Why `options` cannot be kept with this run; empty when they can.
    QString refusal(const RecordOptions &options) const;
    // Readings flow from now on.
    void begin();
    // Ends the recording with the readings taken until now, those still on their way included.
    void endNow();

signals:
    // `pass` is 0 for the pass under way when the recording began, 1 for the next.
    void reading(qint64 pass, qint16 channel, int value, const QDateTime &time, qint64 elapsedMs);
    void ended(ExitStatus status, const QString &message);

private:
    FollowedRun(std::unique_ptr<RunFollower> follower, QObject *parent);
    void onReading(const RunReading &r);
    void onEnded(const RunEnd &end);
    QString port() const;
    QString panelProcess() const; // "orvane (process 4242)"

    std::unique_ptr<RunFollower> m_follower;
    QDateTime m_last; // once ending: the last reading's time that is kept
};
