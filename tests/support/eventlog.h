#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

// One line of a timestamped log, "<monotonic seconds> <word> <word> ...": the
// simulator's --log, the panel's trace and the reference's wake log.
struct LogLine {
    double t = 0;
    QList<QByteArray> words;

    QByteArray word(qsizetype i) const { return words.value(i); }
    bool is(const char *first, const char *second) const
    {
        return word(0) == first && word(1) == second;
    }
};

std::vector<LogLine> parseEventLog(const QByteArray &text);
// Empty when the file cannot be read.
std::vector<LogLine> readEventLog(const QString &path);
