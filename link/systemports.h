#pragma once

#include "link/portdevice.h"

// The serial ports the system offers now.
QList<SerialPortEntry> availablePorts();

// The device port n (1-based) opens now, from the environment and the ports present.
QString deviceForPort(int n);

// What ports 1..count would open now.
QList<QString> describePorts(int count);
