#include "bench/stats.h"

#include <algorithm>
#include <cmath>

double percentile(std::vector<double> samples, double p)
{
    if (samples.empty())
        return std::nan("");
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * double(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

double median(std::vector<double> samples)
{
    if (samples.empty())
        return std::nan("");
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

std::vector<double> absDeviation(const std::vector<double> &samples, double ideal)
{
    std::vector<double> d;
    d.reserve(samples.size());
    for (double x : samples)
        d.push_back(std::abs(x - ideal));
    return d;
}

double stepP99AbsDev(const std::vector<double> &stepsMs)
{
    return percentile(absDeviation(stepsMs, 100), 99);
}

Steps cycleSteps(const std::vector<LogLine> &log, double from, double to, Mark measure, Mark select)
{
    Steps s;
    double lastMeasure = -1, lastSelect = -1;
    for (const LogLine &l : log) {
        if (l.t < from || l.t > to)
            continue;
        if (l.is(measure.kind, measure.what)) {
            if (lastMeasure > 0)
                s.step.push_back((l.t - lastMeasure) * 1e3);
            if (lastSelect > 0)
                s.toMeasure.push_back((l.t - lastSelect) * 1e3);
            lastMeasure = l.t;
        } else if (l.is(select.kind, select.what)) {
            if (lastMeasure > 0)
                s.toSelect.push_back((l.t - lastMeasure) * 1e3);
            lastSelect = l.t;
        }
    }
    return s;
}
