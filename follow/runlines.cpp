#include "follow/runlines.h"

#include <QList>

#include <limits>

namespace {
constexpr int kLastFailure = int(Failure::Other);

const char *howWord(RunEnd::How how)
{
    switch (how) {
    case RunEnd::How::Stopped:
        return "stopped";
    case RunEnd::How::Exited:
        return "exited";
    case RunEnd::How::Failed:
        return "failed";
    case RunEnd::How::Dropped:
        return "dropped";
    }
    return "exited";
}

std::optional<qint64> number(QByteArrayView field, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 n = field.toLongLong(&ok);
    if (!ok || n < low || n > high)
        return std::nullopt;
    return n;
}

// The first `count` space-separated fields, and the rest of the line after them.
QList<QByteArrayView> fields(QByteArrayView line, int count, QByteArrayView *rest = nullptr)
{
    QList<QByteArrayView> out;
    while (out.size() < count) {
        const qsizetype space = line.indexOf(' ');
        out << line.first(space < 0 ? line.size() : space);
        line = space < 0 ? QByteArrayView() : line.sliced(space + 1);
        if (space < 0)
            break;
    }
    if (rest)
        *rest = line;
    return out;
}

std::optional<RunLine> parseEnd(QByteArrayView line)
{
    QByteArrayView rest;
    const QList<QByteArrayView> f = fields(line, 2, &rest);
    if (f.size() < 2)
        return std::nullopt;
    if (f[1] == "stopped")
        return RunEnd::stopped();
    if (f[1] == "exited")
        return RunEnd::exited();
    if (f[1] == "dropped") {
        const auto backlog = number(rest, 0, std::numeric_limits<qint64>::max());
        if (!backlog)
            return std::nullopt;
        return RunEnd::dropped(*backlog);
    }
    if (f[1] != "failed")
        return std::nullopt;
    const QList<QByteArrayView> k = fields(rest, 1, &rest);
    const auto kind = number(k.value(0), 0, kLastFailure);
    if (!kind)
        return std::nullopt;
    return RunEnd::failed(Failure(*kind), QString::fromUtf8(rest));
}
} // namespace

QByteArray formatLine(const RunHello &hello)
{
    return "hello " + QByteArray::number(hello.port) + ' ' + QByteArray::number(hello.shield) + ' '
           + QByteArray::number(hello.pass) + ' ' + hello.device.toUtf8() + '\n';
}

QByteArray formatLine(const RunReading &r)
{
    return "r " + QByteArray::number(r.pass) + ' ' + QByteArray::number(r.channel) + ' '
           + QByteArray::number(r.value) + ' ' + QByteArray::number(r.utcMs) + ' '
           + QByteArray::number(r.elapsedMs) + '\n';
}

QByteArray formatLine(const RunEnd &end)
{
    QByteArray line = QByteArray("end ") + howWord(end.how);
    if (end.how == RunEnd::How::Failed)
        // One line each: a message's own line breaks become spaces.
        line += ' ' + QByteArray::number(int(end.kind)) + ' '
                + end.text.toUtf8().replace('\n', ' ').replace('\r', ' ');
    if (end.how == RunEnd::How::Dropped)
        line += ' ' + QByteArray::number(end.backlog);
    return line + '\n';
}

std::optional<RunLine> parseRunLine(QByteArrayView line)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    if (line.startsWith("r ")) {
        const QList<QByteArrayView> f = fields(line, 7);
        if (f.size() != 6)
            return std::nullopt;
        const auto pass = number(f[1], 0, kMax);
        const auto channel = number(f[2], 0, kChannelCount - 1);
        const auto value = number(f[3], 0, 255);
        const auto utc = number(f[4], 0, kMax);
        const auto elapsed = number(f[5], 0, kMax);
        if (!pass || !channel || !value || !utc || !elapsed)
            return std::nullopt;
        return RunReading{*pass, qint16(*channel), int(*value), *utc, *elapsed};
    }
    if (line.startsWith("hello ")) {
        QByteArrayView device;
        const QList<QByteArrayView> f = fields(line, 4, &device);
        const auto port = number(f.value(1), 1, 255);
        const auto shield = number(f.value(2), 0, 1);
        const auto pass = number(f.value(3), 0, kMax);
        if (f.size() != 4 || !port || !shield || !pass || device.isEmpty())
            return std::nullopt;
        return RunHello{int(*port), qint16(*shield), *pass, QString::fromUtf8(device)};
    }
    if (line.startsWith("end "))
        return parseEnd(line);
    return std::nullopt;
}
