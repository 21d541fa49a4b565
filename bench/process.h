#pragma once

#include <QProcess>
#include <QString>

#include <memory>
#include <vector>

// Processor seconds of every thread of a process, at nanosecond resolution.
double cpuSeconds(qint64 pid);
// A process's peak resident memory, in MiB; NaN when it cannot be read.
double peakRssMb(qint64 pid);
void stopProcess(QProcess &process);
void sleepSeconds(double seconds);
int onlineCores();

// One busy process per core while it lives: `program --burn` spins for ever.
class Burners {
public:
    explicit Burners(const QString &program);
    ~Burners();
    Burners(const Burners &) = delete;
    Burners &operator=(const Burners &) = delete;

private:
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
[[noreturn]] void burn();
