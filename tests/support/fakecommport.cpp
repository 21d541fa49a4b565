#include "fakecommport.h"

#include <cerrno>

DeviceError FakeCommPort::ioError()
{
    return {QSerialPort::ResourceError, EIO, QStringLiteral("Input/output error")};
}

DeviceError FakeCommPort::noRoom()
{
    return {QSerialPort::ResourceError, EAGAIN, QStringLiteral("Resource temporarily unavailable")};
}
