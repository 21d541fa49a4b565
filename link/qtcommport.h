#pragma once

#include "link/commport.h"

#include <QSerialPort>

// The serial component over a real device, through QSerialPort.
class QtCommPort : public CommPort {
    Q_OBJECT
public:
    explicit QtCommPort(QObject *parent = nullptr);
    ~QtCommPort() override;

    QList<QString> portDescriptions(int count) const override;

protected:
    QString deviceFor(int portNumber) const override;
    bool rawOpen(const QString &device, const CommSettings &settings) override;
    bool rawApply(const CommSettings &settings) override;
    void rawClose() override;
    bool rawIsOpen() const override { return m_port.isOpen(); }
    void rawWrite(QByteArrayView text) override;
    void rawFlush() override;
    qint64 rawPending() const override { return m_port.bytesToWrite(); }
    qint64 rawWaiting() const override { return m_port.bytesAvailable(); }
    QByteArray rawTakeAll() override { return m_port.readAll(); }

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
};
