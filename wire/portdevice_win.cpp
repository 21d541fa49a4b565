#include "wire/portdevice.h"

QString deviceForPort(int n, const EnvLookup &env, const QList<SerialPortEntry> &)
{
    const QString chosen = env(QStringLiteral("ORVANE_COM%1").arg(n));
    return chosen.isEmpty() ? QStringLiteral("COM%1").arg(n) : chosen;
}
