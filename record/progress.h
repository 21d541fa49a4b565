#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// One status line on a terminal, rewritten at most four times a second:
// elapsed time, readings written, readings a second (or that the adapter is
// awaited), where they go.
class Progress : public QObject {
public:
    struct Count {
        qint64 elapsedMs = 0;
        qint64 readings = 0;
        bool away = false; // waiting for the adapter to come back
    };
    // Shows nothing unless `shown`. `count` is asked at each refresh.
    Progress(bool shown, const QString &target, std::function<Count()> count, QObject *parent = nullptr);
    // The last figures, and the line left for what the shell writes next.
    void end();
    // A message on a line of its own; the status line comes back under it.
    void say(const QString &message);

private:
    void refresh();

    QString m_target;
    std::function<Count()> m_count;
    QTimer m_timer;
    bool m_shown;
};
