#include "wire/lockfile.h"

#include "wire/devicename.h"

#include <QList>

#include <algorithm>
#include <cstring>

namespace {
constexpr qsizetype kNameMax = 255;
// No process ID on Linux is larger (PID_MAX_LIMIT).
constexpr qint64 kPidMax = 4'194'304;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView skipBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    return text;
}

// The first line, without its line ending.
QByteArrayView firstLine(QByteArrayView text)
{
    const qsizetype end = text.indexOf('\n');
    QByteArrayView line = end < 0 ? text : text.first(end);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

QByteArrayView restAfterLine(QByteArrayView text)
{
    const qsizetype end = text.indexOf('\n');
    return end < 0 ? QByteArrayView() : text.sliced(end + 1);
}

// A decimal PID that ends the text or a blank; 0 for anything else.
qint64 leadingPid(QByteArrayView text, qsizetype *length)
{
    qsizetype n = 0;
    qint64 pid = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') {
        pid = pid * 10 + (text[n] - '0');
        if (pid > kPidMax)
            return 0;
        ++n;
    }
    *length = n;
    return n > 0 && (n == text.size() || isBlank(text[n])) ? pid : 0;
}
} // namespace

QString lockFileName(const QString &device)
{
    const QLatin1String dev("/dev/");
    QString name = device.startsWith(dev) ? device.mid(dev.size()).replace(u'/', u'_')
                                          : device.mid(device.lastIndexOf(u'/') + 1);
    name.prepend(QLatin1String("LCK.."));
    return encodeDeviceName(name).size() > kNameMax ? QString() : name;
}

LockOwner parseLockFile(QByteArrayView bytes)
{
    // Four bytes of text would make a PID far above the largest there is.
    if (bytes.size() == 4) {
        qint32 binary = 0;
        std::memcpy(&binary, bytes.data(), sizeof binary);
        if (binary > 0 && binary <= kPidMax)
            return {binary, {}};
    }
    const QByteArrayView line = skipBlanks(firstLine(bytes));
    qsizetype length = 0;
    const qint64 pid = leadingPid(line, &length);
    if (pid == 0)
        return {};
    // HDB may name the program after the PID, and maybe its user after that;
    // Qt names it on a line of its own.
    QByteArrayView name = skipBlanks(line.sliced(length));
    if (name.isEmpty())
        name = firstLine(restAfterLine(bytes)).trimmed();
    else
        name = name.first(std::find_if(name.begin(), name.end(), isBlank) - name.begin());
    return {pid, QString::fromUtf8(name)};
}

QByteArray formatLockFile(qint64 pid, const QString &program)
{
    const QByteArray name = program.isEmpty() ? QByteArray() : ' ' + program.toUtf8();
    return QByteArray::number(pid).rightJustified(10, ' ') + name + '\n';
}

std::optional<qint64> flockHolder(QByteArrayView procLocks, const LockedFile &file)
{
    // "1: FLOCK  ADVISORY  WRITE 4242 00:19:3 0 EOF"; a waiter has "->" before FLOCK.
    for (QByteArrayView rest = procLocks; !rest.isEmpty(); rest = restAfterLine(rest)) {
        const QList<QByteArray> fields = firstLine(rest).toByteArray().simplified().split(' ');
        if (fields.size() < 6 || fields[1] != "FLOCK" || fields[3] != "WRITE")
            continue;
        const QList<QByteArray> id = fields[5].split(':');
        bool ok[3] = {};
        if (id.size() != 3 || id[0].toUInt(&ok[0], 16) != file.major
            || id[1].toUInt(&ok[1], 16) != file.minor || id[2].toULongLong(&ok[2]) != file.inode
            || !(ok[0] && ok[1] && ok[2]))
            continue;
        return qMax<qint64>(fields[4].toLongLong(), 0);
    }
    return std::nullopt;
}
