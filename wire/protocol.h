#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

// What travels on the line. A command is the list of writes handed to the port, in order.
namespace wire {

inline constexpr char kLineSettings[] = "9600,N,8,1";
inline constexpr int kReplyLength = 8;

using Command = QList<QByteArray>;

Command shieldCommand(qint16 shldMode);
Command measureCommand();
Command selectCommand(int chanIdx);
// Characters the command puts on the line.
int length(const Command &command);

// Reading in places 4..5 of a burst, 0..255; 0 when there is no hexadecimal digit.
int decodeReading(QByteArrayView burst);
// Places 4..5 hold two hexadecimal digits, as the board writes a reading.
bool hasTwoHexDigits(QByteArrayView burst);

} // namespace wire
