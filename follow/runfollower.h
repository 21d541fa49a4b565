#pragma once

#include "follow/runlines.h"

#include <QObject>

#include <memory>

class QSocketNotifier;

// A recorder's side of a panel's offered run: the readings as the panel draws
// them, and how the run ended. The socket is read whenever the event loop finds
// something on it; nothing is ever written to it.
class RunFollower : public QObject {
    Q_OBJECT
public:
    static constexpr int kHelloMs = 2000; // a panel answers at once, unless it is stuck
    static constexpr int kLongestLine = 4096;

    struct Panel {
        qint64 pid = 0;
        QString program; // as the system names the process
        RunHello hello;
    };

    // The run a panel of this user offers on `device`, found in the private
    // folders; null when none does (no panel, another user's, or one that ended).
    static std::unique_ptr<RunFollower> follow(const QString &device);
    // The same for the panel's port N, whatever device that opened.
    static std::unique_ptr<RunFollower> followPort(int port);
    // The same at `path`, a socket's path.
    static std::unique_ptr<RunFollower> followAt(const QString &path);
    ~RunFollower() override;

    const Panel &panel() const { return m_panel; }
    // Hands on what came with the first line, then reads as more arrives.
    void begin();

signals:
    void reading(const RunReading &reading);
    // Once; the connection is closed by then. A run that went without its last
    // line is told as the panel having exited.
    void ended(const RunEnd &end);

private:
    static std::unique_ptr<RunFollower> followNamed(const QString &name);
    RunFollower(int fd, Panel panel, QByteArray rest);
    void readWaiting();
    void handLines();
    void finish(const RunEnd &end);

    int m_fd;
    Panel m_panel;
    QByteArray m_buffer;
    QSocketNotifier *m_notifier = nullptr;
    bool m_ended = false;
};
