#include "link/portdevice.h"

QString deviceForPort(int n, const EnvLookup &env, const QList<SerialPortEntry> &ports)
{
    const QString chosen = env(QStringLiteral("ORVANE_COM%1").arg(n));
    return chosen.isEmpty() ? fallbackDevice(n, ports) : chosen;
}
