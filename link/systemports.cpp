#include "link/systemports.h"

#include "link/devicename.h"

#include <QSerialPortInfo>

namespace {
QString environment(const QString &name)
{
    return decodeDeviceName(qgetenv(name.toLatin1().constData()));
}
} // namespace

QList<SerialPortEntry> availablePorts()
{
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.systemLocation(), info.description(), info.hasVendorIdentifier()});
    return ports;
}

QString deviceForPort(int n)
{
    return deviceForPort(n, environment, availablePorts());
}

QList<QString> describePorts(int count)
{
    const QList<SerialPortEntry> ports = availablePorts();
    QList<QString> out;
    for (int n = 1; n <= count; ++n)
        out << describeDevice(deviceForPort(n, environment, ports), ports);
    return out;
}
