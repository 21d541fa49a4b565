#pragma once

#include "serial/commport.h"
#include "wire/portdevice.h"

#include <functional>
#include <memory>

// Where the ports' devices come from: the environment and the serial ports the
// system offers. Tests give their own, so that no port ever names a real device.
struct PortSource {
    EnvLookup env;
    std::function<QList<SerialPortEntry>()> ports;
    // The process's environment and the ports plugged in now.
    static PortSource system();
};

// The serial component over a real device.
class SystemCommPort : public CommPort {
    Q_OBJECT
public:
    explicit SystemCommPort(PortSource source = PortSource::system(), QObject *parent = nullptr);
    ~SystemCommPort() override;

    QList<QString> portDescriptions(int count) const override;

protected:
    QString deviceFor(int portNumber) const override;
    LockHost *lockHost() const override;
    TerminalHost *terminalHost() const override;
    QString fallbackFor(int portNumber) const override;
    bool rawOpen(const QString &device, const CommSettings &settings) override;
    bool rawApply(const CommSettings &settings) override;
    void rawClose() override;
    bool rawIsOpen() const override;
    void rawWrite(QByteArrayView text) override;
    void rawHold(QByteArrayView text) override;
    void rawFlush() override;
    qint64 rawPending() const override;
    qint64 rawUnsent() const override;
    qint64 rawWaiting() const override;
    QByteArray rawTakeAll() override;
    void rawSetWakeThreshold(int count) override;
    void rawListenAfter(int ms) override;
    bool rawListenNow() override;

private:
    struct Device; // the platform's own, one source file per platform
    PortSource m_source;
    std::unique_ptr<Device> d;
};
