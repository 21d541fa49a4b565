#pragma once

#include <QString>

#include <functional>

using EnvLookup = std::function<QString(const QString &name)>;

// Device that port number n (1-based) names: COMn on Windows; elsewhere
// $ORVANE_COMn when set, else /dev/ttyS<n-1>.
QString deviceForPort(int n, const EnvLookup &env);
QString deviceForPort(int n);
