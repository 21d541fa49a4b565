#pragma once

#include "link/commsettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <stdexcept>

// A failure of the serial port, with the port, its device and the system's reason.
class CommError : public std::runtime_error {
public:
    explicit CommError(const QString &text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// An error as a device reports it: Qt's class of it, the errno behind it when
// there is one, and the system's own words.
struct DeviceError {
    QSerialPort::SerialPortError code = QSerialPort::NoError;
    int sysError = 0;
    QString text;
};

// The serial component as the panel uses it. The rules every device follows
// live here: the receive threshold, which errors matter, how they are worded,
// and that only the first failure counts. A back-end supplies the raw I/O and
// reports what goes wrong through deviceError(); it decides nothing.
//
// A failure found inside one of these calls is thrown from it as CommError, so
// the caller stops there. One found while nobody is calling (a lost device,
// seen by the event loop) is announced once through failed(). Either way the
// port is closed first.
class CommPort : public QObject {
    Q_OBJECT
public:
    static constexpr int kReceiveThreshold = 8;
    static constexpr int kInputLength = 0; // take everything
    static constexpr int kInBufferSize = 1024;
    // Each command is handed to the driver as it is written, so anything still
    // held here means the device is not taking data.
    static constexpr int kOutBufferSize = 512;

    using QObject::QObject;

    void setPortNumber(int n);
    int portNumber() const { return m_portNumber; }
    void setSettings(const QString &text);
    QString settings() const { return m_settingsText; }
    void open();
    void close();
    bool isOpen() const { return rawIsOpen(); }
    void write(QByteArrayView text);
    // Hands what has been written to the driver now, without waiting for the event loop.
    void flush();
    qint64 waiting() const { return rawIsOpen() ? rawWaiting() : 0; }
    QByteArray takeAll();
    // The receive event comes once this many characters wait (1..8); 8 unless
    // the reader holds the start of a reply and needs only the rest of it.
    void setReceiveThreshold(int count);
    // Bytes of commands the driver still holds unsent, where it can tell; else 0.
    qint64 unsent() const { return rawIsOpen() ? rawUnsent() : 0; }
    // The line has kept commands unsent for long: ends here as a line that takes no data.
    [[noreturn]] void failNotTaking();

    // "Com1 (/dev/ttyS0)": how failures name the port.
    QString portLabel() const;
    // What ports 1..count would open now, as the user is told.
    virtual QList<QString> portDescriptions(int count) const;

signals:
    void received();
    void failed(const QString &text);

protected:
    virtual QString deviceFor(int portNumber) const = 0;
    // False when the device cannot be opened; the reason comes through deviceError().
    virtual bool rawOpen(const QString &device, const CommSettings &settings) = 0;
    virtual bool rawApply(const CommSettings &settings) = 0;
    virtual void rawClose() = 0;
    virtual bool rawIsOpen() const = 0;
    virtual void rawWrite(QByteArrayView text) = 0;
    virtual void rawFlush() = 0;
    // Bytes written but not yet taken by the driver.
    virtual qint64 rawPending() const = 0;
    virtual qint64 rawUnsent() const { return 0; }
    virtual qint64 rawWaiting() const = 0;
    virtual QByteArray rawTakeAll() = 0;
    // Where the driver can wake the program only once `count` characters wait.
    virtual void rawSetWakeThreshold(int) {}

    // For back-ends: input has arrived; something went wrong.
    void arrived();
    void deviceError(const DeviceError &error);

private:
    // What an error means for the panel.
    enum class Verdict { Harmless, Busy, StaleLock, NotSerial, Unlockable, Stall, Lost, Other };
    static Verdict judge(const DeviceError &error, bool opening);

    class Call;
    [[noreturn]] void fail(const QString &what, const QString &reason);
    QString describe(const DeviceError &error, Verdict verdict) const;
    // The device has not taken what was handed to it.
    QString stalled() const;
    void throwIfFailed();

    int m_portNumber = 1;
    QString m_settingsText = QStringLiteral("9600,N,8,1");
    CommSettings m_settings;
    QString m_device;
    // While a call runs, the operation it names ("cannot write"), and the first failure in it.
    const char *m_operation = nullptr;
    QString m_failure;
    int m_threshold = kReceiveThreshold;
};

// Hands a command to the port piece by piece, as the board expects it.
inline void sendCommand(CommPort &port, const QList<QByteArray> &pieces)
{
    for (const QByteArray &piece : pieces)
        port.write(piece);
    port.flush();
}
