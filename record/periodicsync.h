#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QObject;
class RowFile;

// Puts what was written to the file on the disk once a second, in a thread of
// its own, so that a slow disk never holds up the scan's timers.
class PeriodicSync {
public:
    // `failed` runs in `context`'s thread with the errno of the first sync that failed.
    PeriodicSync(const RowFile &file, QObject *context, std::function<void(int)> failed);
    ~PeriodicSync();
    PeriodicSync(const PeriodicSync &) = delete;
    PeriodicSync &operator=(const PeriodicSync &) = delete;

    void written() { m_dirty = true; }

private:
    void loop();

    const RowFile &m_file;
    QObject *m_context;
    std::function<void(int)> m_failed;
    std::atomic<bool> m_dirty = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};
