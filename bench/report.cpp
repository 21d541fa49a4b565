#include "bench/report.h"

#include <QFile>
#include <QJsonDocument>

#include <cmath>
#include <cstdio>

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
    {"cpu_pct_scanning", "< 0.6"},
    {"floor_cpu_pct_scanning", ""},
    {"cpu_ratio_vs_floor", ""},
    {"adapter_cpu_pct_scanning", "< 0.6"},
    {"adapter_floor_cpu_pct_scanning", ""},
    {"adapter_cpu_ratio_vs_floor", ""},
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
    {"cpu_pct_scanning", "< 0.3"},
    {"floor_cpu_pct_scanning", ""},
    {"cpu_ratio_vs_floor", ""},
    {"rss_mb", "< 15"},
};

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

void recorderBesidePanel(const QJsonObject &r)
{
    const QString recorder = QStringLiteral("recorder_");
    std::printf("\nThe recorder beside the panel: %d steps scanning, %d loaded (its own reference %d, %d)\n\n",
                count(r, recorder + "steps_measured"), count(r, recorder + "steps_measured_loaded"),
                count(r, recorder + "reference_steps_measured"),
                count(r, recorder + "reference_steps_measured_loaded"));
    std::printf("| %-38s | %10s | %10s | %-10s |\n|%s|%s|%s|%s|\n", "measure", "panel", "recorder", "target",
                "----------------------------------------", "------------", "------------", "------------");
    for (const Row &row : kBesideRows) {
        const QString key = QLatin1String(row.key);
        std::printf("| %-38s | %10s | %10s | %-10s |\n", row.key, cell(r, key).constData(),
                    cell(r, recorder + key).constData(), row.target);
    }
}

} // namespace

void report(const QJsonObject &r, const QString &path)
{
    std::printf("Orvane benchmark: %d cores, %d steps scanning, %d steps loaded (reference %d, %d); "
                "adapter %d replies quiet, %d loaded\n\n",
                count(r, "cores"), count(r, "steps_measured"), count(r, "steps_measured_loaded"),
                count(r, "reference_steps_measured"), count(r, "reference_steps_measured_loaded"),
                count(r, "adapter_replies_measured"), count(r, "adapter_replies_measured_loaded"));
    std::printf("| %-38s | %10s | %-10s |\n|%s|%s|%s|\n", "measure", "value", "target",
                "----------------------------------------", "------------", "------------");
    for (const Row &row : kRows)
        std::printf("| %-38s | %10s | %-10s |\n", row.key, cell(r, QLatin1String(row.key), row.count).constData(),
                    row.target);
    recorderBesidePanel(r);
    const QByteArray json = QJsonDocument(r).toJson(QJsonDocument::Compact);
    QFile out(path);
    if (out.open(QIODevice::WriteOnly))
        out.write(json + '\n');
    std::printf("\n%s\n", json.constData());
}
