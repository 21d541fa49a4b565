#pragma once

#include <QSerialPort>
#include <QString>

#include <chrono>
#include <optional>
#include <span>

// A line settings text such as "9600,N,8,1", parsed and checked.
struct CommSettings {
    qint32 baud = 0;
    QSerialPort::Parity parity{};
    QSerialPort::DataBits dataBits{};
    QSerialPort::StopBits stopBits{};
    friend bool operator==(const CommSettings &, const CommSettings &) = default;
};

// How each field is written in a settings text.
template<class T>
struct SettingsWord {
    const char *text;
    T value;
};
std::span<const SettingsWord<QSerialPort::Parity>> parityWords();     // N, E, O, M, S
std::span<const SettingsWord<QSerialPort::DataBits>> dataBitsWords(); // 5..8
std::span<const SettingsWord<QSerialPort::StopBits>> stopBitsWords(); // 1, 1.5, 2

struct SettingsParse {
    std::optional<CommSettings> settings;
    QString error; // says what is wrong when settings is empty
};

SettingsParse parseCommSettings(QStringView text);
// The canonical text of settings, e.g. "9600,N,8,1".
QString formatCommSettings(const CommSettings &settings);
// How long a character takes on the line: its start, data, parity and stop bits.
std::chrono::nanoseconds characterTime(const CommSettings &settings);
