#pragma once

#include "follow/runlines.h"
#include "model/passcount.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class ScanEngine;

// Offers the run of `engine` to the recorders of the same user: while its port
// is open it listens on a private local socket named for the device, and sends
// each follower every reading the panel draws, then how the run ended. Nothing
// a follower does holds the scan up: writes never wait, a follower that falls
// kBacklog readings behind is dropped, and one that writes anything is cut off.
class RunOffer : public QObject {
public:
    static constexpr int kBacklog = 1000;     // readings a follower may leave unread
    static constexpr int kMaxFollowers = 16;
    static constexpr int kLastReadMs = 30'000; // a follower's time to read its last lines

    // Who may follow, by user id; this user alone unless told.
    using Admits = std::function<bool(qint64 uid)>;

    explicit RunOffer(ScanEngine *engine, Admits admits = {});
    ~RunOffer() override;

    // Where the run is offered now; empty while there is none.
    QString path() const { return m_path; }
    int followers() const { return int(m_followers.size()); }

private:
    struct Follower;

    void offer();
    void end(const RunEnd &how);
    void stopListening();
    void onReading(qint16 channel, int value);
    void acceptWaiting();
    void flush(Follower &f);
    void flushAll();
    void drop(Follower &f);
    void closeEnded();

    ScanEngine *m_engine;
    Admits m_admits;
    quint64 m_inode = 0;
    QString m_path;
    QString m_folder;
    QString m_socketName;
    int m_port = 0;
    std::unique_ptr<QSocketNotifier> m_listening; // on the listening socket, while the run is offered
    std::vector<std::unique_ptr<Follower>> m_followers;
    QElapsedTimer m_run;   // since the run began, for the readings
    QElapsedTimer m_alive; // since the offer was made: the followers' last times, across runs
    QTimer m_reaper;
    QTimer m_sendSoon;
    PassCount m_passes;
    bool m_toldUnoffered = false;
};
