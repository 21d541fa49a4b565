#pragma once

#include <QJsonObject>
#include <QString>

// Prints the table of figures and their targets, then the JSON line, which it also writes to `path`.
void report(const QJsonObject &results, const QString &path);
