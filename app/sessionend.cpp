#include "app/sessionend.h"

#include "app/stopsignals.h"

#include <QApplication>

void quitWhenSessionEnds()
{
    whenToldToStop(qApp, [] {
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
}
