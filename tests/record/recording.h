#pragma once

#include "record/channelnames.h"
#include "simprocess.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

inline int channelNamed(const QString &name)
{
    for (int c = 0; c < kChannelCount; ++c) {
        if (channelName(c) == name)
            return c;
    }
    return -1;
}

struct Row {
    QDateTime time;
    double elapsed = 0;
    int channel = -1;
    int reading = -1;
};

// The rows of a recording. Every line must be a whole row after the header;
// `fault` tells the first that is not.
inline QList<Row> rowsOf(const QString &path, QString *fault)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *fault = QStringLiteral("cannot read ") + path;
        return {};
    }
    const QByteArray text = file.readAll();
    static const QRegularExpression row(QStringLiteral(
        R"(^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z),(\d+\.\d{3}),([^,"]+),(\d{1,3})$)"));
    QList<QByteArray> lines = text.split('\n');
    if (lines.takeLast() != "" || !text.startsWith("time,elapsed_s,channel,reading\r\n")) {
        *fault = QStringLiteral("not a header and whole lines: ") + QString::fromUtf8(text.right(80));
        return {};
    }
    QList<Row> rows;
    for (const QByteArray &line : lines.sliced(1)) {
        const QRegularExpressionMatch m = row.match(QString::fromUtf8(line.chopped(line.endsWith('\r'))));
        if (!line.endsWith('\r') || !m.hasMatch() || channelNamed(m.captured(3)) < 0 || m.captured(4).toInt() > 255) {
            *fault = QStringLiteral("not a row: ") + QString::fromUtf8(line);
            return {};
        }
        rows.append({QDateTime::fromString(m.captured(1), Qt::ISODateWithMs), m.captured(2).toDouble(),
                     channelNamed(m.captured(3)), m.captured(4).toInt()});
    }
    return rows;
}

// orvane-record as a child process, on the given device, writing to `output`.
struct Recording {
    explicit Recording(const QString &device, const QStringList &args = {})
    {
        start(QStringList{QStringLiteral("--device"), device, QStringLiteral("--output"), output} + args);
    }
    Recording() = default;
    void start(const QStringList &args, const QString &program = QStringLiteral(RECORDER_PATH))
    {
        process.start(program, args);
    }
    // The exit status, or -1 when it did not end by itself.
    int exitCode(int ms = 10000)
    {
        // It may have ended already, while its output was being read.
        const bool finished = process.state() == QProcess::NotRunning ? process.error() != QProcess::FailedToStart
                                                                       : process.waitForFinished(ms);
        const bool ended = finished && process.exitStatus() == QProcess::NormalExit;
        return ended ? process.exitCode() : -1;
    }
    QString errors() { return QString::fromLocal8Bit(process.readAllStandardError()); }

    QTemporaryDir dir;
    QString output = dir.filePath(QStringLiteral("run.csv"));
    QProcess process;
};
