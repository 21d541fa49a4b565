#pragma once

#include "fakelockhost.h"
#include "faketerminalhost.h"
#include "serial/commport.h"

#include <QTimer>

#include <optional>

// The serial component over a pretend device: only the raw I/O is its own, so
// it fails the way the real one does. It records every write and holds input
// fed by the test. A failure can be set up to come from write(), from flush(),
// or later from the event loop; lock files and device locks through `locks`,
// the system's own terminals through `terminals`.
class FakeCommPort : public CommPort {
    Q_OBJECT
public:
    using CommPort::CommPort;

    // A device gone, and a line that takes nothing more, in the system's words.
    static DeviceError ioError() { return {Failure::Lost, QStringLiteral("Input/output error")}; }
    static DeviceError noRoom() { return {Failure::Stalled, QStringLiteral("Resource temporarily unavailable")}; }

    // The board's answer to a measure command.
    static QByteArray reply(int reading)
    {
        return "x\r\n" + QByteArray::number(reading, 16).toUpper().rightJustified(2, '0') + "\r\n>";
    }
    // Characters arrive from the board; the event comes once enough are waiting.
    void feed(const QByteArray &bytes)
    {
        m_input += bytes;
        arrived();
    }
    // They arrive while the event loop is busy elsewhere: no event yet.
    void arriveUnseen(const QByteArray &bytes) { m_input += bytes; }
    // The device reports a failure while nobody is calling, as a lost device does.
    void failNow(const DeviceError &error = ioError()) { deviceError(error); }
    void failLater(const DeviceError &error = ioError())
    {
        QTimer::singleShot(0, this, [this, error] { deviceError(error); });
    }
    QByteArray sent() const { return writes.join(); }
    void clearSent() { writes.clear(); }

    QList<QByteArray> writes;
    // Refusals of the pretend driver, told to CommPort as every back-end tells
    // them: a kind and the system's words, which CommPort's rules turn into the failure.
    std::optional<DeviceError> openFailure;
    std::optional<DeviceError> writeFailure;
    std::optional<DeviceError> flushFailure;
    bool stalled = false; // the driver takes nothing more, so flushed bytes stay pending
    bool deviceLocked = false; // another program holds a lock on the device
    qint64 driverHolds = 0;    // bytes the driver keeps unsent, as a hung adapter does
    FakeLockHost *locks = nullptr; // lock files, when the test keeps them
    FakeTerminalHost *terminals = nullptr;
    QMap<int, QString> devices;    // what a port opens, when not /dev/fakeN
    QMap<int, QString> fallbacks;  // why a port fell back to its device, when it did
    int opens = 0;
    int closes = 0;
    QList<int> quietMs; // each time the line was not to be watched for a reply's crossing
    bool quiet = false; // that wait is still on; input is told regardless
    mutable int waitingAsked = 0; // how often the driver was asked what waits

protected:
    QString deviceFor(int portNumber) const override
    {
        return devices.value(portNumber, QStringLiteral("/dev/fake%1").arg(portNumber));
    }
    LockHost *lockHost() const override { return locks; }
    TerminalHost *terminalHost() const override { return terminals; }
    QString fallbackFor(int portNumber) const override { return fallbacks.value(portNumber); }
    bool rawOpen(const QString &, const CommSettings &) override
    {
        if (openFailure || deviceLocked) {
            deviceError(openFailure ? *openFailure : DeviceError{Failure::Locked, QStringLiteral("Resource temporarily unavailable")});
            return false;
        }
        m_open = true;
        ++opens;
        return true;
    }
    bool rawApply(const CommSettings &) override { return true; }
    void rawClose() override
    {
        m_open = false;
        quiet = false;
        m_pending.clear();
        m_input.clear();
        ++closes;
    }
    bool rawIsOpen() const override { return m_open; }
    void rawWrite(QByteArrayView text) override
    {
        if (writeFailure) {
            deviceError(*writeFailure);
            return;
        }
        writes.append(text.toByteArray());
        m_pending += text.toByteArray();
    }
    void rawFlush() override
    {
        if (flushFailure)
            deviceError(*flushFailure);
        else if (stalled && !m_pending.isEmpty())
            deviceError(noRoom());
        else
            m_pending.clear();
    }
    qint64 rawPending() const override { return m_pending.size(); }
    qint64 rawUnsent() const override { return m_pending.size() + driverHolds; }
    qint64 rawWaiting() const override
    {
        ++waitingAsked;
        return m_input.size();
    }
    QByteArray rawTakeAll() override { return std::exchange(m_input, {}); }
    void rawListenAfter(int ms) override
    {
        quietMs << ms;
        quiet = true;
    }
    bool rawListenNow() override { return std::exchange(quiet, false); }

private:
    bool m_open = false;
    QByteArray m_pending;
    QByteArray m_input;
};
