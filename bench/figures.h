#pragma once

#include "bench/replies.h"
#include "bench/session.h"

#include <QJsonObject>
#include <QString>

#include <vector>

// Figures the scenarios share, each added to the results under `prefix` + its key.

void putReplyFigures(QJsonObject &r, const QString &prefix, const QString &suffix, const ReplyFigures &f);
std::vector<Outcome> outcomesOf(const Session &session);
std::vector<double> handlerUsWithin(const std::vector<LogLine> &trace, const Window &w);
// The program's processor share quiet, the floor's beside it, and the one as a multiple of the other.
void putCpuFigures(QJsonObject &r, const QString &prefix, const Window &quiet);

// The panel's steps in one window, quiet, against the reference's over the
// same window, its handlers, its replies and its processor share.
struct PanelLogs {
    std::vector<LogLine> sim, trace, reference;
    std::vector<Outcome> outcomes;
};
PanelLogs panelLogs(const Session &session, const QString &referenceLog);
void putQuietWindowFigures(QJsonObject &r, const QString &prefix, const PanelLogs &logs, const Window &w);
