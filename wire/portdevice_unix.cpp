#include "wire/portdevice.h"

QString deviceForPort(int n, const EnvLookup &env, const QList<SerialPortEntry> &ports)
{
    const QString chosen = env(portVariable(n));
    if (chosen.isEmpty())
        return fallbackDevice(n, ports);
    // As Qt takes them: a bare name is a device under /dev.
    const bool path = chosen.startsWith(u'/') || chosen.startsWith(QLatin1String("./"))
                      || chosen.startsWith(QLatin1String("../"));
    return path ? chosen : QStringLiteral("/dev/") + chosen;
}

QString portFallbackReason(int n, const EnvLookup &env, const QList<SerialPortEntry> &ports)
{
    return env(portVariable(n)).isEmpty() ? fallbackReason(n, ports) : QString();
}
