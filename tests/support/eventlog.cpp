#include "eventlog.h"

#include <QFile>

std::vector<LogLine> parseEventLog(const QByteArray &text)
{
    std::vector<LogLine> out;
    for (const QByteArray &raw : text.split('\n')) {
        QList<QByteArray> words = raw.split(' ');
        if (words.size() < 2)
            continue;
        const double t = words.takeFirst().toDouble();
        out.push_back({t, words});
    }
    return out;
}

std::vector<LogLine> readEventLog(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseEventLog(file.readAll());
}
