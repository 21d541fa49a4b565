#pragma once

#include "serial/failure.h"
#include "wire/commsettings.h"

#include <QString>

#include <termios.h>

// What the POSIX terminal interface means to the port: its errors, and the line settings it takes.
namespace posixline {

QString systemText(int error);
// Why a device would not open.
Failure openFailure(int error);
// What a failing read or write on an open device means.
Failure lineFailure(int error);
// Raw bytes in both directions, no flow control, waking the reader once `wakeAt` characters wait.
bool lineSettings(termios &tio, const CommSettings &s, int wakeAt);

} // namespace posixline
