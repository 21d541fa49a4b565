#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The system's side of offering a run: private local sockets, one per device,
// each end told who is at the other. One source file per platform; where
// there are none, nothing is offered and nothing found.
namespace runsocket {

// A connected socket and who is at its other end, as the system tells it.
struct Peer {
    int fd = -1;
    qint64 uid = -1;
    qint64 pid = 0;
    bool isOpen() const { return fd >= 0; }
};

// The private folders a run may be offered in, best first: the user's runtime
// folder, then one of its own in the temporary folder. Only folders that are
// this user's alone are given.
QStringList folders();
// The folder to offer in, made if need be; empty, with `why`, when there is none
// safe (`why` empty too where the system offers nothing).
QString offerFolder(QString *why);
// The socket's name for `device`, the same for every name of the device.
QString socketName(const QString &device);

// The name by which a panel's port number leads to its socket: "Com1.sock".
QString portName(int port);
// `folder`/portName(port) made a link to `socketName`, whatever stood there replaced.
void linkPort(const QString &folder, int port, const QString &socketName);
// The link removed, unless it leads elsewhere by now.
void unlinkPort(const QString &folder, int port, const QString &socketName);

// Listening, not blocking, at `path`, whatever stood there removed first. -1
// on failure, with `why`. `inode` tells the socket's file apart from a later one.
int listenAt(const QString &path, quint64 *inode, QString *why);
// A connection waiting at `listenFd`, not blocking; closed when there is none.
Peer accept(int listenFd);
// Connected to `path`, not blocking; closed when nobody listens there.
Peer connectTo(const QString &path);
qint64 ownUid();
// A process's name as the system gives it; empty where it does not.
QString programOf(qint64 pid);

// Bytes written, 0 when the socket takes none now, -1 when it is broken.
qint64 send(int fd, QByteArrayView bytes);
// Bytes read into `buffer`, 0 when none wait, -1 at the end or when broken.
qint64 receive(int fd, char *buffer, qint64 size);
// Waits up to `ms` for something to read; false when nothing came.
bool waitReadable(int fd, int ms);
void close(int fd);
// Removes the socket's file, unless it is another's made since.
void remove(const QString &path, quint64 inode);
} // namespace runsocket
