#pragma once

#include "wire/portdevice.h"

#include <QString>

#include <functional>

// What tells an adapter that comes back from any other: its USB serial number,
// with its vendor and product, when it has one; else a name the system gives
// the socket it is plugged into (/dev/serial/by-id, by-path); else the path it
// was opened by, a symbolic link to be followed again.
struct AdapterIdentity {
    QString serialNumber;
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString product; // "FTDI FT232R USB UART", to tell the user which one
    QString stableName;
    QString path;
    // "FTDI FT232R USB UART, serial A10K3XYZ", the stable name, or the path.
    QString describe() const;
    // Known by the system's list of ports, not by its path alone.
    bool listed() const { return !serialNumber.isEmpty() || !stableName.isEmpty(); }
};

// The adapter opened by `given`, which names the device `resolved` after links.
AdapterIdentity identifyAdapter(const QString &given, const QString &resolved, const QList<SerialPortEntry> &ports);

// The device that is that adapter among the ports now; empty while it is away.
// `exists` tells whether a path names anything now.
QString findAdapter(const AdapterIdentity &id, const QList<SerialPortEntry> &ports,
                    const std::function<bool(const QString &)> &exists);
