#include "app/display.h"

// Windows and macOS have one window system, always there.
bool prepareDisplay(int, char *[])
{
    return true;
}

StartRuntimeFolder::StartRuntimeFolder() = default;
StartRuntimeFolder::~StartRuntimeFolder() = default;

NoDisplayExit::NoDisplayExit() = default;
NoDisplayExit::~NoDisplayExit() = default;
