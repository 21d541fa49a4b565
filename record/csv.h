#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The recording as CSV (RFC 4180: CRLF line ends, fields quoted where needed),
// UTF-8, numbers with '.' whatever the locale.
QByteArray csvHeader();
// One row: the UTC time to the millisecond, the milliseconds since the first
// command (written as seconds), the channel's name and the reading as received.
QByteArray csvRow(const QDateTime &time, qint64 elapsedMs, const QString &channel, int reading);
