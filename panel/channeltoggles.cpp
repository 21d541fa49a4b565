#include "panel/channeltoggles.h"

#include "panel/barchart.h"
#include "panel/runstate.h"
#include "panel/panel.h"
#include "panel/valuelabel.h"

#include <QAction>

namespace {
void setChannelShown(Panel &p, int idx, bool shown)
{
    p.valueLabels[idx]->setVisible(shown);
    p.nameLabels[idx]->setVisible(shown);
}
} // namespace

void ChannelItem_Click(Panel &p, int idx)
{
    QAction *item = p.channelItems[idx];
    if (item->isChecked()) {
        item->setChecked(false);
        setChannelShown(p, idx, false);
    } else {
        item->setChecked(true);
        setChannelShown(p, idx, true);
        offerRun(p, true);
    }
    CleanBars(p);
    if (toggleResetsChanIdx(idx))
        p.state.ChanIdx = 0;
}

void ElAllOff_Click(Panel &p)
{
    for (int i = 0; i < kChannelCount; ++i)
        setChannelShown(p, i, false);
    for (QAction *item : p.channelItems)
        item->setChecked(false);
    CleanBars(p);
    offerRun(p, false);
    p.state.ChanIdx = 0;
}

void ElAllOn_Click(Panel &p)
{
    for (int i = 0; i < kChannelCount; ++i)
        setChannelShown(p, i, true);
    for (QAction *item : p.channelItems)
        item->setChecked(true);
    offerRun(p, true);
    CleanBars(p);
    p.state.ChanIdx = 0;
}
