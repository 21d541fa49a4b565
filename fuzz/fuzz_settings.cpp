// Any line settings text: either four checked fields that survive a round trip, or a reason.
#include "wire/commsettings.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {
void require(bool ok, const char *what, const QString &text)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_settings: %s for \"%s\" (percent-encoded)\n", what,
                     text.toUtf8().toPercentEncoding(" ,.").constData());
        std::abort();
    }
}

bool plainDigits(QStringView field)
{
    for (QChar c : field)
        if (c < u'0' || c > u'9')
            return false;
    return !field.isEmpty();
}

void check(const QString &text)
{
    const SettingsParse parsed = parseCommSettings(text);
    if (!parsed.settings) {
        require(!parsed.error.isEmpty(), "rejected without a reason", text);
        return;
    }
    require(parsed.error.isEmpty(), "accepted with a reason", text);
    const CommSettings &s = *parsed.settings;
    const QList<QStringView> fields = QStringView(text).split(u',');
    require(fields.size() == 4, "accepted without four fields", text);
    require(s.baud >= 1 && s.baud <= 4000000, "baud outside 1..4000000", text);
    require(plainDigits(fields[0].trimmed()), "baud accepted that is not plain digits", text);
    require(fields[1].trimmed().size() == 1
                && QStringLiteral("NEOMSneoms").contains(fields[1].trimmed().front()),
            "parity accepted that is not N, E, O, M or S", text);
    require(s.dataBits >= QSerialPort::Data5 && s.dataBits <= QSerialPort::Data8,
            "data bits outside 5..8", text);

    const QString again = formatCommSettings(s);
    const SettingsParse reparsed = parseCommSettings(again);
    require(reparsed.settings == parsed.settings, "round trip changed the settings", again);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const auto *data = reinterpret_cast<const char *>(bytes);
    check(QString::fromUtf8(data, qsizetype(size)));
    check(QString::fromLatin1(data, qsizetype(size)));
    return 0;
}
