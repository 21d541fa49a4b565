#pragma once

// What kind of failure ended a call or a run. The message says it to the user;
// the kind is for whoever acts on it, such as the recorder's exit status. The
// board's kinds are the scan engine's to find, above the port; they are here
// so that one enum names every failure a run can end on.
enum class Failure {
    Harmless,        // nothing that stops the port, such as a modem-line request a pseudo-terminal refuses
    NotFound,        // there is no such device, or no such port
    NotPermitted,    // this user may not open it, or clear the lock file left on it
    Busy,            // another program has opened it for itself alone
    Locked,          // another program holds a lock on the device, or its lock file
    NotSerial,       // it opens, but is no serial port
    Console,         // the system's console or a login session's terminal: never a board's line
    Lost,            // unplugged, hung up, at its end, or failing input and output
    Stalled,         // what was written stays unsent: the line takes no data
    BoardSilent,     // the board answers no measure command
    BoardUnreadable, // bytes come back, none of them a reading
    Other,
};
