#pragma once

#include <QSerialPort>
#include <QString>

#include <functional>
#include <optional>

// A line settings text such as "9600,N,8,1", parsed and checked.
struct CommSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    friend bool operator==(const CommSettings &, const CommSettings &) = default;
};

struct SettingsParse {
    std::optional<CommSettings> settings;
    QString error; // says what is wrong when settings is empty
};

SettingsParse parseCommSettings(QStringView text);

using EnvLookup = std::function<QString(const QString &name)>;

// Device that port number n (1-based) names: COMn on Windows; elsewhere
// $ORVANE_COMn when set, else /dev/ttyS<n-1>.
QString deviceForPort(int n, const EnvLookup &env);
QString deviceForPort(int n);
