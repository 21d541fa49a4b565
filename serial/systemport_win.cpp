#include "serial/systemport.h"

#include "serial/lockhost.h"

#include <QSerialPort>

// Windows opens a serial port for one program at a time, so there are no lock
// files to keep; Qt's own port does the I/O.
struct SystemCommPort::Device {
    QSerialPort port;
    bool opening = false;
};

namespace {
// What Qt's kind of error means; its words go into the message.
Failure failureOf(QSerialPort::SerialPortError error, bool opening)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
        return Failure::Harmless;
    case QSerialPort::DeviceNotFoundError:
        return opening ? Failure::NotFound : Failure::Lost;
    case QSerialPort::PermissionError:
        // Windows refuses a port another program has open.
        return opening ? Failure::Busy : Failure::Other;
    case QSerialPort::UnsupportedOperationError:
        return opening ? Failure::NotSerial : Failure::Harmless;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
        return Failure::Lost;
    default:
        return Failure::Other;
    }
}
} // namespace

SystemCommPort::SystemCommPort(PortSource source, QObject *parent)
    : CommPort(parent), m_source(std::move(source)), d(std::make_unique<Device>())
{
    d->port.setReadBufferSize(kInBufferSize);
    connect(&d->port, &QSerialPort::readyRead, this, &SystemCommPort::arrived);
    connect(&d->port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        deviceError({failureOf(error, d->opening), d->port.errorString()});
    });
}

SystemCommPort::~SystemCommPort()
{
    d->port.disconnect(this);
    close();
}

LockHost *SystemCommPort::lockHost() const
{
    return nullptr;
}

TerminalHost *SystemCommPort::terminalHost() const
{
    return nullptr;
}

bool SystemCommPort::rawOpen(const QString &device, const CommSettings &settings)
{
    d->port.setPortName(device);
    rawApply(settings);
    d->port.setFlowControl(QSerialPort::NoFlowControl);
    d->opening = true;
    const bool opened = d->port.open(QIODevice::ReadWrite);
    d->opening = false;
    if (!opened)
        return false;
    d->port.clearError();
    // Whatever the board said before the port was opened would spoil the first reading.
    d->port.clear(QSerialPort::Input);
    return true;
}

bool SystemCommPort::rawApply(const CommSettings &s)
{
    return d->port.setBaudRate(s.baud) && d->port.setParity(s.parity) && d->port.setDataBits(s.dataBits)
           && d->port.setStopBits(s.stopBits);
}

void SystemCommPort::rawClose()
{
    d->port.close();
}

bool SystemCommPort::rawIsOpen() const
{
    return d->port.isOpen();
}

void SystemCommPort::rawWrite(QByteArrayView text)
{
    d->port.write(text.data(), text.size());
}

// QSerialPort keeps what is written for the event loop or the flush already.
void SystemCommPort::rawHold(QByteArrayView text)
{
    rawWrite(text);
}

void SystemCommPort::rawFlush()
{
    // Hands the bytes to the driver now rather than on the next pass of the event loop.
    d->port.flush();
}

qint64 SystemCommPort::rawPending() const
{
    return d->port.bytesToWrite();
}

qint64 SystemCommPort::rawUnsent() const
{
    return d->port.bytesToWrite();
}

qint64 SystemCommPort::rawWaiting() const
{
    return d->port.bytesAvailable();
}

QByteArray SystemCommPort::rawTakeAll()
{
    return d->port.readAll();
}

void SystemCommPort::rawSetWakeThreshold(int)
{
}

// QSerialPort wakes the program for what the driver hands over, not for each character.
void SystemCommPort::rawListenAfter(int)
{
}

bool SystemCommPort::rawListenNow()
{
    return false;
}
