#include "link/ttydevice.h"

#include "link/devicename.h"

#include <QFileInfo>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <climits>

void askLowLatency(qintptr handle)
{
    serial_struct serial{};
    if (::ioctl(int(handle), TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY))
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(int(handle), TIOCSSERIAL, &serial);
}

bool isPseudoTerminalMaster(qintptr handle)
{
    unsigned int number = 0;
    return ::ioctl(int(handle), TIOCGPTN, &number) == 0;
}

bool lockNameTooLong(const QString &device)
{
    // Qt's lock file is LCK.. and the name below /dev, with '/' as '_'.
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    return QStringLiteral("LCK..").append(name).toLocal8Bit().size() > NAME_MAX;
}

OpenableName::OpenableName(const QString &device) : m_name(device)
{
    const QByteArray bytes = encodeDeviceName(device);
    if (device.toLocal8Bit() == bytes)
        return;
    // A handle that only names the file: opening it through /proc opens the device itself.
    m_handle = ::open(bytes.constData(), O_PATH | O_CLOEXEC);
    if (m_handle >= 0)
        m_name = QStringLiteral("/proc/self/fd/%1").arg(m_handle);
}

OpenableName::~OpenableName()
{
    if (m_handle >= 0)
        ::close(m_handle);
}
