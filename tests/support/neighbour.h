#pragma once

#include <QByteArray>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A program that shares serial ports with the panel, run on a terminal of its
// own as a user runs it, so that its own words tell whether it got the port.
class Neighbour {
public:
    enum class Kind {
        Minicom,  // a UUCP lock file, no flock
        Picocom,  // flock, no lock file
        Python,   // pyserial with exclusive=True: flock
        Orvane,   // the panel's serial component in another process
    };
    enum class Verdict { Waiting, Holds, Refused, Ended };

    // `holder`: for Kind::Orvane, a program that holds the device given after
    // "--hold", prints "held" once it does, and lets go when a line is typed.
    Neighbour(Kind kind, const QString &device, const QString &holder = {});
    ~Neighbour();
    Neighbour(const Neighbour &) = delete;
    Neighbour &operator=(const Neighbour &) = delete;

    // Its process's name, as /proc and the panel's messages give it.
    QString program() const;
    qint64 pid() const { return m_process.processId(); }
    // What it wrote on its terminal so far, escape sequences and all.
    QByteArray screen();
    Verdict verdict();
    // Waits, turning the event loop, until it holds the device or has stopped trying.
    Verdict waitForVerdict(int ms = 5000);
    // Ends it as its user would (minicom: Ctrl-A x Enter; picocom: Ctrl-A Ctrl-X;
    // Orvane: a line; python: SIGTERM); true when it ended within the time.
    bool quit(int ms = 5000);
    void kill();

    // Whether process `pid` has the device open.
    static bool hasOpen(qint64 pid, const QString &device);

private:
    void drain();
    bool saysItHolds() const;
    bool saysItRefused() const;

    Kind m_kind;
    QString m_device; // as the program was given it
    QString m_realDevice;
    QTemporaryDir m_home;
    QProcess m_process;
    int m_master = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_screen;
};
