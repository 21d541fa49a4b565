#pragma once

#include "bench/eventlog.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The board simulator as a child process, with its event log read back.
class SimProcess {
public:
    struct Event {
        double t;
        QString what; // "rx x", "tx 3 7F", "closed", ...
    };

    explicit SimProcess(QStringList args)
    {
        m_process.start(QStringLiteral(BOARDSIM_PATH), args << QStringLiteral("--log") << logPath());
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning
               && timer.elapsed() < 5000)
            m_process.waitForReadyRead(50);
        m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~SimProcess()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    QString device() const { return m_device; }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    QString logPath() const { return m_dir.filePath(QStringLiteral("sim.log")); }

    QList<Event> events() const
    {
        QList<Event> out;
        for (const LogLine &line : readEventLog(logPath()))
            out.append({line.t, QString::fromLatin1(line.words.join(' '))});
        return out;
    }
    QList<Event> received() const
    {
        QList<Event> out;
        for (const Event &e : events())
            if (e.what.startsWith(QLatin1String("rx ")))
                out.append({e.t, e.what.mid(3)});
        return out;
    }
    int count(const QString &prefix) const
    {
        int n = 0;
        for (const Event &e : events())
            n += e.what.startsWith(prefix);
        return n;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_device;
};
