#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What the session offers and which of Qt's window-system plugins are installed.
struct DisplayOffer {
    bool waylandSession = false; // WAYLAND_DISPLAY is set
    bool xSession = false;       // DISPLAY is set
    bool waylandPlugin = false;
    bool xcbPlugin = false;
    // X11 first where both are there: before 6.8, Qt's own frame for Wayland
    // windows (drawn where the compositor draws none, as on GNOME) offers
    // maximise and minimise on every window, fixed in size or not.
    bool preferX11 = false;
};

// The plugins to try, in order ("xcb;wayland"), or why no window can be opened.
struct DisplayChoice {
    QByteArray platforms;
    QString problem;
};

DisplayChoice chooseDisplay(const DisplayOffer &offer);

// Before the application exists. A platform the user named (QT_QPA_PLATFORM,
// -platform) is left alone; else the order to try is set from what the session
// offers and is installed, so Qt never reaches for a missing plugin. False,
// after one line on stderr, when there is no display to open the window on.
bool prepareDisplay(int argc, char *argv[]);

// Started without XDG_RUNTIME_DIR (cron, systemd, su -), Qt warns on standard
// error while the application is made, as it looks there for a Wayland socket.
// While one lives, the variable names the private folder Qt would fall back
// to; it is as it was again after, so that nothing else of the program's changes.
class StartRuntimeFolder {
public:
    StartRuntimeFolder();
    ~StartRuntimeFolder();
    StartRuntimeFolder(const StartRuntimeFolder &) = delete;
    StartRuntimeFolder &operator=(const StartRuntimeFolder &) = delete;

private:
    bool m_named = false;
    std::optional<QByteArray> m_before; // none: it was not set
};

// While one lives, Qt failing to open any display ends the program with one
// line and status 1, not an abort.
class NoDisplayExit {
public:
    NoDisplayExit();
    ~NoDisplayExit();
    NoDisplayExit(const NoDisplayExit &) = delete;
    NoDisplayExit &operator=(const NoDisplayExit &) = delete;
};
