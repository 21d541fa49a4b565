#pragma once

#include "app/frmabout.h"
#include "panel/panel.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class CommPort;
class PreciseWake;
class QAction;
class QMenu;
class QMessageBox;

// The main window: builds the controls from the layout tables and hands each
// event to its handler. It decides nothing itself.
class Orvane : public QMainWindow {
    Q_OBJECT
public:
    using Reporter = std::function<void(Failure kind, const QString &text)>;

    // Takes the serial component (the system's own port when null), how failures
    // reach the user (a message box when empty) and what wakes the event loop
    // when a scan timer is due (Qt's timers alone when null).
    explicit Orvane(CommPort *port = nullptr, Reporter report = {}, PreciseWake *wake = nullptr);
    ~Orvane() override;

    Panel &panel() { return m_panel; }
    FrmAbout *aboutWindow() const { return m_about; }

private:
    void buildRows(QWidget *surface);
    void buildControls(QWidget *surface);
    void buildMenus();
    void wireEvents();
    void onClick(QAction *action, std::function<void()> handler);
    void showAbout();
    void showFailure(const QString &text);

    // Runs one handler; a failure ends it there and is reported, never thrown on.
    // Tells what the handler returned, if anything.
    template<class F>
    bool guarded(F &&handler);
    // Every event's way in: the handler, guarded, and traced when asked for.
    template<class F>
    void handle(const char *event, F &&handler);
    template<class Sender, class Signal, class F>
    void on(Sender *sender, Signal signal, F handler);

    Panel m_panel;
    QPointer<FrmAbout> m_about;
    QPointer<QMessageBox> m_failureBox;
    QAction *m_allOn = nullptr;
    QAction *m_allOff = nullptr;
    QAction *m_aboutItem = nullptr;
};
