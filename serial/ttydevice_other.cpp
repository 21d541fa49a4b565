#include "serial/ttydevice.h"

bool askLowLatency(int)
{
    return false;
}

void restoreLatency(int)
{
}

bool isPseudoTerminalMaster(int)
{
    return false;
}

QString processName(qint64)
{
    return {};
}

std::optional<qint64> deviceFlockHolder(const QByteArray &)
{
    return std::nullopt;
}
