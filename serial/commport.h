#pragma once

#include "serial/failure.h"
#include "wire/commsettings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

class LockHost;
class TerminalHost;

// A failure of the serial port: its kind, and the message with the port, its
// device and the system's reason.
class CommError : public std::runtime_error {
public:
    CommError(Failure kind, const QString &text) : std::runtime_error(text.toStdString()), m_kind(kind) {}
    Failure kind() const { return m_kind; }
    QString text() const { return QString::fromStdString(what()); }

private:
    Failure m_kind;
};

// What went wrong with a device, as the back-end saw it when it happened.
struct DeviceError {
    Failure kind = Failure::Other;
    QString text; // the system's own words, for the message only
};

// The serial component as the panel uses it. The rules every device follows
// live here: the receive threshold, which failures matter and how they are
// worded, that only the first failure counts, and how devices are kept from
// other programs (lock files, and locks on the open device). A back-end does
// the raw I/O and tells what kind of failure it met; it decides nothing.
//
// A failure found inside one of these calls is thrown from it as CommError, so
// the caller stops there. One found while nobody is calling (a lost device,
// seen by the event loop) is announced once through failed(). Either way the
// port is closed first.
class CommPort : public QObject {
    Q_OBJECT
public:
    static constexpr int kReceiveThreshold = 8;
    static constexpr int kInBufferSize = 1024;
    static constexpr int kOutBufferSize = 512; // what a back-end holds while the driver takes nothing

    explicit CommPort(QObject *parent = nullptr);

    void setPortNumber(int n);
    int portNumber() const { return m_portNumber; }
    void setSettings(const QString &text);
    QString settings() const { return m_settingsText; }
    void open();
    void close();
    bool isOpen() const { return rawIsOpen(); }
    // `more`: the rest of the command follows at once, so the bytes may wait for the flush.
    void write(QByteArrayView text, bool more = false);
    // Hands what has been written to the driver now, without waiting for the event loop.
    void flush();
    qint64 waiting() const { return rawIsOpen() ? rawWaiting() : 0; }
    QByteArray takeAll();
    // The receive event comes once this many characters wait (1..8); 8 unless
    // the reader holds the start of a reply and needs only the rest of it.
    void setReceiveThreshold(int count);
    // The command of `sent` characters just handed over, then its reply of
    // `length`, cross the line one after the other: a back-end that can stops
    // watching the line until the reply can be whole, rather than wake the
    // program for every character.
    void awaitReply(int sent, int length);
    // Watches the line again at once; true when it had not been watched.
    bool listenNow() { return rawIsOpen() && rawListenNow(); }
    // Bytes of commands the driver still holds unsent, where it can tell; else 0.
    qint64 unsent() const { return rawIsOpen() ? rawUnsent() : 0; }
    // The line has kept commands unsent for long: ends here as a line that takes no data.
    [[noreturn]] void failNotTaking();

    // "Com1 (/dev/ttyS0)": how failures name the port.
    QString portLabel() const;
    // A message about the port's device, with why the port opened it when it
    // fell back to it for want of an adapter: "... (no USB serial adapter is
    // plugged in, so Com1 fell back to /dev/ttyS0)"; else the message as it is.
    QString withFallback(const QString &text) const;
    // What ports 1..count would open now, as the user is told.
    virtual QList<QString> portDescriptions(int count) const;
    // The path the last open went by, as it was given.
    QString device() const { return m_device; }
    // The lock file this port holds under the device's own name while it is open; empty when it holds none.
    QString lockFile() const { return m_lockFiles.value(0); }

signals:
    void received();
    void failed(Failure kind, const QString &text);

protected:
    virtual QString deviceFor(int portNumber) const = 0;
    // How the system keeps devices from other programs; null where it has no such conventions.
    virtual LockHost *lockHost() const { return nullptr; }
    // What the system tells about its own terminals; null where it tells nothing.
    virtual TerminalHost *terminalHost() const { return nullptr; }
    // Why port n opens the device it does, when it fell back to it (see fallbackReason); else empty.
    virtual QString fallbackFor(int) const { return {}; }
    // False when the device cannot be opened; the reason comes through deviceError().
    // Takes the device's own lock (reported as Locked when another program has it).
    virtual bool rawOpen(const QString &device, const CommSettings &settings) = 0;
    virtual bool rawApply(const CommSettings &settings) = 0;
    virtual void rawClose() = 0;
    virtual bool rawIsOpen() const = 0;
    virtual void rawWrite(QByteArrayView text) = 0;
    // Bytes the rest of a command follows at once; a back-end that can may keep
    // them for the flush, so that a command reaches the driver in one piece.
    virtual void rawHold(QByteArrayView text) { rawWrite(text); }
    virtual void rawFlush() = 0;
    // Bytes written but not yet taken by the driver.
    virtual qint64 rawPending() const = 0;
    // Bytes written but not yet on the line, where the driver tells.
    virtual qint64 rawUnsent() const { return rawPending(); }
    virtual qint64 rawWaiting() const = 0;
    virtual QByteArray rawTakeAll() = 0;
    // Where the driver can wake the program only once `count` characters wait.
    virtual void rawSetWakeThreshold(int) {}
    // Where it can: the line is not watched for `ms`; what arrives meanwhile is told after.
    virtual void rawListenAfter(int) {}
    // Ends that wait early; true when it was still on.
    virtual bool rawListenNow() { return false; }

    // For back-ends: input has arrived; something went wrong.
    void arrived();
    void deviceError(const DeviceError &error);

private:
    static constexpr char kOpening[] = "cannot open";
    class Call;
    [[noreturn]] void fail(Failure kind, const QString &what, const QString &reason);
    CommError describe(const DeviceError &error) const;
    // "Com1 (/dev/ttyS0): what: reason", with the fallback for what happened opening it.
    QString worded(const QString &what, const QString &reason) const;
    QString lockHolder() const;
    // The device has not taken what was handed to it.
    CommError stalled() const;
    void shut();
    void throwIfFailed();
    // Nothing goes to the system's console or a login session's terminal.
    void refuseSystemTerminal();
    // Lock files: no live program may hold the device's, nor the name it was
    // given; then ours are taken under both.
    void takeLockFile();
    // Takes one lock file; false where this user may not make it.
    bool writeLockFile(const QString &file);
    [[noreturn]] void failNameTooLong();
    void clearLockFile(const QString &file);
    void releaseLockFile();

    int m_portNumber = 1;
    QString m_settingsText;
    CommSettings m_settings;
    QString m_device;
    QString m_fallback; // why m_device, when the port fell back to it
    QStringList m_lockFiles; // the device's own name first, then the one it was given
    // While a call runs, the operation it names ("cannot write"), and the first failure in it.
    const char *m_operation = nullptr;
    std::optional<CommError> m_failure;
    int m_threshold = kReceiveThreshold;
};

// Hands a command to the port piece by piece, as the board expects it.
inline void sendCommand(CommPort &port, const QList<QByteArray> &pieces)
{
    for (const QByteArray &piece : pieces)
        port.write(piece, true);
    port.flush();
}
