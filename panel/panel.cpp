#include "panel/panel.h"

#include <QAction>
#include <QPushButton>

bool Panel::isChosen(int idx) const
{
    return channelItems[idx]->isChecked();
}

std::bitset<kChannelCount> Panel::chosen() const
{
    std::bitset<kChannelCount> bits;
    for (int i = 0; i < kChannelCount; ++i)
        bits[i] = isChosen(i);
    return bits;
}

bool Panel::isRunning() const
{
    return Halt->isEnabled();
}
