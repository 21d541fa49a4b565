#pragma once

#include <QtGlobal>

// Asks the driver behind an open serial device to pass received bytes on at
// once: a USB adapter otherwise holds them up to its latency timer (16 ms by
// default for FTDI), long enough for a reply to arrive after the next command.
// A driver that will not (a pseudo-terminal, an old kernel) is left as it is.
void askLowLatency(qintptr handle);
