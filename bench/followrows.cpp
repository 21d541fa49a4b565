#include "bench/followrows.h"

#include <QDateTime>

#include <algorithm>
#include <iterator>

std::vector<CsvRow> csvRows(const QByteArray &text)
{
    std::vector<CsvRow> rows;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        const QDateTime time = QDateTime::fromString(QString::fromLatin1(line.split(',').value(0)), Qt::ISODateWithMs);
        rows.push_back({time.isValid() ? double(time.toMSecsSinceEpoch()) / 1e3 : 0, line});
    }
    return rows;
}

namespace {
std::vector<QByteArray> linesWithin(const std::vector<CsvRow> &rows, double from, double to)
{
    std::vector<QByteArray> lines;
    for (const CsvRow &row : rows)
        if (row.utc >= from && row.utc <= to)
            lines.push_back(row.line);
    std::sort(lines.begin(), lines.end());
    return lines;
}
} // namespace

int rowsDiffering(const std::vector<CsvRow> &a, const std::vector<CsvRow> &b)
{
    if (a.empty() || b.empty())
        return int(a.size() + b.size());
    const double from = std::max(a.front().utc, b.front().utc), to = std::min(a.back().utc, b.back().utc);
    const std::vector<QByteArray> inA = linesWithin(a, from, to), inB = linesWithin(b, from, to);
    std::vector<QByteArray> differing;
    std::set_symmetric_difference(inA.begin(), inA.end(), inB.begin(), inB.end(), std::back_inserter(differing));
    return int(differing.size());
}
