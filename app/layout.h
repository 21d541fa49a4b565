#pragma once

#include "model/channeltable.h"

#include <QColor>
#include <Qt>

#include <optional>

// The main window as data: every control's initial state. Positions in twips.
namespace layout {

inline constexpr char kCaption[] = "Orvane";
inline constexpr int kClientWidth = 5985;
inline constexpr int kClientHeight = 6480;

struct Box {
    int left, top, width, height;
};

struct ButtonSpec {
    const char *name;
    const char *caption;
    Box box;
    bool enabled;
};

inline constexpr ButtonSpec kButtons[] = {
    {"Start", "Run", {360, 5640, 855, 495}, true},
    {"Halt", "Stop", {1440, 5640, 855, 495}, false},
    {"ZoomIn", "Zoom In", {3720, 5640, 855, 495}, true},
    {"ZoomOut", "Zoom Out", {5040, 5640, 855, 495}, false},
};

inline constexpr const char *kFocusOrder[] = {"Start", "Halt", "HScroll", "ZoomIn", "ZoomOut"};

struct ReadoutSpec {
    const char *name;
    const char *caption;
    Box box;
    Qt::Alignment alignment;
    bool border;
};

inline constexpr ReadoutSpec kReadouts[] = {
    {"CenterTxt", "Center", {3000, 5640, 495, 255}, Qt::AlignHCenter, false},
    {"Center", "120", {3000, 5880, 495, 255}, Qt::AlignHCenter, true},
    {"X", "Mag", {4680, 5640, 375, 255}, Qt::AlignLeft, false},
    {"Mag", "1", {4680, 5880, 255, 255}, Qt::AlignHCenter, true},
};

// Chart rows: row i, chart::kRowPitch apart, holds channel i's name label and value label.
inline constexpr Box kNameLabel{0, 0, 400, 200};
inline constexpr Box kValueLabel{400, 0, 400, 200};
inline constexpr int kOddValueLabelRow = 7; // V7 is drawn a little larger
inline constexpr Box kOddValueLabel{400, 0, 405, 195};
inline constexpr QColor kNameBackground{0, 255, 255};
inline constexpr QColor kFirstNameBackground{128, 255, 255};
inline constexpr QColor kValueBackground{255, 255, 128};
inline constexpr char kValueFontFamily[] = "Arial Black";
inline constexpr double kValueFontPoints = 8.25;

// Line1: a short black tick over the "Center" read-out.
inline constexpr int kLineX = 3240;
inline constexpr int kLineTop = 5400;
inline constexpr int kLineBottom = 5640;

struct ScrollSpec {
    Box box;
    int minimum, maximum, smallChange, largeChange, value;
};
inline constexpr ScrollSpec kScroll{{0, 6240, 6000, 255}, 0, 255, 1, 30, 0};

enum class Mark { None, Unchecked, Checked };

// The menu tree from left to right and top to bottom. A group row is a
// submenu of channel items: the channel table says which channels it holds,
// in their table order, and its caption; `mark` is then the items' mark.
struct MenuRow {
    int level;
    const char *name;
    const char *caption;
    Mark mark;
    std::optional<MenuGroup> group = std::nullopt;
};

inline constexpr MenuRow kMenu[] = {
    {1, "PortSel", "Port", Mark::None},
    {2, "ComPort1", "Com1", Mark::Checked},
    {2, "ComPort2", "Com2", Mark::Unchecked},
    {2, "ComPort3", "Com3", Mark::Unchecked},
    {2, "ComPort4", "Com4", Mark::Unchecked},
    {1, "ShldDrvr", "Shield Driver", Mark::None},
    {2, "SDON", "On", Mark::Checked},
    {2, "SDOFF", "Off", Mark::Unchecked},
    {1, "Mode", "Mode", Mark::None},
    {2, "Norm", "Normal", Mark::Checked},
    {2, "Inv", "Invert", Mark::Unchecked},
    {1, "View", "Measure", Mark::None},
    {2, "ElAllOn", "All On", Mark::None},
    {2, "ElAllOff", "All Off", Mark::None},
    {2, "El", nullptr, Mark::Checked, MenuGroup::Electrodes},
    {2, "Ref", nullptr, Mark::Checked, MenuGroup::References},
    {2, "Internal", nullptr, Mark::Checked, MenuGroup::Internal},
    {2, "Sup", nullptr, Mark::Checked, MenuGroup::Supplies},
    {1, "About", "About", Mark::None},
};

// The About window. "About MyApp" is the window's own caption, kept as it
// stands: it is no placeholder waiting for the program's name.
inline constexpr char kAboutCaption[] = "About MyApp";
inline constexpr Box kAboutClient{2340, 1935, 5730, 2310};
inline constexpr Box kAboutIcon{240, 240, 540, 540};
inline constexpr Box kAboutTitle{1080, 360, 3435, 315};
inline constexpr Box kAboutVersion{1200, 840, 1215, 255};
inline constexpr Box kAboutDescription{960, 1320, 3525, 330};
inline constexpr Box kAboutOk{4245, 1800, 1260, 345};
inline constexpr char kAboutTitleText[] = "Orvane";
inline constexpr char kAboutTitleFont[] = "Times New Roman";
inline constexpr int kAboutTitlePoints = 12;
inline constexpr char kCopyright[] = "Copyright \u00A9 2026 The Orvane developers";

} // namespace layout
