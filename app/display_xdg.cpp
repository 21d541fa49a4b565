#include "app/display.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QPluginLoader>
#include <QVersionNumber>

#include <cstdio>
#include <cstdlib>

namespace {
// Keys of the window-system plugins where Qt will look for them; only their
// metadata is read, nothing is loaded.
QStringList installedPlatforms()
{
    QStringList dirs;
    for (const QString &path : QCoreApplication::libraryPaths())
        dirs << path + QStringLiteral("/platforms");
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM_PLUGIN_PATH"))
        dirs << qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    QStringList keys;
    for (const QString &path : dirs) {
        const QDir dir(path);
        for (const QString &file : dir.entryList(QDir::Files)) {
            const QJsonObject meta = QPluginLoader(dir.filePath(file)).metaData();
            for (const QJsonValue key : meta.value(QLatin1String("MetaData")).toObject().value(QLatin1String("Keys")).toArray())
                keys << key.toString();
        }
    }
    return keys;
}

bool platformNamed(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "-platform") == 0 || qstrcmp(argv[i], "--platform") == 0)
            return true;
    return false;
}

QtMessageHandler g_previousHandler = nullptr;

void exitOnFatal(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        if (g_previousHandler)
            g_previousHandler(type, context, text);
        return;
    }
    // Only opening the display fails fatally while the application is made.
    std::fprintf(stderr, "orvane: cannot open a window: no display answered (WAYLAND_DISPLAY=%s, DISPLAY=%s)\n",
                 qgetenv("WAYLAND_DISPLAY").constData(), qgetenv("DISPLAY").constData());
    std::_Exit(1);
}
} // namespace

bool prepareDisplay(int argc, char *argv[])
{
    if (platformNamed(argc, argv))
        return true;
    const QStringList keys = installedPlatforms();
    DisplayOffer offer;
    offer.waylandSession = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    offer.xSession = !qEnvironmentVariableIsEmpty("DISPLAY");
    offer.waylandPlugin = keys.contains(QLatin1String("wayland"));
    offer.xcbPlugin = keys.contains(QLatin1String("xcb"));
    offer.preferX11 = QVersionNumber::fromString(QLatin1String(qVersion())) < QVersionNumber(6, 8);
    const DisplayChoice choice = chooseDisplay(offer);
    if (choice.platforms.isEmpty()) {
        std::fprintf(stderr, "orvane: %s\n", qPrintable(choice.problem));
        return false;
    }
    qputenv("QT_QPA_PLATFORM", choice.platforms);
    return true;
}

NoDisplayExit::NoDisplayExit()
{
    g_previousHandler = qInstallMessageHandler(exitOnFatal);
}

NoDisplayExit::~NoDisplayExit()
{
    qInstallMessageHandler(g_previousHandler);
}
