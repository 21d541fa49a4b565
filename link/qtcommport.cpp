#include "link/qtcommport.h"

#include <QScopedValueRollback>

QtCommPort::QtCommPort(QObject *parent) : CommPort(parent)
{
    m_port.setReadBufferSize(kInBufferSize);
    connect(&m_port, &QSerialPort::readyRead, this, &QtCommPort::announceReady);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtCommPort::handleError);
}

QtCommPort::~QtCommPort()
{
    m_port.disconnect(this);
    if (m_port.isOpen())
        m_port.close();
}

QString QtCommPort::portLabel() const
{
    const QString device = m_device.isEmpty() ? deviceForPort(m_portNumber) : m_device;
    return QStringLiteral("Com%1 (%2)").arg(m_portNumber).arg(device);
}

void QtCommPort::fail(const QString &what, const QString &reason) const
{
    throw CommError(QStringLiteral("%1: %2: %3").arg(portLabel(), what, reason));
}

void QtCommPort::setPortNumber(int n)
{
    if (n < 1 || n > 255)
        throw CommError(QStringLiteral("Com%1: there is no such port number; ports are 1 to 255").arg(n));
    if (m_port.isOpen())
        fail(QStringLiteral("cannot change the port number"), QStringLiteral("the port is open"));
    m_portNumber = n;
    m_device.clear();
}

void QtCommPort::setSettings(const QString &text)
{
    const SettingsParse parsed = parseCommSettings(text);
    if (!parsed.settings)
        fail(QStringLiteral("invalid line settings"), parsed.error);
    m_settings = *parsed.settings;
    m_settingsText = text;
    if (m_port.isOpen()) {
        const bool ok = m_port.setBaudRate(m_settings.baud) && m_port.setParity(m_settings.parity)
                        && m_port.setDataBits(m_settings.dataBits)
                        && m_port.setStopBits(m_settings.stopBits);
        if (!ok)
            fail(QStringLiteral("cannot apply line settings"), m_port.errorString());
    }
}

void QtCommPort::open()
{
    if (m_port.isOpen())
        fail(QStringLiteral("cannot open"), QStringLiteral("the port is already open"));
    m_device = deviceForPort(m_portNumber);
    m_port.setPortName(m_device);
    m_port.setBaudRate(m_settings.baud);
    m_port.setParity(m_settings.parity);
    m_port.setDataBits(m_settings.dataBits);
    m_port.setStopBits(m_settings.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);

    QScopedValueRollback guard(m_inCall, true);
    if (!m_port.open(QIODevice::ReadWrite)) {
        QString reason = m_port.errorString();
        // Qt words a held lock file as a permission problem, and a file that is no
        // terminal as an unsupported operation; say what they mean.
        if (m_port.error() == QSerialPort::PermissionError && reason.contains(QLatin1String("locking")))
            reason = QStringLiteral("the device is in use by another program (%1)").arg(reason);
        else if (m_port.error() == QSerialPort::UnsupportedOperationError)
            reason = QStringLiteral("it is not a serial device (%1)").arg(reason);
        fail(QStringLiteral("cannot open"), reason);
    }
    m_port.clearError();
}

void QtCommPort::close()
{
    if (m_port.isOpen())
        m_port.close();
}

void QtCommPort::write(QByteArrayView text)
{
    if (!m_port.isOpen())
        fail(QStringLiteral("cannot write"), QStringLiteral("the port is not open"));
    if (m_port.bytesToWrite() + text.size() > kOutBufferSize)
        fail(QStringLiteral("cannot write"),
             QStringLiteral("the transmit buffer is full; the device takes no data"));
    QScopedValueRollback guard(m_inCall, true);
    if (m_port.write(text.data(), text.size()) != text.size()) {
        const QString reason = m_port.errorString();
        m_port.close();
        fail(QStringLiteral("cannot write"), reason);
    }

}

void QtCommPort::flush()
{
    // Hand the bytes to the driver now rather than on the next pass of the event
    // loop, so a command leaves when its tick fires. Never blocks.
    if (m_port.isOpen())
        m_port.flush();
}

qint64 QtCommPort::waiting() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

QByteArray QtCommPort::takeAll()
{
    if (!m_port.isOpen())
        fail(QStringLiteral("cannot read"), QStringLiteral("the port is not open"));
    return m_port.readAll();
}

void QtCommPort::announceReady()
{
    if (m_port.bytesAvailable() >= kReceiveThreshold)
        emit received();
}

void QtCommPort::handleError(QSerialPort::SerialPortError error)
{
    // A pseudo-terminal refuses modem-line requests; a timeout is not a failure.
    if (error == QSerialPort::NoError || error == QSerialPort::UnsupportedOperationError
        || error == QSerialPort::TimeoutError)
        return;
    // Failures inside our own calls are thrown from there.
    if (m_inCall || !m_port.isOpen())
        return;
    // A read that hits the end of a hung-up line carries a stale errno; say what happened instead.
    const QString reason = error == QSerialPort::ReadError
                               ? QStringLiteral("the device was unplugged or hung up")
                               : m_port.errorString();
    // Linux keeps reporting a lost device as long as it stays open: close at the first report.
    const QString text = QStringLiteral("%1: the connection was lost: %2").arg(portLabel(), reason);
    m_port.close();
    emit failed(text);
}
