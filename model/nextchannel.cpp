#include "model/nextchannel.h"

qint16 nextChannel(qint16 current, const std::bitset<kChannelCount> &chosen)
{
    qint16 idx = current + 1;
    if (idx > kChannelCount - 1)
        idx = 0;
    // One upward pass, so an empty tail wraps to channel 0 without testing it again.
    for (int k = 0; k <= kChannelCount - 2; ++k) {
        if (idx == k && !chosen[k])
            idx = qint16(k + 1);
    }
    if (idx == kChannelCount - 1 && !chosen[kChannelCount - 1])
        idx = 0;
    return idx;
}
