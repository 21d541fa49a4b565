#include "app/display.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QVersionNumber>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Whether a window-system plugin whose file name starts so is where Qt looks
// for it. Only names are read: a plugin's metadata would cost milliseconds.
bool havePlugin(const char *prefix)
{
    QStringList dirs;
    for (const QString &path : QCoreApplication::libraryPaths())
        dirs << path + QStringLiteral("/platforms");
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM_PLUGIN_PATH"))
        dirs << qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    for (const QString &dir : dirs) {
        std::error_code error;
        for (const auto &entry : std::filesystem::directory_iterator(QFile::encodeName(dir).toStdString(), error))
            if (entry.path().filename().string().starts_with(prefix))
                return true;
    }
    return false;
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
    DisplayOffer offer;
    offer.waylandSession = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    offer.xSession = !qEnvironmentVariableIsEmpty("DISPLAY");
    offer.waylandPlugin = havePlugin("libqwayland");
    offer.xcbPlugin = havePlugin("libqxcb");
    offer.preferX11 = QVersionNumber::fromString(QLatin1String(qVersion())) < QVersionNumber(6, 8);
    const DisplayChoice choice = chooseDisplay(offer);
    if (choice.platforms.isEmpty()) {
        std::fprintf(stderr, "orvane: %s\n", qPrintable(choice.problem));
        return false;
    }
    qputenv("QT_QPA_PLATFORM", choice.platforms);
    return true;
}

StartRuntimeFolder::StartRuntimeFolder()
{
    if (QDir::isAbsolutePath(qEnvironmentVariable("XDG_RUNTIME_DIR")))
        return;
    const passwd *user = ::getpwuid(::geteuid());
    if (!user)
        return;
    const QByteArray folder = QFile::encodeName(QDir::tempPath()) + "/runtime-" + user->pw_name;
    // Only one of this user's own that no one else may enter; else Qt says what is wrong with it.
    struct stat st {};
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return;
    if (::lstat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()
        || (st.st_mode & 0777) != 0700)
        return;
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        m_before = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", folder);
    m_named = true;
}

StartRuntimeFolder::~StartRuntimeFolder()
{
    if (!m_named)
        return;
    if (m_before)
        qputenv("XDG_RUNTIME_DIR", *m_before);
    else
        qunsetenv("XDG_RUNTIME_DIR");
}

NoDisplayExit::NoDisplayExit()
{
    g_previousHandler = qInstallMessageHandler(exitOnFatal);
}

NoDisplayExit::~NoDisplayExit()
{
    qInstallMessageHandler(g_previousHandler);
}
