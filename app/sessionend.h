#pragma once

// When the desktop session ends or the program is told to stop (SIGTERM,
// SIGHUP, SIGINT), it ends as if its windows had been closed: the port is
// closed, its lock released, and the exit status is 0. A signal ignored when
// the program started (as nohup ignores SIGHUP) stays ignored.
void quitWhenSessionEnds();
