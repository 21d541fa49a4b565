#pragma once

#include <functional>

class QObject;

// Runs `stop` from the event loop when the program is told to stop: SIGTERM (a
// kill, the session ending), SIGHUP (the terminal going away) or SIGINT
// (Ctrl-C). A signal ignored when this is called, as nohup leaves SIGHUP, stays
// ignored. Once per program, with the application object made; `context` owns
// the watch and `stop` runs in its thread.
void whenToldToStop(QObject *context, std::function<void()> stop);
