#pragma once

#include <QtGlobal>

// The panel's numbers that live as long as the program.
struct Startup {
    qint16 ChanIdx = 0;
    // The channel the last measure command read; a reply belongs to it, however
    // late it comes and whatever moved ChanIdx meanwhile.
    qint16 MeasIdx = 0;
    qint16 ZoomMag = 0;
    qint16 PortIdx = 0;
    qint16 ShldMode = 0; // 0 = shield driver on, 1 = off
};
