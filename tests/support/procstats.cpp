#include "procstats.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cmath>

namespace {
QString procPath(qint64 pid, const QString &entry)
{
    return pid == 0 ? QStringLiteral("/proc/self/") + entry : QStringLiteral("/proc/%1/%2").arg(pid).arg(entry);
}

// A "Name:   value kB" line of /proc/PID/status, in MiB.
double statusMb(qint64 pid, const char *name)
{
    QFile status(procPath(pid, QStringLiteral("status")));
    if (!status.open(QIODevice::ReadOnly))
        return std::nan("");
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return std::nan("");
}
} // namespace

double cpuSeconds(qint64 pid)
{
    double total = 0;
    const QDir tasks(procPath(pid, QStringLiteral("task")));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return total;
}

double residentMb(qint64 pid)
{
    return statusMb(pid, "VmRSS");
}

double peakRssMb(qint64 pid)
{
    return statusMb(pid, "VmHWM");
}
