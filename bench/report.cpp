#include "bench/report.h"

#include <QFile>
#include <QJsonDocument>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

namespace {

struct Row {
    const char *key;
    const char *target;
    bool count = false;
};

constexpr Row kRows[] = {
    {"step_ms_median", "100 +- 0.3"},
    {"step_ms_p99_abs_dev", "<= 2"},
    {"measure_to_select_ms_median", "20"},
    {"select_to_measure_ms_median", "80"},
    {"step_ms_p99_abs_dev_loaded", "<= 5"},
    {"reference_step_ms_p99_abs_dev", ""},
    {"reference_step_ms_p99_abs_dev_loaded", ""},
    {"step_p99_ratio_vs_reference", "<= 1.5"},
    {"step_p99_ratio_vs_reference_loaded", "<= 1.5"},
    {"handler_us_p99", "<= 500"},
    {"reply_to_label_ms_p99", "<= 5"},
    {"replies_in_wrong_row", "0", true},
    {"replies_not_drawn", "", true},
    {"adapter_reply_to_label_ms_p99", "<= 30"},
    {"adapter_reply_to_label_ms_p99_loaded", "<= 30"},
    {"adapter_replies_in_wrong_row", "0", true},
    {"adapter_replies_in_wrong_row_loaded", "0", true},
    {"adapter_replies_not_drawn", "", true},
    {"adapter_replies_not_drawn_loaded", "", true},
    {"cpu_pct_scanning", ""},
    {"floor_cpu_pct_scanning", ""},
    {"cpu_ratio_vs_floor", "<= 2.0"},
    {"traced_cpu_pct_scanning", ""},
    {"traced_floor_cpu_pct_scanning", ""},
    {"traced_cpu_ratio_vs_floor", ""},
    {"adapter_cpu_pct_scanning", ""},
    {"adapter_floor_cpu_pct_scanning", ""},
    {"adapter_cpu_ratio_vs_floor", "<= 2.0"},
    {"adapter_traced_cpu_pct_scanning", ""},
    {"adapter_traced_floor_cpu_pct_scanning", ""},
    {"adapter_traced_cpu_ratio_vs_floor", ""},
    {"cpu_pct_idle", "<= 0.1"},
    {"rss_mb", ""},
    {"rss_bare_qt_mb", ""},
    {"rss_ratio_vs_bare_qt", "<= 1.3"},
    {"startup_ms", ""},
    {"startup_bare_qt_ms", ""},
    {"startup_ratio_vs_bare_qt", "<= 1.3"},
};

// The recorder's figures beside the panel's, keyed as the panel's with "recorder_" before.
constexpr Row kBesideRows[] = {
    {"step_ms_median", "100 +- 0.3"},
    {"step_ms_p99_abs_dev", ""},
    {"step_ms_p99_abs_dev_loaded", ""},
    {"reference_step_ms_p99_abs_dev", ""},
    {"reference_step_ms_p99_abs_dev_loaded", ""},
    {"step_p99_ratio_vs_reference", "<= 1.5"},
    {"step_p99_ratio_vs_reference_loaded", "<= 1.5"},
    {"cpu_pct_scanning", ""},
    {"floor_cpu_pct_scanning", ""},
    {"cpu_ratio_vs_floor", "<= 1.5"},
    {"rss_mb", "< 15"},
};

// The panel's quiet figures without followers and with two, keyed "alone_" and
// "followed_", against the panel's own targets.
constexpr const char *kFollowedKeys[] = {
    "step_ms_median", "step_ms_p99_abs_dev", "reference_step_ms_p99_abs_dev", "step_p99_ratio_vs_reference",
    "handler_us_p99", "reply_to_label_ms_p99", "replies_in_wrong_row", "replies_not_drawn",
    "traced_cpu_pct_scanning", "traced_floor_cpu_pct_scanning", "traced_cpu_ratio_vs_floor",
};

std::vector<Row> panelRows(std::span<const char *const> keys)
{
    std::vector<Row> rows;
    for (const char *key : keys)
        for (const Row &row : kRows)
            if (std::strcmp(row.key, key) == 0)
                rows.push_back(row);
    return rows;
}

int count(const QJsonObject &r, const QString &key)
{
    return r[key].toInt();
}

QByteArray cell(const QJsonObject &r, const QString &key, bool isCount = false)
{
    const double v = r[key].toDouble(std::nan(""));
    if (std::isnan(v))
        return "n/a";
    return isCount ? QByteArray::number(qint64(v)) : QByteArray::number(v, 'f', 3);
}

// Two programs' or two windows' figures side by side, keyed as the panel's with a prefix before.
void besideTable(const QJsonObject &r, std::span<const Row> rows, const QString &left, const char *leftTitle,
                 const QString &right, const char *rightTitle)
{
    std::printf("| %-38s | %10s | %10s | %-10s |\n|%s|%s|%s|%s|\n", "measure", leftTitle, rightTitle, "target",
                "----------------------------------------", "------------", "------------", "------------");
    for (const Row &row : rows) {
        const QString key = QLatin1String(row.key);
        std::printf("| %-38s | %10s | %10s | %-10s |\n", row.key, cell(r, left + key, row.count).constData(),
                    cell(r, right + key, row.count).constData(), row.target);
    }
}

void recorderBesidePanel(const QJsonObject &r)
{
    const QString recorder = QStringLiteral("recorder_");
    std::printf("\nThe recorder beside the panel: %d steps scanning, %d loaded (its own reference %d, %d)\n\n",
                count(r, recorder + "steps_measured"), count(r, recorder + "steps_measured_loaded"),
                count(r, recorder + "reference_steps_measured"),
                count(r, recorder + "reference_steps_measured_loaded"));
    besideTable(r, kBesideRows, {}, "panel", recorder, "recorder");
}

void panelFollowed(const QJsonObject &r)
{
    std::printf("\nThe panel alone, then followed by two recorders: %d steps, %d (reference %d, %d)\n\n",
                count(r, "alone_steps_measured"), count(r, "followed_steps_measured"),
                count(r, "alone_reference_steps_measured"), count(r, "followed_reference_steps_measured"));
    besideTable(r, panelRows(kFollowedKeys), QStringLiteral("alone_"), "alone", QStringLiteral("followed_"), "followed");
    std::printf("\n| follower | rows | readings drawn in its time | missed between its first and last row (0) |\n"
                "|----------|------|----------------------------|-------------------------------------------|\n");
    for (const char *follower : {"follower1_", "follower2_"}) {
        const QString key = QLatin1String(follower);
        std::printf("| %8c | %4s | %26s | %41s |\n", follower[8], cell(r, key + "rows", true).constData(),
                    cell(r, key + "readings_drawn", true).constData(),
                    cell(r, key + "readings_missed", true).constData());
    }
    std::printf("\nRows differing between the two followers: %s (0); followers that said they were recording "
                "the panel's run: %s (2)\n",
                cell(r, "followers_rows_differing", true).constData(),
                cell(r, "followers_recording", true).constData());
}

} // namespace

void report(const QJsonObject &r, const QString &path)
{
    std::printf("Orvane benchmark: %d cores, %d steps scanning, %d steps loaded (reference %d, %d); "
                "adapter %d replies quiet, %d loaded\n\n",
                count(r, "cores"), count(r, "steps_measured"), count(r, "steps_measured_loaded"),
                count(r, "reference_steps_measured"), count(r, "reference_steps_measured_loaded"),
                count(r, "adapter_replies_measured"), count(r, "adapter_replies_measured_loaded"));
    std::printf("Processor time: cpu_ rows from a run without the trace's probes, traced_ rows from the traced one\n\n");
    std::printf("| %-38s | %10s | %-10s |\n|%s|%s|%s|\n", "measure", "value", "target",
                "----------------------------------------", "------------", "------------");
    for (const Row &row : kRows)
        std::printf("| %-38s | %10s | %-10s |\n", row.key, cell(r, QLatin1String(row.key), row.count).constData(),
                    row.target);
    recorderBesidePanel(r);
    panelFollowed(r);
    const QByteArray json = QJsonDocument(r).toJson(QJsonDocument::Compact);
    QFile out(path);
    if (out.open(QIODevice::WriteOnly))
        out.write(json + '\n');
    std::printf("\n%s\n", json.constData());
}
