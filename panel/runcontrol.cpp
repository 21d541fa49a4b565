#include "panel/runcontrol.h"

#include "panel/barchart.h"
#include "serial/commport.h"
#include "panel/runstate.h"
#include "panel/stopscan.h"
#include "panel/panel.h"
#include "engine/scanengine.h"

#include <QAction>

void Form_Load(Panel &p)
{
    p.state.ZoomMag = 1;
    p.state.PortIdx = 0;
}

void ComPort_Click(Panel &p, int n)
{
    p.state.PortIdx = qint16(n - 1);
    for (int i = 0; i < int(p.ComPort.size()); ++i)
        p.ComPort[i]->setChecked(i == n - 1);
}

void SDON_Click(Panel &p)
{
    p.state.ShldMode = 0;
    p.SDON->setChecked(true);
    p.SDOFF->setChecked(false);
}

void SDOFF_Click(Panel &p)
{
    p.state.ShldMode = 1;
    p.SDON->setChecked(false);
    p.SDOFF->setChecked(true);
}

void Start_Click(Panel &p)
{
    // A failure has ended the run already and been told through the engine.
    if (!p.engine->start())
        return;
    showRunState(p, RunState::Running);
    CleanBars(p);
}

void PortSel_Show(Panel &p)
{
    const QList<QString> devices = p.OrvaneCom->portDescriptions(int(p.ComPort.size()));
    for (int i = 0; i < int(p.ComPort.size()); ++i)
        p.ComPort[i]->setToolTip(devices.value(i));
}

void Halt_Click(Panel &p)
{
    StopScan(p);
}

void PortFailure(Panel &p, Failure kind, const QString &text)
{
    if (p.isRunning())
        StopScan(p);
    if (p.report)
        p.report(kind, text);
}
