#pragma once

#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

// Weston, headless and drawing in memory, in a runtime folder of its own; what
// it shows is read back through its debug streams and its screenshooter.
class WestonProcess {
public:
    // A surface as the compositor's scene graph lists it, topmost first.
    struct View {
        QString role;  // "xdg_toplevel"
        QString title;
        QString appId;
        QRect rect;    // on the output, frame included
    };

    // Why weston cannot run here, or empty when it can.
    static QString missing();

    WestonProcess();
    ~WestonProcess();
    WestonProcess(const WestonProcess &) = delete;
    WestonProcess &operator=(const WestonProcess &) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // For a client: its socket and runtime folder, with X11 and any platform choice taken away.
    QProcessEnvironment clientEnvironment() const;
    QList<View> windows();
    // Every request and event between the compositor and its clients so far.
    QString protocolLog() const;
    // Saves what the output shows as a PNG; false when the screenshooter failed.
    bool screenshot(const QString &path);
    void kill();

private:
    QString runDebugClient(const QString &program, const QStringList &args, const QString &dir);

    QTemporaryDir m_runtime;
    QString m_socket;
    QProcess m_process;
};
