#pragma once

#include "record/options.h"
#include "model/passcount.h"
#include "model/startup.h"
#include "serial/failure.h"
#include "serial/systemport.h"
#include "wire/adapter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class AdapterWait;
class FollowedRun;
class PeriodicSync;
class Progress;
class RowFile;
class ScanEngine;

// The scan of the panel's Run, each reading of a chosen channel a row of CSV.
class Recorder : public QObject {
public:
    explicit Recorder(const RecordOptions &options, QObject *parent = nullptr);
    ~Recorder() override;

    // Opens the output, then the port, and starts the scan. False when either
    // failed; the message is out and status() tells the exit status.
    bool start();
    // Ends the recording, once: the scan stopped, the port closed, the output
    // synced and closed, `message` (if any) on standard error. Quits the event
    // loop with `status`.
    void finish(int status, const QString &message = {});
    int status() const { return m_status; }

private:
    enum class Phase { Recording, Away, Reopening };

    // A panel of this user holds the port: record its run instead.
    bool follow(FollowedRun *run);
    // The recording's time begins: its clock, and its end when it has one.
    void startClock();
    void onReading(qint16 channel, int value);
    // Writes the reading as a row when its channel is chosen, and ends after the sweeps asked for.
    void keep(qint16 channel, int value, const QDateTime &time, qint64 elapsedMs);
    void onFailed(Failure kind, const QString &text);
    void outputFailed(const QString &message);
    // The adapter is gone, or back with a board that does not answer: wait for it.
    void awaitAdapter(const QString &text, bool away);
    void reopen(const QString &device);

    RecordOptions m_options;
    Startup m_state;
    // Where the port opens once the adapter came back under another name.
    std::shared_ptr<QString> m_reopenAt = std::make_shared<QString>();
    PortSource m_ports;
    ScanEngine *m_engine;
    AdapterWait *m_wait = nullptr;
    FollowedRun *m_followed = nullptr;
    AdapterIdentity m_adapter;
    Phase m_phase = Phase::Recording;
    bool m_resumed = false; // back, and no reading since
    qint64 m_lostAtMs = 0;
    // Why the adapter, back, would not open, and since when; told once if it lasts.
    QString m_reopenFailure;
    qint64 m_failingSinceMs = -1; // -1: not failing
    bool m_failingTold = false;
    QTimer m_giveUp;
    std::unique_ptr<RowFile> m_file;
    std::unique_ptr<PeriodicSync> m_sync;
    Progress *m_progress = nullptr;
    QElapsedTimer m_clock;
    QTimer m_end;
    qint64 m_readings = 0;
    // The pass of the scan the last reading belongs to; 0 while a followed
    // run's pass the recording began in lasts.
    qint64 m_pass = 0;
    PassCount m_passes; // of this recorder's own scan
    int m_status = -1;
};
