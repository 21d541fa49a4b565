#include "wire/protocol.h"

#include "model/channeltable.h"

namespace wire {

namespace {
const QByteArray kCr("\r");

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
} // namespace

Command shieldCommand(qint16 shldMode)
{
    return {shldMode == 1 ? QByteArray("d 0") : QByteArray("d 1"), kCr};
}

Command measureCommand()
{
    return {QByteArray("x"), kCr};
}

int length(const Command &command)
{
    qsizetype characters = 0;
    for (const QByteArray &piece : command)
        characters += piece.size();
    return int(characters);
}

Command selectCommand(int chanIdx)
{
    return {QByteArray("s "), QByteArray(1, kChannels.at(chanIdx).selectCode), kCr};
}

int decodeReading(QByteArrayView burst)
{
    int value = 0;
    for (qsizetype i = 3; i < 5 && i < burst.size(); ++i) {
        const char c = burst[i];
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        const int digit = hexValue(c);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return value;
}

bool hasTwoHexDigits(QByteArrayView burst)
{
    return burst.size() >= 5 && hexValue(burst[3]) >= 0 && hexValue(burst[4]) >= 0;
}

} // namespace wire
