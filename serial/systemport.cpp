#include "serial/systemport.h"

#include "wire/devicename.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

namespace {
// The names udev gives each adapter after what it is and where it is plugged in;
// none where the system keeps no such folders.
QHash<QString, QStringList> stableNames()
{
    QHash<QString, QStringList> names;
    for (const char *folder : {"/dev/serial/by-id", "/dev/serial/by-path"}) {
        const QDir dir(QString::fromLatin1(folder));
        for (const QFileInfo &link : dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
            names[link.canonicalFilePath()] << link.absoluteFilePath();
    }
    return names;
}
} // namespace

PortSource PortSource::system()
{
    return {[](const QString &name) { return decodeDeviceName(qgetenv(name.toLatin1().constData())); },
            [] {
                const QHash<QString, QStringList> names = stableNames();
                QList<SerialPortEntry> ports;
                for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
                    ports.append({info.systemLocation(), info.description(), info.hasVendorIdentifier(),
                                  info.manufacturer(), info.serialNumber(), info.vendorIdentifier(),
                                  info.productIdentifier(), names.value(info.systemLocation())});
                }
                return ports;
            }};
}

QString SystemCommPort::deviceFor(int portNumber) const
{
    return deviceForPort(portNumber, m_source.env, m_source.ports());
}

QString SystemCommPort::fallbackFor(int portNumber) const
{
    // Only the serial port standing in for a missing adapter needs the ports listed again.
    if (device() != fallbackDevice(portNumber, {}))
        return {};
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
