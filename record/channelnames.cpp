#include "record/channelnames.h"

#include <QStringList>

namespace {
// Names compare without case and blanks: "Ref A", "RefA" and "refa" are one.
QString folded(QString name)
{
    return name.remove(u' ').toCaseFolded();
}

std::optional<int> channelNamed(const QString &name)
{
    const QString wanted = folded(name.trimmed());
    for (int c = 0; c < kChannelCount; ++c) {
        if (folded(channelName(c)) == wanted)
            return c;
    }
    return std::nullopt;
}

QString knownNames()
{
    QStringList names;
    for (int c = 0; c < kChannelCount; ++c)
        names << channelName(c);
    return names.join(QStringLiteral(", "));
}

// A name, or a range "FIRST-LAST"; "O-R" is a name, so a dash splits only
// where both sides are names.
std::optional<std::pair<int, int>> parseItem(const QString &item)
{
    if (const auto c = channelNamed(item))
        return std::pair{*c, *c};
    std::optional<std::pair<int, int>> range;
    for (qsizetype dash = item.indexOf(u'-'); dash >= 0; dash = item.indexOf(u'-', dash + 1)) {
        const auto first = channelNamed(item.left(dash));
        const auto last = channelNamed(item.mid(dash + 1));
        if (first && last)
            range = std::pair{*first, *last};
    }
    return range;
}
} // namespace

QString channelName(int channel)
{
    return QString::fromLatin1(kChannels[channel].nameCaption);
}

std::optional<ChannelSet> parseChannelList(const QString &list, QString *error)
{
    ChannelSet chosen;
    for (const QString &item : list.split(u',')) {
        const auto range = parseItem(item);
        if (!range) {
            *error = QStringLiteral("no channel is called '%1'; the channels are %2, and a range "
                                    "such as E1-E9 takes those from one to the other")
                         .arg(item.trimmed(), knownNames());
            return std::nullopt;
        }
        if (range->first > range->second) {
            *error = QStringLiteral("'%1' runs backwards; a range goes up the list: %2")
                         .arg(item.trimmed(), knownNames());
            return std::nullopt;
        }
        for (int c = range->first; c <= range->second; ++c)
            chosen.set(size_t(c));
    }
    return chosen;
}
