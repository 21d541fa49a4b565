#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <vector>

// The programs the benchmark runs, and the folder for their logs.
struct Bench {
    QString panel, sim, bareWindow, reference, recorder, floor, self, dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    QString file(const QString &name) const { return dir + QLatin1Char('/') + name; }
};

// Starts a GUI program traced to `trace`; the ms to its first paint, NaN if it never came.
double timeStartup(const QString &program, QProcessEnvironment env, const QString &trace,
                   QProcess &process);

// A stretch of a run on the monotonic clock, the program's processor share in
// it, and the floor's beside it over the same stretch.
struct Window {
    double from = 0, to = 0, cpuPct = 0, floorPct = 0;
};
// Waits `seconds` and measures process `pid` meanwhile, and `floor` (0: none).
Window measureProcess(qint64 pid, double seconds, qint64 floor = 0);

// Starts the simulator on `link`, logging to `log`; false when it did not come up.
bool startSimulator(QProcess &sim, const Bench &bench, const QString &link, const QString &log,
                    const QStringList &simArgs);

// The floor program on a simulated board of its own with the given options,
// scanning beside a measured program so that both share the machine's moods.
class Floor {
public:
    Floor(const Bench &bench, const QString &name, const QStringList &simArgs);
    ~Floor();
    qint64 pid() const { return m_floor.processId(); }

private:
    QProcess m_sim, m_floor;
};

// The panel on a simulated board that logs, from start to finish; traced for
// its timing, or without the trace's probes for its processor time alone.
class Session {
public:
    enum class Probes { Traced, Off };
    Session(const Bench &bench, const QString &name, const QStringList &simArgs, Probes probes = Probes::Traced);
    ~Session();

    // False when the simulator refused its options or the panel never showed.
    bool isReady() const { return m_ready; }
    double startupMs() const { return m_startupMs; }
    QString simLog() const { return m_simLog; }
    QString trace() const { return m_trace; }
    QString link() const { return m_link; }

    // Waits `seconds` and measures meanwhile, with the floor beside it.
    Window measure(double seconds);
    // Run, or Stop once the focus has moved on to it.
    void pressRunOrStop();
    // Ends the run, stops both programs and gives the panel's peak memory in MiB.
    double finish();

private:
    Floor m_floor;
    QProcess m_sim, m_panel;
    QString m_simLog, m_trace, m_link, m_window;
    double m_startupMs = 0;
    bool m_ready = false;
};
