#include "link/lockfile.h"

#include <QList>
#include <QtEndian>

namespace lockfile {

QString nameFor(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    return QStringLiteral("LCK..") + name.replace(u'/', u'_');
}

std::optional<Owner> parse(const QByteArray &content)
{
    if (content.size() == 4) {
        const qint32 pid = qFromUnaligned<qint32>(content.constData());
        return pid > 0 ? std::optional<Owner>(Owner{pid, {}}) : std::nullopt;
    }
    const QList<QByteArray> words = content.simplified().split(' ');
    bool ok = false;
    const qint64 pid = words.value(0).toLongLong(&ok);
    if (!ok || pid <= 0)
        return std::nullopt;
    return Owner{pid, QString::fromUtf8(words.value(1))};
}

QByteArray format(qint64 pid, const QString &program)
{
    return QByteArray::number(pid).rightJustified(10, ' ') + ' ' + program.toUtf8() + '\n';
}

std::optional<qint64> flockHolder(const QByteArray &table, quint32 major, quint32 minor, quint64 inode)
{
    const QByteArray file = QByteArray::number(major, 16).rightJustified(2, '0') + ':'
                            + QByteArray::number(minor, 16).rightJustified(2, '0') + ':' + QByteArray::number(inode);
    for (const QByteArray &line : table.split('\n')) {
        // "1: FLOCK  ADVISORY  WRITE 4242 00:05:87 0 EOF"; waiters carry "->".
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() >= 6 && f[1] == "FLOCK" && f[3] == "WRITE" && f[5] == file)
            return f[4].toLongLong();
    }
    return std::nullopt;
}

} // namespace lockfile
