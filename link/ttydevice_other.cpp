#include "link/ttydevice.h"

void askLowLatency(qintptr)
{
}

bool isPseudoTerminalMaster(qintptr)
{
    return false;
}

bool lockNameTooLong(const QString &)
{
    return false;
}

QString lockFileOf(const QString &)
{
    return {};
}

LockHolder describeLock(const QString &)
{
    return {};
}

OpenableName::OpenableName(const QString &device) : m_name(device)
{
}

OpenableName::~OpenableName() = default;
