#include "record/periodicsync.h"

#include "record/rowfile.h"

#include <QMetaObject>
#include <QObject>

#include <chrono>

PeriodicSync::PeriodicSync(const RowFile &file, QObject *context, std::function<void(int)> failed)
    : m_file(file), m_context(context), m_failed(std::move(failed)), m_thread([this] { loop(); })
{
}

PeriodicSync::~PeriodicSync()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void PeriodicSync::loop()
{
    auto due = std::chrono::steady_clock::now();
    std::unique_lock lock(m_mutex);
    for (;;) {
        due += std::chrono::seconds(1);
        if (m_wake.wait_until(lock, due, [this] { return m_stop; }))
            return;
        if (!m_dirty.exchange(false))
            continue;
        lock.unlock();
        const int error = m_file.sync();
        lock.lock();
        if (error != 0) {
            QMetaObject::invokeMethod(m_context, [failed = m_failed, error] { failed(error); },
                                      Qt::QueuedConnection);
            return;
        }
    }
}
