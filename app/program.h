#pragma once

#include <functional>

class Orvane;

// The whole program: the application, the main window on the real serial
// port, and the event loop until the last window is closed or the session
// ends. `started`, when given, is called once the window is shown.
int runProgram(int argc, char *argv[], const std::function<void(Orvane &)> &started = {});
