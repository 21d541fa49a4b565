#include "serial/commport.h"

#include "wire/devicename.h"
#include "wire/protocol.h"

// Names the operation a failure belongs to while one of the component's calls runs.
class CommPort::Call {
public:
    Call(CommPort &port, const char *operation) : m_port(port), m_saved(port.m_operation)
    {
        port.m_operation = operation;
    }
    ~Call() { m_port.m_operation = m_saved; }
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

private:
    CommPort &m_port;
    const char *m_saved;
};

CommPort::CommPort(QObject *parent)
    : QObject(parent), m_settingsText(QString::fromLatin1(wire::kLineSettings)),
      m_settings(*parseCommSettings(m_settingsText).settings)
{
}

QString CommPort::portLabel() const
{
    const QString device = m_device.isEmpty() ? deviceFor(m_portNumber) : m_device;
    return QStringLiteral("Com%1 (%2)").arg(m_portNumber).arg(displayDeviceName(device));
}

QList<QString> CommPort::portDescriptions(int count) const
{
    QList<QString> out;
    for (int n = 1; n <= count; ++n)
        out << deviceFor(n);
    return out;
}

QString CommPort::withFallback(const QString &text) const
{
    if (m_fallback.isEmpty())
        return text;
    return QStringLiteral("%1 (%2, so Com%3 fell back to %4)")
        .arg(text, m_fallback)
        .arg(m_portNumber)
        .arg(displayDeviceName(m_device));
}

CommError CommPort::describe(const DeviceError &error) const
{
    const QString lost = QStringLiteral("the connection was lost");
    QString what = m_operation ? QString::fromLatin1(m_operation) : lost;
    QString reason = error.text;
    switch (error.kind) {
    case Failure::Busy:
        reason = QStringLiteral("the device is in use by another program (%1)").arg(error.text);
        break;
    case Failure::Locked:
        reason = QStringLiteral("the device is in use by another program (%1)").arg(lockHolder());
        break;
    case Failure::NotSerial:
        reason = QStringLiteral("it is not a serial device (%1)").arg(error.text);
        break;
    case Failure::Stalled:
        what = QStringLiteral("cannot write");
        reason = QStringLiteral("the device takes no data (%1)").arg(error.text);
        break;
    case Failure::Lost:
        what = lost;
        reason = QStringLiteral("the device was unplugged or hung up");
        break;
    default:
        break;
    }
    return CommError(error.kind, worded(what, reason));
}

QString CommPort::worded(const QString &what, const QString &reason) const
{
    const QString text = QStringLiteral("%1: %2: %3").arg(portLabel(), what, reason);
    return what == QLatin1String(kOpening) ? withFallback(text) : text;
}

CommError CommPort::stalled() const
{
    return describe({Failure::Stalled, QStringLiteral("%1 bytes are still waiting").arg(rawUnsent())});
}

void CommPort::fail(Failure kind, const QString &what, const QString &reason)
{
    throw CommError(kind, worded(what, reason));
}

// Closing lets go of the device first and of its lock file last.
void CommPort::shut()
{
    if (rawIsOpen())
        rawClose();
    releaseLockFile();
}

void CommPort::throwIfFailed()
{
    if (!m_failure)
        return;
    const CommError failure = *std::exchange(m_failure, std::nullopt);
    shut();
    throw failure;
}

void CommPort::deviceError(const DeviceError &error)
{
    if (error.kind == Failure::Harmless)
        return;
    if (m_operation) {
        if (!m_failure)
            m_failure = describe(error);
        return;
    }
    // Only the first failure counts: it closes the port, and a closed port has nothing more to say.
    if (!rawIsOpen())
        return;
    const CommError failure = describe(error);
    shut();
    emit failed(failure.kind(), failure.text());
}

void CommPort::arrived()
{
    if (rawIsOpen() && rawWaiting() >= m_threshold)
        emit received();
}

void CommPort::setReceiveThreshold(int count)
{
    count = qBound(1, count, kReceiveThreshold);
    if (count == m_threshold)
        return;
    m_threshold = count;
    if (rawIsOpen())
        rawSetWakeThreshold(count);
    // What already waits may be enough now; its arrival will not be told again.
    if (rawIsOpen() && rawWaiting() >= count)
        QMetaObject::invokeMethod(this, &CommPort::arrived, Qt::QueuedConnection);
}

void CommPort::awaitReply(int sent, int length)
{
    // Rounded up: watched again a moment early, the line would wake the program for its last character.
    const auto quiet = (sent + length) * characterTime(m_settings);
    if (rawIsOpen() && quiet >= std::chrono::milliseconds(1))
        rawListenAfter(int(std::chrono::ceil<std::chrono::milliseconds>(quiet).count()));
}

void CommPort::failNotTaking()
{
    const CommError failure = stalled();
    shut();
    throw failure;
}

void CommPort::setPortNumber(int n)
{
    if (n < 1 || n > 255)
        throw CommError(Failure::NotFound,
                        QStringLiteral("Com%1: there is no such port number; ports are 1 to 255").arg(n));
    if (rawIsOpen())
        fail(Failure::Other, QStringLiteral("cannot change the port number"), QStringLiteral("the port is open"));
    m_portNumber = n;
    m_device.clear();
    m_fallback.clear();
}

void CommPort::setSettings(const QString &text)
{
    const SettingsParse parsed = parseCommSettings(text);
    if (!parsed.settings)
        fail(Failure::Other, QStringLiteral("invalid line settings"), parsed.error);
    m_settings = *parsed.settings;
    m_settingsText = text;
    if (!rawIsOpen())
        return;
    Call call(*this, "cannot apply line settings");
    if (!rawApply(m_settings) && !m_failure)
        fail(Failure::Other, QStringLiteral("cannot apply line settings"), QStringLiteral("the device refused them"));
    throwIfFailed();
}

void CommPort::open()
{
    if (rawIsOpen())
        fail(Failure::Other, QString::fromLatin1(kOpening), QStringLiteral("the port is already open"));
    m_device = deviceFor(m_portNumber);
    m_fallback = fallbackFor(m_portNumber);
    m_threshold = kReceiveThreshold;
    Call call(*this, kOpening);
    refuseSystemTerminal();
    // The lock file first and the device after it, so nobody slips in between.
    takeLockFile();
    if (!rawOpen(m_device, m_settings) && !m_failure)
        m_failure = describe({Failure::Other, QStringLiteral("unknown error")});
    throwIfFailed();
}

void CommPort::close()
{
    shut();
}

void CommPort::write(QByteArrayView text, bool more)
{
    Call call(*this, "cannot write");
    if (!rawIsOpen())
        fail(Failure::Other, QString::fromLatin1(m_operation), QStringLiteral("the port is not open"));
    if (more)
        rawHold(text);
    else
        rawWrite(text);
    throwIfFailed();
}

void CommPort::flush()
{
    Call call(*this, "cannot write");
    if (!rawIsOpen())
        fail(Failure::Other, QString::fromLatin1(m_operation), QStringLiteral("the port is not open"));
    rawFlush();
    if (!m_failure && rawIsOpen() && rawPending() > 0)
        m_failure = stalled();
    throwIfFailed();
}

QByteArray CommPort::takeAll()
{
    Call call(*this, "cannot read");
    if (!rawIsOpen())
        fail(Failure::Other, QString::fromLatin1(m_operation), QStringLiteral("the port is not open"));
    QByteArray bytes = rawTakeAll();
    throwIfFailed();
    return bytes;
}
