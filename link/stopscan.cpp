#include "link/stopscan.h"

#include "link/commport.h"
#include "scan/panel.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>

void StopScan(Panel &p)
{
    p.Timer1->stop();
    p.Timer2->stop();
    p.Start->setEnabled(true);
    p.Halt->setEnabled(false);
    if (p.OrvaneCom->isOpen())
        p.OrvaneCom->close();
    p.PortSel->setEnabled(true);
    p.ShldDrvr->setEnabled(true);
}
