#include "serial/commport.h"

#include "wire/portdevice.h"
#include "wire/terminals.h"
#include "serial/lockhost.h"
#include "serial/terminalhost.h"

void CommPort::refuseSystemTerminal()
{
    const TerminalHost *host = terminalHost();
    if (!host)
        return;
    // A link to the console is the console.
    const LockHost *locks = lockHost();
    const QString real = locks ? locks->realDevice(m_device) : m_device;
    const QString name = terminalName(real);
    QString what;
    if (consoleTerminals(host->consoleList(), host->activeConsoles(), host->foregroundTerminal()).contains(name))
        what = QStringLiteral("the system's console");
    // /dev/tty is whichever terminal this program's own session has.
    else if (name == u"tty" || host->controlsSession(real))
        what = QStringLiteral("the terminal of a login session");
    else
        return;
    fail(Failure::Console, QString::fromLatin1(kOpening),
         QStringLiteral("it is %1, not a board's line, so nothing was sent to it (plug the board's adapter in, "
                        "or name its device in %2 or with --device)")
             .arg(what, portVariable(m_portNumber)));
}
