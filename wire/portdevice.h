#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

using EnvLookup = std::function<QString(const QString &name)>;

// A serial port the system offers, as Qt lists it.
struct SerialPortEntry {
    QString device;      // e.g. /dev/ttyUSB0
    QString description; // e.g. "FT232R USB UART"
    bool usb = false;    // it carries a USB vendor id: an adapter
    QString manufacturer;
    QString serialNumber; // empty where the adapter has none
    quint16 vendorId = 0;
    quint16 productId = 0;
    QStringList stableNames; // the /dev/serial/by-id and by-path links to it
};

// What port n (1-based) opens where no device is named for it: the n-th USB
// adapter when there is one, else /dev/ttyS<n-1>. Adapters are counted by
// device name, numbers as numbers (ttyACM0, ttyACM1, ttyUSB0, ..., ttyUSB10).
QString fallbackDevice(int n, const QList<SerialPortEntry> &ports);

// The variable that names port n's device: "ORVANE_COM1".
QString portVariable(int n);

// The device port n opens: $ORVANE_COMn when set and not empty, else the
// platform's default (COMn on Windows; fallbackDevice elsewhere).
QString deviceForPort(int n, const EnvLookup &env, const QList<SerialPortEntry> &ports);

// Why fallbackDevice gives port n /dev/ttyS<n-1>: "no USB serial adapter is
// plugged in", or "only 1 USB serial adapter is plugged in"; empty when the
// n-th adapter is there.
QString fallbackReason(int n, const QList<SerialPortEntry> &ports);

// The same for the device deviceForPort gives: empty too when it is named, or
// where the platform has no such fallback.
QString portFallbackReason(int n, const EnvLookup &env, const QList<SerialPortEntry> &ports);

// How a port item describes what it opens, e.g. "/dev/ttyUSB0 (FT232R USB UART)".
QString describeDevice(const QString &device, const QList<SerialPortEntry> &ports);
