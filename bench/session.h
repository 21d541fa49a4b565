#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <vector>

// The programs the benchmark runs, and the folder for their logs.
struct Bench {
    QString panel, sim, bareWindow, reference, recorder, self, dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    QString file(const QString &name) const { return dir + QLatin1Char('/') + name; }
};

// Starts a GUI program traced to `trace`; the ms to its first paint, NaN if it never came.
double timeStartup(const QString &program, QProcessEnvironment env, const QString &trace,
                   QProcess &process);

// A stretch of a run on the monotonic clock, and the program's processor share in it.
struct Window {
    double from = 0, to = 0, cpuPct = 0;
};
// Waits `seconds` and measures process `pid` meanwhile.
Window measureProcess(qint64 pid, double seconds);

// Starts the simulator on `link`, logging to `log`; false when it did not come up.
bool startSimulator(QProcess &sim, const Bench &bench, const QString &link, const QString &log,
                    const QStringList &simArgs);

// The panel, traced, on a simulated board that logs, from start to finish.
class Session {
public:
    Session(const Bench &bench, const QString &name, const QStringList &simArgs);
    ~Session();

    // False when the simulator refused its options or the panel never showed.
    bool isReady() const { return m_ready; }
    double startupMs() const { return m_startupMs; }
    QString simLog() const { return m_simLog; }
    QString trace() const { return m_trace; }

    // Waits `seconds` and measures meanwhile.
    Window measure(double seconds);
    // Run, or Stop once the focus has moved on to it.
    void pressRunOrStop();
    // Ends the run, stops both programs and gives the panel's peak memory in MiB.
    double finish();

private:
    QProcess m_sim, m_panel;
    QString m_simLog, m_trace, m_window;
    double m_startupMs = 0;
    bool m_ready = false;
};
