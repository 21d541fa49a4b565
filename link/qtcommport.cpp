#include "link/qtcommport.h"

#include "link/ttydevice.h"
#include "link/systemports.h"

#include <cerrno>

QtCommPort::QtCommPort(QObject *parent) : CommPort(parent)
{
    m_port.setReadBufferSize(kInBufferSize);
    connect(&m_port, &QSerialPort::readyRead, this, &QtCommPort::arrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtCommPort::onError);
}

QtCommPort::~QtCommPort()
{
    m_port.disconnect(this);
    if (m_port.isOpen())
        m_port.close();
}

QString QtCommPort::deviceFor(int portNumber) const
{
    return deviceForPort(portNumber);
}

QList<QString> QtCommPort::portDescriptions(int count) const
{
    return describePorts(count);
}

bool QtCommPort::rawApply(const CommSettings &s)
{
    return m_port.setBaudRate(s.baud) && m_port.setParity(s.parity) && m_port.setDataBits(s.dataBits)
           && m_port.setStopBits(s.stopBits);
}

bool QtCommPort::rawOpen(const QString &device, const CommSettings &settings)
{
    const OpenableName openable(device);
    if (lockNameTooLong(openable.name())) {
        deviceError({QSerialPort::PermissionError, ENAMETOOLONG, qt_error_string(ENAMETOOLONG)});
        return false;
    }
    m_port.setPortName(openable.name());
    rawApply(settings);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite))
        return false;
    m_port.clearError();
    if (isPseudoTerminalMaster(m_port.handle())) {
        m_port.close();
        deviceError({QSerialPort::UnsupportedOperationError, ENOTTY,
                     QStringLiteral("the master side of a pseudo-terminal")});
        return false;
    }
    askLowLatency(m_port.handle());
    // Whatever the board said before the port was opened would spoil the first reading.
    m_port.clear(QSerialPort::Input);
    return true;
}

void QtCommPort::rawClose()
{
    m_port.close();
}

void QtCommPort::rawWrite(QByteArrayView text)
{
    m_port.write(text.data(), text.size());
}

void QtCommPort::rawFlush()
{
    // Hands the bytes to the driver now rather than on the next pass of the
    // event loop, so a command leaves when its tick fires. Never blocks.
    m_port.flush();
}

void QtCommPort::onError(QSerialPort::SerialPortError error)
{
    // Qt reports a failed system call at once, so errno still tells what it was.
    int sysError = errno;
    QString text = m_port.errorString();
    // Qt's own lock file refused: another program has the device, or had it and
    // left its lock behind where this user may not remove it.
    if (error == QSerialPort::PermissionError && text.contains(QLatin1String("locking"))) {
        const LockHolder holder = describeLock(lockFileOf(m_port.portName()));
        sysError = holder.gone ? ESTALE : EBUSY;
        if (!holder.text.isEmpty())
            text = holder.text;
    }
    deviceError({error, sysError, text});
}
