#pragma once

// Asks the scheduler to wake this thread on time: no timer slack, and a short
// time slice so that a woken thread may cut in on a busy core. Needs no
// privilege, keeps a policy the user chose, and is silently ignored where not
// supported. For the program's main thread, once.
void requestPreciseScheduling();
