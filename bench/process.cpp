#include "bench/process.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <cmath>

#include <unistd.h>

double cpuSeconds(qint64 pid)
{
    double total = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return total;
}

double peakRssMb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nan("");
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return std::nan("");
}

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished();
}

void sleepSeconds(double seconds)
{
    QThread::usleep(static_cast<unsigned long>(seconds * 1e6));
}

int onlineCores()
{
    return int(sysconf(_SC_NPROCESSORS_ONLN));
}

Burners::Burners(const QString &program)
{
    for (int i = 0; i < onlineCores(); ++i) {
        m_processes.push_back(std::make_unique<QProcess>());
        m_processes.back()->start(program, {QStringLiteral("--burn")});
    }
}

Burners::~Burners()
{
    for (const auto &p : m_processes) {
        p->kill();
        p->waitForFinished();
    }
}

void burn()
{
    volatile unsigned long spin = 0;
    for (;;)
        spin = spin + 1;
}
