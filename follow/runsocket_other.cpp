#include "follow/runsocket.h"

// No private local sockets here: a panel's run is not offered, and none found.
namespace runsocket {
QStringList folders() { return {}; }
QString offerFolder(QString *)
{
    return {};
}
QString socketName(const QString &) { return {}; }
QString portName(int) { return {}; }
void linkPort(const QString &, int, const QString &) {}
void unlinkPort(const QString &, int, const QString &) {}
int listenAt(const QString &, quint64 *, QString *why)
{
    *why = QStringLiteral("not offered on this system");
    return -1;
}
Peer accept(int) { return {}; }
Peer connectTo(const QString &) { return {}; }
qint64 ownUid() { return -1; }
QString programOf(qint64) { return {}; }
qint64 send(int, QByteArrayView) { return -1; }
qint64 receive(int, char *, qint64) { return -1; }
bool waitReadable(int, int) { return false; }
void close(int) {}
void remove(const QString &, quint64) {}
} // namespace runsocket
