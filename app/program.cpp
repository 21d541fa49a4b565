#include "app/program.h"

#include "app/display.h"
#include "app/orvane.h"
#include "app/sessionend.h"
#include "app/trace.h"
#include "charset/charset.h"
#include "follow/runoffer.h"
#include "serial/commport.h"
#include "timing/precisewake.h"
#include "scheduling/scheduling.h"

#include <QApplication>
#include <QPointer>

#include <cstdlib>
#include <memory>

namespace {
// The window whose port must be closed even when the program ends without
// unwinding: Qt calls exit() when the X server goes away.
Orvane *g_liveWindow = nullptr;

void closePortAtExit()
{
    if (!g_liveWindow)
        return;
    CommPort *port = g_liveWindow->panel().OrvaneCom;
    port->disconnect(g_liveWindow);
    port->close();
}

void watchForExit(Orvane *window)
{
    static const bool registered = std::atexit(closePortAtExit) == 0;
    if (!registered)
        return;
    g_liveWindow = window;
    QObject::connect(window, &QObject::destroyed, [] { g_liveWindow = nullptr; });
}
} // namespace

int runProgram(int argc, char *argv[], const std::function<void(Orvane &)> &started)
{
    // Before anything of Qt: in a C locale Qt 6.5 and later warn on standard error.
    charset::useUtf8CharacterType();
    if (!prepareDisplay(argc, argv))
        return 1;
    requestPreciseScheduling();
    // The desktop entry's name, by which the desktop matches the window to its
    // launcher: the Wayland app id, and the class of X11's WM_CLASS.
    QCoreApplication::setApplicationName(QStringLiteral(ORVANE_APP_ID));
    QGuiApplication::setDesktopFileName(QStringLiteral(ORVANE_APP_ID));
    auto noDisplay = std::make_unique<NoDisplayExit>();
    auto runtime = std::make_unique<StartRuntimeFolder>();
    QApplication app(argc, argv);
    runtime.reset();
    noDisplay.reset();
    quitWhenSessionEnds();
    QPointer<Orvane> window = new Orvane(nullptr, {}, makePreciseWake().release());
    // Closing the window unloads it: the port closes and the timers stop, even
    // while an About window keeps the program alive.
    window->setAttribute(Qt::WA_DeleteOnClose);
    watchForExit(window);
    // Recorders of this user's may record the run alongside, without taking the port.
    new RunOffer(window->panel().engine);
    Trace::installFromEnvironment(window);
    window->show();
    if (started)
        started(*window);
    const int status = app.exec();
    // A window closed just before the loop ended may not have been unloaded yet.
    delete window;
    return status;
}
