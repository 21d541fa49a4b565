#pragma once

#include <QtGlobal>
#include <array>

// The submenus of "Measure" that hold the channel items.
enum class MenuGroup { Electrodes, References, Internal, Supplies };

constexpr const char *groupCaption(MenuGroup group)
{
    switch (group) {
    case MenuGroup::Electrodes: return "Electrodes";
    case MenuGroup::References: return "References";
    case MenuGroup::Internal: return "Internal";
    case MenuGroup::Supplies: return "Supplies";
    }
    return "";
}

// One row per channel; the channel index is the row's position.
struct Channel {
    const char *menuItem;
    const char *menuCaption;
    MenuGroup group;
    char selectCode;
    const char *valueLabel;
    const char *nameLabel;
    const char *nameCaption;
};

inline constexpr int kChannelCount = 18;

inline constexpr std::array<Channel, kChannelCount> kChannels{{
    {"ISRCSl", "ISrc", MenuGroup::Internal, '0', "Source", "ISrc", "ISrc"},
    {"ElSl1", "Electrode 1", MenuGroup::Electrodes, '1', "V1", "E1", "E1"},
    {"ElSl2", "Electrode 2", MenuGroup::Electrodes, '2', "V2", "E2", "E2"},
    {"ElSl3", "Electrode 3", MenuGroup::Electrodes, '3', "V3", "E3", "E3"},
    {"ElSl4", "Electrode 4", MenuGroup::Electrodes, '4', "V4", "E4", "E4"},
    {"ElSl5", "Electrode 5", MenuGroup::Electrodes, '5', "V5", "E5", "E5"},
    {"ElSl6", "Electrode 6", MenuGroup::Electrodes, '6', "V6", "E6", "E6"},
    {"ElSl7", "Electrode 7", MenuGroup::Electrodes, '7', "V7", "E7", "E7"},
    {"ElSl8", "Electrode 8", MenuGroup::Electrodes, '8', "V8", "E8", "E8"},
    {"ElSl9", "Electrode 9", MenuGroup::Electrodes, '9', "V9", "E9", "E9"},
    {"RefASl", "Ref A", MenuGroup::References, 'A', "RefA", "RFA", "Ref A"},
    {"RefBSl", "Ref B", MenuGroup::References, 'B', "RefB", "RFB", "Ref B"},
    {"OSCSl", "OSC", MenuGroup::Internal, 'C', "OSC", "O", "OSC"},
    {"ORSl", "O-R", MenuGroup::Internal, 'D', "OSC_R", "OandR", "O-R"},
    {"INTSl", "INT", MenuGroup::Internal, 'E', "Itnl", "It", "INT"},
    {"RSVDSl", "Rsvd", MenuGroup::Internal, 'F', "Rsvd", "RSD", "Rsvd"},
    {"VDDSl", "Vdd", MenuGroup::Supplies, 'V', "Vdd", "DD", "Vdd"},
    {"VPWRSl", "Vpwr", MenuGroup::Supplies, 'P', "Vpwr", "Pwr", "Vpwr"},
}};

// Electrode toggles let the scan go on where it was; all others restart it at channel 0.
constexpr bool toggleResetsChanIdx(int idx)
{
    return kChannels[idx].group != MenuGroup::Electrodes;
}
