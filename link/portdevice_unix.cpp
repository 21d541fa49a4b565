#include "link/portdevice.h"

QString deviceForPort(int n, const EnvLookup &env)
{
    const QString chosen = env(QStringLiteral("ORVANE_COM%1").arg(n));
    if (!chosen.isEmpty())
        return chosen;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}
