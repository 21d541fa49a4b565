#include "app/orvane.h"
#include "app/trace.h"
#include "scan/precisewake.h"
#include "scan/scheduling.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    requestPreciseScheduling();
    QApplication app(argc, argv);
    auto *window = new Orvane(nullptr, {}, makePreciseWake().release());
    // Closing the window unloads it: the port closes and the timers stop, even
    // while an About window keeps the program alive.
    window->setAttribute(Qt::WA_DeleteOnClose);
    Trace::installFromEnvironment(window);
    window->show();
    return app.exec();
}
