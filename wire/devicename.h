#pragma once

#include <QByteArray>
#include <QString>

// Device names pass through as the file system holds them, byte for byte.
// Bytes that are not valid UTF-8 are kept in the text as U+DC80..U+DCFF, one
// per byte, so a name read from the environment opens the file it names.
QString decodeDeviceName(const QByteArray &bytes);
QByteArray encodeDeviceName(const QString &name);

// The name as a message shows it: kept bytes written as \xNN.
QString displayDeviceName(const QString &name);
