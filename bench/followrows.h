#pragma once

#include <QByteArray>

#include <vector>

// A recorder's row ("time,elapsed_s,channel,reading") as written, and its time in seconds since 1970.
struct CsvRow {
    double utc = 0;
    QByteArray line;
};
// The rows of a recorder's output, its header left out.
std::vector<CsvRow> csvRows(const QByteArray &text);

// The rows one recording has and the other has not, over the stretch both
// recorded: from the later first row to the earlier last. Each recording
// whole when the other has no rows.
int rowsDiffering(const std::vector<CsvRow> &a, const std::vector<CsvRow> &b);
