#include "bench/process.h"

#include <QThread>

#include <unistd.h>

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
