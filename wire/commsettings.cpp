#include "wire/commsettings.h"

#include <QList>

#include <algorithm>

namespace {
constexpr SettingsWord<QSerialPort::Parity> kParities[] = {
    {"N", QSerialPort::NoParity},   {"E", QSerialPort::EvenParity},  {"O", QSerialPort::OddParity},
    {"M", QSerialPort::MarkParity}, {"S", QSerialPort::SpaceParity},
};
constexpr SettingsWord<QSerialPort::DataBits> kDataBits[] = {
    {"5", QSerialPort::Data5}, {"6", QSerialPort::Data6}, {"7", QSerialPort::Data7}, {"8", QSerialPort::Data8},
};
constexpr SettingsWord<QSerialPort::StopBits> kStopBits[] = {
    {"1", QSerialPort::OneStop}, {"1.5", QSerialPort::OneAndHalfStop}, {"2", QSerialPort::TwoStop},
};

SettingsParse fail(const QString &why)
{
    return {std::nullopt, why};
}

// Qt's number and case conversions accept more than plain ASCII (they stop at a
// NUL, and fold letters such as U+017F to 'S'), so fields are checked first.
bool isDigits(QStringView text)
{
    return !text.isEmpty()
           && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

template<class T>
std::optional<T> lookUp(std::span<const SettingsWord<T>> words, QStringView field)
{
    for (const SettingsWord<T> &word : words)
        if (field == QLatin1String(word.text))
            return word.value;
    return std::nullopt;
}

template<class T>
const char *wordFor(std::span<const SettingsWord<T>> words, T value)
{
    for (const SettingsWord<T> &word : words)
        if (word.value == value)
            return word.text;
    return "?";
}
} // namespace

std::span<const SettingsWord<QSerialPort::Parity>> parityWords() { return kParities; }
std::span<const SettingsWord<QSerialPort::DataBits>> dataBitsWords() { return kDataBits; }
std::span<const SettingsWord<QSerialPort::StopBits>> stopBitsWords() { return kStopBits; }

SettingsParse parseCommSettings(QStringView text)
{
    const QList<QStringView> fields = text.split(u',');
    if (fields.size() != 4)
        return fail(QStringLiteral("line settings \"%1\" must have four fields: "
                                   "baud,parity,data bits,stop bits")
                        .arg(text));
    CommSettings s;

    bool ok = false;
    const QStringView baud = fields[0].trimmed();
    const qlonglong rate = isDigits(baud) && baud.size() <= 10 ? baud.toLongLong(&ok) : 0;
    if (!ok || rate < 1 || rate > 4000000)
        return fail(QStringLiteral("baud rate \"%1\" is not a whole number from 1 to 4000000")
                        .arg(baud));
    s.baud = qint32(rate);

    const QStringView parityField = fields[1].trimmed();
    const QString parity = parityField.size() == 1 && parityField[0].unicode() < 128
                               ? parityField.toString().toUpper()
                               : QString();
    const auto parityValue = lookUp(parityWords(), QStringView(parity));
    if (!parityValue)
        return fail(QStringLiteral("parity \"%1\" is not one of N, E, O, M, S").arg(parityField));
    s.parity = *parityValue;

    const QStringView data = fields[2].trimmed();
    const auto dataValue = lookUp(dataBitsWords(), data);
    if (!dataValue)
        return fail(QStringLiteral("data bits \"%1\" are not 5, 6, 7 or 8").arg(data));
    s.dataBits = *dataValue;

    const QStringView stop = fields[3].trimmed();
    const auto stopValue = lookUp(stopBitsWords(), stop);
    if (!stopValue)
        return fail(QStringLiteral("stop bits \"%1\" are not 1, 1.5 or 2").arg(stop));
    s.stopBits = *stopValue;

    return {s, {}};
}

QString formatCommSettings(const CommSettings &s)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(s.baud)
        .arg(QLatin1String(wordFor(parityWords(), s.parity)))
        .arg(QLatin1String(wordFor(dataBitsWords(), s.dataBits)))
        .arg(QLatin1String(wordFor(stopBitsWords(), s.stopBits)));
}

std::chrono::nanoseconds characterTime(const CommSettings &s)
{
    // In half bits, for the one and a half stop bits.
    const int stopHalves = s.stopBits == QSerialPort::OneAndHalfStop ? 3 : 2 * int(s.stopBits);
    const int halves = 2 * (1 + int(s.dataBits) + (s.parity == QSerialPort::NoParity ? 0 : 1)) + stopHalves;
    return std::chrono::nanoseconds(qint64(halves) * 500'000'000 / qMax(1, s.baud));
}
