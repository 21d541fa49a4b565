#pragma once

#include "serial/terminalhost.h"

#include <QSet>

// The system's terminals, pretended: a serial console on ttyS0, tty1 in front.
class FakeTerminalHost : public TerminalHost {
public:
    QByteArray consoles = "ttyS0                -W- (EC  p a)    4:64\n";
    QByteArray active = "ttyS0\n";
    QString foreground = QStringLiteral("tty1");
    QSet<QString> sessions; // devices some session has as its controlling terminal

    QByteArray consoleList() const override { return consoles; }
    QByteArray activeConsoles() const override { return active; }
    QString foregroundTerminal() const override { return foreground; }
    bool controlsSession(const QString &device) const override { return sessions.contains(device); }
};
