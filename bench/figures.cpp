#include "bench/figures.h"

#include "bench/stats.h"

void putReplyFigures(QJsonObject &r, const QString &prefix, const QString &suffix, const ReplyFigures &f)
{
    r[prefix + QStringLiteral("replies_measured") + suffix] = f.replies;
    r[prefix + QStringLiteral("replies_in_wrong_row") + suffix] = f.wrongRow;
    r[prefix + QStringLiteral("replies_not_drawn") + suffix] = f.notDrawn;
    r[prefix + QStringLiteral("reply_to_label_ms_p99") + suffix] = f.toLabelMsP99;
}

std::vector<Outcome> outcomesOf(const Session &session)
{
    const std::vector<LogLine> trace = readEventLog(session.trace());
    return followReplies(repliesSent(readEventLog(session.simLog())), receiveEvents(trace),
                         labelPaints(trace));
}

std::vector<double> handlerUsWithin(const std::vector<LogLine> &trace, const Window &w)
{
    std::vector<double> us;
    for (const Receive &e : receiveEvents(trace))
        if (e.t >= w.from && e.t <= w.to)
            us.push_back(e.handlerUs);
    return us;
}

void putCpuFigures(QJsonObject &r, const QString &prefix, const Window &quiet)
{
    r[prefix + QStringLiteral("cpu_pct_scanning")] = quiet.cpuPct;
    r[prefix + QStringLiteral("floor_cpu_pct_scanning")] = quiet.floorPct;
    r[prefix + QStringLiteral("cpu_ratio_vs_floor")] = quiet.cpuPct / quiet.floorPct;
}

PanelLogs panelLogs(const Session &session, const QString &referenceLog)
{
    PanelLogs logs{readEventLog(session.simLog()), readEventLog(session.trace()), readEventLog(referenceLog), {}};
    logs.outcomes = followReplies(repliesSent(logs.sim), receiveEvents(logs.trace), labelPaints(logs.trace));
    return logs;
}

void putQuietWindowFigures(QJsonObject &r, const QString &prefix, const PanelLogs &logs, const Window &w)
{
    const Steps steps = cycleSteps(logs.sim, w.from, w.to, kSimMeasure, kSimSelect);
    const Steps reference = cycleSteps(logs.reference, w.from, w.to, kReferenceMeasure, kReferenceSelect);
    const double p99 = stepP99AbsDev(steps.step), referenceP99 = stepP99AbsDev(reference.step);
    r[prefix + QStringLiteral("steps_measured")] = int(steps.step.size());
    r[prefix + QStringLiteral("step_ms_median")] = median(steps.step);
    r[prefix + QStringLiteral("step_ms_p99_abs_dev")] = p99;
    r[prefix + QStringLiteral("reference_steps_measured")] = int(reference.step.size());
    r[prefix + QStringLiteral("reference_step_ms_p99_abs_dev")] = referenceP99;
    r[prefix + QStringLiteral("step_p99_ratio_vs_reference")] = p99 / referenceP99;
    r[prefix + QStringLiteral("handler_us_p99")] = percentile(handlerUsWithin(logs.trace, w), 99);
    putReplyFigures(r, prefix, {}, replyFigures(logs.outcomes, w.from, w.to));
    putCpuFigures(r, prefix + QStringLiteral("traced_"), w);
}
