#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>

// The board simulator as a child process, with its event log read back.
class SimProcess {
public:
    struct Event {
        double t;
        QString what; // "rx x", "tx 3 7F", "closed", ...
    };

    // The program to run: the one built beside the tests, unless pointed elsewhere.
    static QString &program();
    // A fixed reading for every channel, each its own (10 * channel + 5), so
    // each reading shows whose reply it was: the value, and the options.
    static int fixedValue(int channel) { return 10 * channel + 5; }
    static QStringList fixedValues();
    // A path in `dir` for the board's link, named apart from every other test's:
    // a link's lock file goes by its last name alone.
    static QString linkIn(const QTemporaryDir &dir, const QString &stem = QStringLiteral("board"));

    // The log goes to `log` ("-": the simulator's standard output), else to a temporary file.
    explicit SimProcess(QStringList args, const QString &log = {});
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    QString device() const { return m_device; }
    // The lock file a program keeps while it holds this line: the folder every
    // serial program shares, named after the device below /dev.
    QString lockFile() const { return QStringLiteral("/run/lock/LCK..") + m_device.mid(5).replace(u'/', u'_'); }
    QProcess &process() { return m_process; }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    QString logPath() const { return m_logPath; }

    QStringList log();               // the log's lines as written
    QList<Event> events();
    QStringList texts();             // each event without its time, in order
    QList<Event> received();         // "rx" events, the command alone
    int count(const QString &prefix);
    QList<double> timesOf(const QString &event);
    bool waitForEvent(const QString &event, int count = 1);

    // Sends the signal and waits: the exit code, or -1 when it did not end normally.
    int stop(int signal = SIGTERM);
    long cpuMs();
    double residentMb();

private:
    QTemporaryDir m_dir;
    QString m_logPath;
    QProcess m_process;
    QString m_device;
    QByteArray m_stdoutLog;
};
