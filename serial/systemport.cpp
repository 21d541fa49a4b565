#include "serial/systemport.h"

#include "wire/devicename.h"

#include <QSerialPortInfo>

PortSource PortSource::system()
{
    return {[](const QString &name) { return decodeDeviceName(qgetenv(name.toLatin1().constData())); },
            [] {
                QList<SerialPortEntry> ports;
                for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
                    ports.append({info.systemLocation(), info.description(), info.hasVendorIdentifier()});
                return ports;
            }};
}

QString SystemCommPort::deviceFor(int portNumber) const
{
    return deviceForPort(portNumber, m_source.env, m_source.ports());
}

QString SystemCommPort::fallbackFor(int portNumber) const
{
    return portFallbackReason(portNumber, m_source.env, m_source.ports());
}

QList<QString> SystemCommPort::portDescriptions(int count) const
{
    const QList<SerialPortEntry> ports = m_source.ports();
    QList<QString> out;
    for (int n = 1; n <= count; ++n) {
        const QString device = describeDevice(deviceForPort(n, m_source.env, ports), ports);
        const QString reason = portFallbackReason(n, m_source.env, ports);
        out << (reason.isEmpty() ? device : QStringLiteral("%1, as %2").arg(device, reason));
    }
    return out;
}
