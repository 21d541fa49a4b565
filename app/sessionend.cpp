#include "app/sessionend.h"

#include "stopsignals/stopsignals.h"

#include <QApplication>

void quitWhenSessionEnds()
{
    whenToldToStop(qApp, [] {
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
}
