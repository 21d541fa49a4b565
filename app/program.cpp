#include "app/program.h"

#include "app/orvane.h"
#include "app/sessionend.h"
#include "app/trace.h"
#include "scan/precisewake.h"
#include "scan/scheduling.h"

#include <QApplication>
#include <QPointer>

int runProgram(int argc, char *argv[], const std::function<void(Orvane &)> &started)
{
    requestPreciseScheduling();
    QApplication app(argc, argv);
    quitWhenSessionEnds();
    QPointer<Orvane> window = new Orvane(nullptr, {}, makePreciseWake().release());
    // Closing the window unloads it: the port closes and the timers stop, even
    // while an About window keeps the program alive.
    window->setAttribute(Qt::WA_DeleteOnClose);
    Trace::installFromEnvironment(window);
    window->show();
    if (started)
        started(*window);
    const int status = app.exec();
    // A window closed just before the loop ended may not have been unloaded yet.
    delete window;
    return status;
}
