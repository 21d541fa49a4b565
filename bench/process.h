#pragma once

#include "procstats.h"

#include <QProcess>
#include <QString>

#include <memory>
#include <vector>

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
