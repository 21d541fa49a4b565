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

QList<QString> SystemCommPort::portDescriptions(int count) const
{
    const QList<SerialPortEntry> ports = m_source.ports();
    QList<QString> out;
    for (int n = 1; n <= count; ++n)
        out << describeDevice(deviceForPort(n, m_source.env, ports), ports);
    return out;
}
