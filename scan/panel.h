#pragma once

#include "scan/channeltable.h"
#include "scan/startup.h"

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
class PreciseWake;

// The window's controls and the panel's state, as the handlers see them.
// The window owns the controls; this only points at them.
struct Panel {
    Startup state;
    Rgb BarRgb;

    std::array<QAction *, kChannelCount> channelItems{};
    std::array<QLabel *, kChannelCount> valueLabels{};
    std::array<QLabel *, kChannelCount> nameLabels{};

    QPushButton *Start = nullptr;
    QPushButton *Halt = nullptr;
    QPushButton *ZoomIn = nullptr;
    QPushButton *ZoomOut = nullptr;
    QLabel *Center = nullptr;
    QLabel *Mag = nullptr;
    QScrollBar *HScroll = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    CommPort *OrvaneCom = nullptr;
    ChartSurface *Chart = nullptr;
    PreciseWake *Wake = nullptr; // optional

    QAction *PortSel = nullptr;
    std::array<QAction *, 4> ComPort{};
    QAction *ShldDrvr = nullptr;
    QAction *SDON = nullptr;
    QAction *SDOFF = nullptr;
    QAction *Norm = nullptr;
    QAction *Inv = nullptr;

    // Shows a failure to the user; the window decides how.
    std::function<void(const QString &)> report;

    bool isChosen(int idx) const;
    std::bitset<kChannelCount> chosen() const;
    bool isRunning() const;
};
