#pragma once

#include <QByteArray>
#include <QFile>

#include <sys/resource.h>

// What this process has cost so far: processor seconds and resident memory.
inline double cpuSeconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec)
           + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

inline double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}
