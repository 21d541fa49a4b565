#include "wire/portdevice.h"

QString deviceForPort(int n, const EnvLookup &env, const QList<SerialPortEntry> &)
{
    const QString chosen = env(portVariable(n));
    return chosen.isEmpty() ? QStringLiteral("COM%1").arg(n) : chosen;
}

QString portFallbackReason(int, const EnvLookup &, const QList<SerialPortEntry> &)
{
    return {};
}
