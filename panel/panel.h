#pragma once

#include "geometry/geometry.h"
#include "model/channeltable.h"
#include "model/startup.h"
#include "serial/failure.h"

#include <QString>

#include <array>
#include <bitset>
#include <functional>

class QAction;
class QLabel;
class QPushButton;
class QScrollBar;
class QTimer;
class ChartSurface;
class CommPort;
class ScanEngine;
class ValueLabel;

// The window's controls and the panel's state, as the procedures see them.
// The window owns the controls; this only points at them.
struct Panel {
    Startup state;        // ChanIdx, MeasIdx, ZoomMag, PortIdx, ShldMode
    Rgb BarRgb;           // colour of the bar being drawn, set by each receive event

    std::array<QAction *, kChannelCount> channelItems{}; // checked: the channel is in the scan
    std::array<ValueLabel *, kChannelCount> valueLabels{}; // each row's latest reading
    std::array<QLabel *, kChannelCount> nameLabels{};    // each row's fixed name

    QPushButton *Start = nullptr;   // "Run"; offered while some channel is chosen and no run is going
    QPushButton *Halt = nullptr;    // "Stop"; enabled exactly while running
    QPushButton *ZoomIn = nullptr;  // greyed at the highest magnification
    QPushButton *ZoomOut = nullptr; // greyed at magnification 1
    QLabel *Center = nullptr;       // the reading about the middle of the chart
    QLabel *Mag = nullptr;          // the magnification
    QScrollBar *HScroll = nullptr;  // the offset subtracted from every reading; shown when zoomed
    ScanEngine *engine = nullptr;   // runs the scan; the three below are its own
    QTimer *Timer1 = nullptr;       // its tick sends the measure command
    QTimer *Timer2 = nullptr;       // its tick selects the next channel
    CommPort *OrvaneCom = nullptr;  // the serial line to the board
    ChartSurface *Chart = nullptr;  // where the bars are painted

    QAction *PortSel = nullptr;           // the Port menu; enabled exactly while idle
    std::array<QAction *, 4> ComPort{};   // Com1..Com4; one checked, the one PortIdx names
    QAction *ShldDrvr = nullptr;          // the Shield Driver menu; enabled exactly while idle
    QAction *SDON = nullptr;              // shield driver on (ShldMode 0)
    QAction *SDOFF = nullptr;             // shield driver off (ShldMode 1)
    QAction *Norm = nullptr;              // readings as received
    QAction *Inv = nullptr;               // readings as 255 minus the reading

    // Shows a failure to the user; the window decides how.
    std::function<void(Failure kind, const QString &text)> report;

    bool isChosen(int idx) const;
    std::bitset<kChannelCount> chosen() const;
    bool isRunning() const;
};
