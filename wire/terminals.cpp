#include "wire/terminals.h"

#include <QByteArray>
#include <QList>

QString terminalName(const QString &realDevice)
{
    const QLatin1String dev("/dev/");
    return realDevice.startsWith(dev) ? realDevice.mid(dev.size()) : QString();
}

QStringList consoleTerminals(QByteArrayView procConsoles, QByteArrayView activeConsoles, const QString &foreground)
{
    QStringList names{QStringLiteral("console")};
    // "ttyS0                -W- (EC  p a)    4:64": E when the kernel writes to it.
    for (const QByteArray &line : procConsoles.toByteArray().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        const qsizetype open = line.indexOf('('), shut = line.indexOf(')');
        if (fields.size() > 1 && open >= 0 && shut > open && line.sliced(open, shut - open).contains('E'))
            names << QString::fromLatin1(fields[0]);
    }
    for (const QByteArray &name : activeConsoles.toByteArray().simplified().split(' '))
        if (!name.isEmpty())
            names << QString::fromLatin1(name);
    if (names.contains(u"tty0") && !foreground.isEmpty())
        names << foreground;
    names.removeDuplicates();
    return names;
}

std::optional<TerminalNumber> controllingTerminal(QByteArrayView procStat)
{
    // "pid (comm) state ppid pgrp session tty_nr ...": the name may hold blanks and parentheses.
    const qsizetype nameEnd = procStat.toByteArray().lastIndexOf(')');
    if (nameEnd < 0)
        return std::nullopt;
    const QList<QByteArray> fields = procStat.sliced(nameEnd + 1).toByteArray().simplified().split(' ');
    bool ok = false;
    const quint32 tty = fields.size() > 4 ? fields[4].toUInt(&ok) : 0;
    if (!ok || tty == 0)
        return std::nullopt;
    return TerminalNumber{(tty >> 8) & 0xfff, (tty & 0xff) | ((tty >> 12) & 0xfff00)};
}
