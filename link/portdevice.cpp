#include "link/portdevice.h"

QString deviceForPort(int n)
{
    return deviceForPort(n, [](const QString &name) {
        return qEnvironmentVariable(name.toLocal8Bit().constData());
    });
}
