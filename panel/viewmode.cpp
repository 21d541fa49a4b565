#include "panel/viewmode.h"

#include "panel/panel.h"
#include "geometry/geometry.h"

#include <QAction>

// The Invert item's check mark is the only record of the view; shownReading reads it.
void Norm_Click(Panel &p)
{
    p.Norm->setChecked(true);
    p.Inv->setChecked(false);
}

void Inv_Click(Panel &p)
{
    p.Norm->setChecked(false);
    p.Inv->setChecked(true);
}

int shownReading(const Panel &p, int reading)
{
    return p.Inv->isChecked() ? chart::kTopReading - reading : reading;
}
