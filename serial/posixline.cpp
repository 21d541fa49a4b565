#include "serial/posixline.h"

#include <QSerialPort>

#include <cerrno>
#include <cstring>

namespace posixline {

namespace {
speed_t speedOf(qint32 baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}
} // namespace

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Failure openFailure(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return Failure::NotFound;
    case EACCES:
    case EPERM:
        return Failure::NotPermitted;
    case EBUSY:
        return Failure::Busy;
    default:
        return Failure::Other;
    }
}

Failure lineFailure(int error)
{
    switch (error) {
    case EAGAIN:
        return Failure::Stalled;
    case EIO:
    case ENXIO:
    case ENODEV:
    case EPIPE:
    case EBADF:
        return Failure::Lost;
    default:
        return Failure::Other;
    }
}

bool lineSettings(termios &tio, const CommSettings &s, int wakeAt)
{
    const speed_t speed = speedOf(s.baud);
    if (speed == B0)
        return false;
    cfmakeraw(&tio);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= kSizes[qBound(5, int(s.dataBits), 8) - 5];
    if (s.stopBits != QSerialPort::OneStop)
        tio.c_cflag |= CSTOPB;
    if (s.parity != QSerialPort::NoParity)
        tio.c_cflag |= PARENB | INPCK;
    if (s.parity == QSerialPort::OddParity)
        tio.c_cflag |= PARODD;
#ifdef CMSPAR
    if (s.parity == QSerialPort::MarkParity || s.parity == QSerialPort::SpaceParity)
        tio.c_cflag |= CMSPAR | (s.parity == QSerialPort::MarkParity ? PARODD : 0);
#endif
    tio.c_cc[VMIN] = cc_t(wakeAt);
    tio.c_cc[VTIME] = 0;
    return true;
}

} // namespace posixline
