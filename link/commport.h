#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QString>

#include <stdexcept>

// A failure of the serial port, with the port, its device and the system's reason.
class CommError : public std::runtime_error {
public:
    explicit CommError(const QString &text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// The serial component as the panel uses it. Calls that fail throw CommError;
// a failure found while the port is open on its own (a lost device) closes the
// port and is announced once through failed().
class CommPort : public QObject {
    Q_OBJECT
public:
    static constexpr int kReceiveThreshold = 8;
    static constexpr int kInputLength = 0; // take everything
    static constexpr int kInBufferSize = 1024;
    static constexpr int kOutBufferSize = 512;

    using QObject::QObject;

    virtual void setPortNumber(int n) = 0;
    virtual int portNumber() const = 0;
    virtual void setSettings(const QString &text) = 0;
    virtual QString settings() const = 0;
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void write(QByteArrayView text) = 0;
    // Sends what has been written so far without waiting for the event loop.
    virtual void flush() {}
    virtual qint64 waiting() const = 0;
    virtual QByteArray takeAll() = 0;

    // "Com1 (/dev/ttyS0)": how failures name the port.
    virtual QString portLabel() const = 0;

signals:
    void received();
    void failed(const QString &text);
};

// Hands a command to the port piece by piece, as the board expects it.
inline void sendCommand(CommPort &port, const QList<QByteArray> &pieces)
{
    for (const QByteArray &piece : pieces)
        port.write(piece);
    port.flush();
}
