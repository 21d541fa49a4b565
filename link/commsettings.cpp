#include "link/commsettings.h"

#include <QList>

#include <algorithm>

namespace {
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
} // namespace

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
    if (parity == u"N")
        s.parity = QSerialPort::NoParity;
    else if (parity == u"E")
        s.parity = QSerialPort::EvenParity;
    else if (parity == u"O")
        s.parity = QSerialPort::OddParity;
    else if (parity == u"M")
        s.parity = QSerialPort::MarkParity;
    else if (parity == u"S")
        s.parity = QSerialPort::SpaceParity;
    else
        return fail(QStringLiteral("parity \"%1\" is not one of N, E, O, M, S")
                        .arg(fields[1].trimmed()));

    const QStringView data = fields[2].trimmed();
    if (data == u"5")
        s.dataBits = QSerialPort::Data5;
    else if (data == u"6")
        s.dataBits = QSerialPort::Data6;
    else if (data == u"7")
        s.dataBits = QSerialPort::Data7;
    else if (data == u"8")
        s.dataBits = QSerialPort::Data8;
    else
        return fail(QStringLiteral("data bits \"%1\" are not 5, 6, 7 or 8").arg(data));

    const QStringView stop = fields[3].trimmed();
    if (stop == u"1")
        s.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        s.stopBits = QSerialPort::TwoStop;
    else
        return fail(QStringLiteral("stop bits \"%1\" are not 1, 1.5 or 2").arg(stop));

    return {s, {}};
}

QString deviceForPort(int n, const EnvLookup &env)
{
#ifdef Q_OS_WIN
    Q_UNUSED(env);
    return QStringLiteral("COM%1").arg(n);
#else
    const QString chosen = env(QStringLiteral("ORVANE_COM%1").arg(n));
    if (!chosen.isEmpty())
        return chosen;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

QString deviceForPort(int n)
{
    return deviceForPort(n, [](const QString &name) { return qEnvironmentVariable(name.toLocal8Bit().constData()); });
}
