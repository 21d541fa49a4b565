#include "record/adapterwait.h"

#include <QFileInfo>

namespace {
constexpr int kSlowMs = 2000;
constexpr int kQuickMs = 100;
constexpr int kQuickLooks = 30; // after a change, for three seconds
} // namespace

AdapterWait::AdapterWait(Ports ports, Back back, QObject *parent)
    : QObject(parent), m_ports(std::move(ports)), m_back(std::move(back))
{
    m_slow.setInterval(kSlowMs);
    m_quick.setInterval(kQuickMs);
    connect(&m_slow, &QTimer::timeout, this, &AdapterWait::look);
    connect(&m_quick, &QTimer::timeout, this, [this] {
        if (--m_quickLeft <= 0)
            m_quick.stop();
        look();
    });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &AdapterWait::changed);
}

AdapterIdentity AdapterWait::identify(const QString &device) const
{
    return identifyAdapter(device, QFileInfo(device).canonicalFilePath(), m_ports());
}

void AdapterWait::start(const AdapterIdentity &id, bool away)
{
    m_id = id;
    m_seenAway = !away;
    QStringList folders{QStringLiteral("/dev")};
    for (const QString &path : {id.path, id.stableName}) {
        if (!path.isEmpty())
            folders << QFileInfo(path).absolutePath();
    }
    folders.removeDuplicates();
    for (const QString &folder : folders) {
        if (QFileInfo(folder).isDir())
            m_watcher.addPath(folder);
    }
    m_slow.start();
    changed();
}

void AdapterWait::stop()
{
    m_slow.stop();
    m_quick.stop();
    if (const QStringList watched = m_watcher.directories(); !watched.isEmpty())
        m_watcher.removePaths(watched);
}

void AdapterWait::again()
{
    start(m_id, false);
}

void AdapterWait::changed()
{
    m_quickLeft = kQuickLooks;
    m_quick.start();
}

void AdapterWait::look()
{
    const QString device = findAdapter(m_id, m_id.listed() ? m_ports() : QList<SerialPortEntry>(),
                                       [](const QString &path) { return QFileInfo::exists(path); });
    if (device.isEmpty()) {
        m_seenAway = true;
        return;
    }
    if (!m_seenAway)
        return;
    stop();
    m_back(device);
}
