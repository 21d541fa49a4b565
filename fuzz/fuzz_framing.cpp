// Any line, cut into any pieces, framed into the replies a reader of the whole line
// finds, each read from its places 4..5 alone.
#include "wholeline.h"
#include "wire/framing.h"
#include "wire/protocol.h"

#include <QByteArray>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_framing: %s\n", what);
        std::abort();
    }
}

// Places 4..5 read on their own: blanks, tabs and LFs dropped, then the leading hex digits.
int expectedReading(const char *data, size_t size)
{
    char digits[3] = {};
    int n = 0;
    for (size_t i = 3; i < 5 && i < size; ++i)
        if (data[i] != ' ' && data[i] != '\t' && data[i] != '\n')
            digits[n++] = data[i];
    const size_t hex = std::strspn(digits, "0123456789abcdefABCDEF");
    digits[hex] = '\0';
    return hex == 0 ? 0 : int(std::strtol(digits, nullptr, 16));
}

bool twoHexDigits(const char *data, size_t size)
{
    return size >= 5 && std::isxdigit(quint8(data[3])) && std::isxdigit(quint8(data[4]));
}
} // namespace

// The line in pieces whose sizes the input's first byte chooses: the replies and what
// is held must not depend on how the bytes arrived, and the reply after any noise is found.
void checkFraming(const char *data, size_t size)
{
    const QByteArrayView line(data, qsizetype(size));
    wire::ReplyFramer whole;
    const QList<wire::Reply> once = whole.take(line);
    wire::ReplyFramer pieces;
    QList<wire::Reply> piecewise;
    const int step = size ? 1 + quint8(data[0]) % 9 : 1;
    for (qsizetype at = 0; at < line.size(); at += step)
        piecewise += pieces.take(line.sliced(at, qMin<qsizetype>(step, line.size() - at)));
    require(once.size() == piecewise.size() && whole.held() == pieces.held(), "framing depends on the pieces");
    const QList<QByteArrayView> expected = repliesInLine(line);
    require(once.size() == expected.size(), "not the replies a reader of the whole line finds");
    for (qsizetype i = 0; i < once.size(); ++i)
        require(once[i].reading == expectedReading(expected[i].data(), size_t(expected[i].size()))
                    && once[i].wellFormed == twoHexDigits(expected[i].data(), size_t(expected[i].size())),
                "a reply not read from its own places 4..5");
    for (qsizetype i = 0; i < once.size(); ++i)
        require(once[i].reading == piecewise[i].reading && once[i].wellFormed == piecewise[i].wellFormed,
                "framing depends on the pieces");
    require(whole.held() <= wire::kReplyLength - 1, "more held than the start of a reply");
    const QList<wire::Reply> next = whole.take("x\r\n5A\r\n>");
    require(!next.isEmpty() && next.last().wellFormed && next.last().reading == 0x5A,
            "a whole reply after noise is not found");
    require(whole.held() == 0, "something held after a whole reply");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const auto *data = reinterpret_cast<const char *>(bytes);
    const QByteArrayView burst(data, qsizetype(size));

    const int reading = wire::decodeReading(burst);
    require(reading >= 0 && reading <= 255, "reading outside 0..255");
    require(reading == expectedReading(data, size), "reading is not the hex value of places 4..5");

    require(wire::hasTwoHexDigits(burst) == twoHexDigits(data, size), "two digits not told by places 4..5");

    // Only places 4..5 count: change everything else and the reading stays.
    QByteArray other(data, qsizetype(size));
    for (qsizetype i = 0; i < other.size(); ++i)
        if (i < 3 || i > 4)
            other[i] = char(~other[i]);
    if (size >= 5)
        other.append("7f>");
    require(wire::decodeReading(other) == reading, "reading depends on places other than 4..5");
    if (size > 5)
        require(wire::decodeReading(burst.first(5)) == reading, "reading depends on the tail");
    checkFraming(data, size);
    return 0;
}
