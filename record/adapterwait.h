#pragma once

#include "wire/adapter.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>

// Waits for an adapter to come back at no cost meanwhile: the folders where
// its device appears are watched, with a slow look now and then behind them;
// for a while after each change there, while the system names the device and
// gives it its owner, it looks more often.
class AdapterWait : public QObject {
public:
    using Ports = std::function<QList<SerialPortEntry>()>;
    using Back = std::function<void(const QString &device)>;

    AdapterWait(Ports ports, Back back, QObject *parent = nullptr);

    // The adapter opened by `device`, as it is listed now.
    AdapterIdentity identify(const QString &device) const;

    // `away`: the adapter must be seen gone before it counts as back.
    void start(const AdapterIdentity &id, bool away);
    void stop();
    // It was there but would not open: wait on, looking again soon.
    void again();

private:
    void look();
    void changed();

    Ports m_ports;
    Back m_back;
    AdapterIdentity m_id;
    bool m_seenAway = false;
    QFileSystemWatcher m_watcher;
    QTimer m_slow;
    QTimer m_quick;
    int m_quickLeft = 0;
};
