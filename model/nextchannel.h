#pragma once

#include "model/channeltable.h"

#include <QtGlobal>
#include <bitset>

// The channel after `current`: the first chosen one looking upward as far as
// the last channel, else channel 0 whether or not it is chosen.
qint16 nextChannel(qint16 current, const std::bitset<kChannelCount> &chosen);
