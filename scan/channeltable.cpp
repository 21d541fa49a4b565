#include "scan/channeltable.h"

#include <cstring>

int channelOfMenuItem(const char *name)
{
    for (int i = 0; i < kChannelCount; ++i) {
        if (std::strcmp(kChannels[i].menuItem, name) == 0)
            return i;
    }
    return -1;
}
