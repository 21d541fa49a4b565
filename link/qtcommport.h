#pragma once

#include "link/commport.h"
#include "link/commsettings.h"

#include <QSerialPort>

class QtCommPort : public CommPort {
    Q_OBJECT
public:
    explicit QtCommPort(QObject *parent = nullptr);
    ~QtCommPort() override;

    void setPortNumber(int n) override;
    int portNumber() const override { return m_portNumber; }
    void setSettings(const QString &text) override;
    QString settings() const override { return m_settingsText; }
    void open() override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void write(QByteArrayView text) override;
    void flush() override;
    qint64 waiting() const override;
    QByteArray takeAll() override;
    QString portLabel() const override;

private:
    void announceReady();
    void handleError(QSerialPort::SerialPortError error);
    [[noreturn]] void fail(const QString &what, const QString &reason) const;

    QSerialPort m_port;
    int m_portNumber = 1;
    QString m_settingsText = QStringLiteral("9600,N,8,1");
    CommSettings m_settings;
    QString m_device;
    bool m_inCall = false;
};
