#include "wire/portdevice.h"

#include <algorithm>

namespace {
// Names compared with runs of digits as numbers, so ttyUSB2 comes before ttyUSB10.
bool namedBefore(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype i0 = i, j0 = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            const qulonglong x = a.sliced(i0, i - i0).toULongLong();
            const qulonglong y = b.sliced(j0, j - j0).toULongLong();
            if (x != y)
                return x < y;
        } else if (a[i] != b[j]) {
            return a[i] < b[j];
        } else {
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

// The USB serial adapters among the ports, in the order they are counted.
QList<SerialPortEntry> usbAdapters(const QList<SerialPortEntry> &ports)
{
    QList<SerialPortEntry> adapters;
    std::copy_if(ports.begin(), ports.end(), std::back_inserter(adapters),
                 [](const SerialPortEntry &p) { return p.usb; });
    std::stable_sort(adapters.begin(), adapters.end(), [](const SerialPortEntry &a, const SerialPortEntry &b) {
        return namedBefore(a.device, b.device);
    });
    return adapters;
}
} // namespace

QString fallbackDevice(int n, const QList<SerialPortEntry> &ports)
{
    const QList<SerialPortEntry> adapters = usbAdapters(ports);
    if (n >= 1 && n <= adapters.size())
        return adapters[n - 1].device;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

QString portVariable(int n)
{
    return QStringLiteral("ORVANE_COM%1").arg(n);
}

QString fallbackReason(int n, const QList<SerialPortEntry> &ports)
{
    const qsizetype count = usbAdapters(ports).size();
    if (n <= count)
        return {};
    if (count == 0)
        return QStringLiteral("no USB serial adapter is plugged in");
    return QStringLiteral("only %1 USB serial %2 plugged in")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("adapter is") : QStringLiteral("adapters are"));
}

QString describeDevice(const QString &device, const QList<SerialPortEntry> &ports)
{
    const auto known = std::find_if(ports.begin(), ports.end(),
                                    [&](const SerialPortEntry &p) { return p.device == device; });
    if (known == ports.end() || known->description.isEmpty())
        return device;
    return QStringLiteral("%1 (%2)").arg(device, known->description);
}
