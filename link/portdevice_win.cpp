#include "link/portdevice.h"

QString deviceForPort(int n, const EnvLookup &)
{
    return QStringLiteral("COM%1").arg(n);
}
