#pragma once

#include "model/channeltable.h"

#include <QString>

#include <bitset>
#include <optional>

using ChannelSet = std::bitset<kChannelCount>;

// A channel's name as the panel shows it beside its row: "E1", "Ref A".
QString channelName(int channel);

// The channels named in a comma-separated list of names and ranges ("E1-E9,Ref A,Vdd"),
// matched without regard to case or blanks ("refa" is "Ref A"). Empty with `error` set
// when an item names no channel.
std::optional<ChannelSet> parseChannelList(const QString &list, QString *error);
