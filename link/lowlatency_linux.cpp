#include "link/lowlatency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

void askLowLatency(qintptr handle)
{
    serial_struct serial{};
    if (::ioctl(int(handle), TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY))
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(int(handle), TIOCSSERIAL, &serial);
}
