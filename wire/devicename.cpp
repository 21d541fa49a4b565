#include "wire/devicename.h"

#include <QStringDecoder>

namespace {
constexpr char16_t kKeptByte = 0xDC00;

bool isKeptByte(QChar c)
{
    return c.unicode() >= kKeptByte + 0x80 && c.unicode() <= kKeptByte + 0xFF;
}

// Length of the valid UTF-8 sequence at `at`, or 0.
qsizetype validSequence(const QByteArray &bytes, qsizetype at)
{
    for (qsizetype n = 1; n <= 4 && at + n <= bytes.size(); ++n) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = utf8(QByteArrayView(bytes).sliced(at, n));
        if (!utf8.hasError() && !decoded.isEmpty())
            return n;
    }
    return 0;
}
} // namespace

QString decodeDeviceName(const QByteArray &bytes)
{
    QString name;
    for (qsizetype at = 0; at < bytes.size();) {
        if (const qsizetype n = validSequence(bytes, at)) {
            name += QString::fromUtf8(bytes.sliced(at, n));
            at += n;
        } else {
            name += QChar(char16_t(kKeptByte + quint8(bytes[at])));
            ++at;
        }
    }
    return name;
}

QByteArray encodeDeviceName(const QString &name)
{
    QByteArray bytes;
    QString run;
    for (const QChar c : name) {
        if (isKeptByte(c)) {
            bytes += run.toUtf8();
            run.clear();
            bytes += char(c.unicode() - kKeptByte);
        } else {
            run += c;
        }
    }
    return bytes + run.toUtf8();
}

QString displayDeviceName(const QString &name)
{
    QString shown;
    for (const QChar c : name)
        shown += isKeptByte(c) ? QStringLiteral("\\x")
                                     + QString::number(c.unicode() - kKeptByte, 16).toUpper()
                               : QString(c);
    return shown;
}
