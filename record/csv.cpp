#include "record/csv.h"

namespace {
QByteArray field(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') && !bytes.contains('\n'))
        return bytes;
    return '"' + bytes.replace('"', "\"\"") + '"';
}
} // namespace

QByteArray csvHeader()
{
    return "time,elapsed_s,channel,reading\r\n";
}

QByteArray csvRow(const QDateTime &time, qint64 elapsedMs, const QString &channel, int reading)
{
    // Integer arithmetic, so no locale can put a comma in.
    const QByteArray seconds = QByteArray::number(elapsedMs / 1000) + '.'
                               + QByteArray::number(elapsedMs % 1000).rightJustified(3, '0');
    return time.toUTC().toString(Qt::ISODateWithMs).toLatin1() + ',' + seconds + ',' + field(channel)
           + ',' + QByteArray::number(reading) + "\r\n";
}
