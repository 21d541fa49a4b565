#include "app/display.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <pwd.h>
#include <unistd.h>

// Which window systems the panel tries, and in what order, from what the
// session offers and what is installed.
class TestDisplay : public QObject {
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void runtimeFolderWhileMade_data();
    void runtimeFolderWhileMade();
};

void TestDisplay::choice_data()
{
    QTest::addColumn<int>("sessions"); // 1 Wayland, 2 X11
    QTest::addColumn<int>("plugins");  // 1 wayland, 2 xcb
    QTest::addColumn<bool>("preferX11");
    QTest::addColumn<QByteArray>("platforms");
    QTest::addColumn<QString>("problem");
    const QString noPlugin = QStringLiteral("cannot open a window: WAYLAND_DISPLAY is set but Qt's Wayland plugin is "
                                            "not installed (package qt6-wayland), and DISPLAY is not set");
    QTest::newRow("X11 only") << 2 << 3 << true << QByteArray("xcb") << QString();
    QTest::newRow("Wayland only") << 1 << 3 << true << QByteArray("wayland") << QString();
    QTest::newRow("both, Qt's Wayland frame lacking") << 3 << 3 << true << QByteArray("xcb;wayland") << QString();
    QTest::newRow("both, native first") << 3 << 3 << false << QByteArray("wayland;xcb") << QString();
    QTest::newRow("both, no Wayland plugin") << 3 << 2 << false << QByteArray("xcb") << QString();
    QTest::newRow("Wayland without its plugin, no X11") << 1 << 2 << false << QByteArray() << noPlugin;
    QTest::newRow("X11 without its plugin")
        << 2 << 1 << true << QByteArray()
        << QStringLiteral("cannot open a window: WAYLAND_DISPLAY is not set, and DISPLAY is set but Qt's X11 "
                          "plugin (xcb) is not installed");
    QTest::newRow("no display at all")
        << 0 << 3 << true << QByteArray()
        << QStringLiteral("no display to open the window on (neither WAYLAND_DISPLAY nor DISPLAY is set)");
}

void TestDisplay::choice()
{
    QFETCH(int, sessions);
    QFETCH(int, plugins);
    QFETCH(bool, preferX11);
    QFETCH(QByteArray, platforms);
    QFETCH(QString, problem);
    const DisplayChoice choice =
        chooseDisplay({bool(sessions & 1), bool(sessions & 2), bool(plugins & 1), bool(plugins & 2), preferX11});
    QCOMPARE(choice.platforms, platforms);
    QCOMPARE(choice.problem, problem);
}

void TestDisplay::runtimeFolderWhileMade_data()
{
    QTest::addColumn<std::optional<QByteArray>>("given"); // "TEMP": a private folder of the test's
    QTest::newRow("not set, as cron and su - start it") << std::optional<QByteArray>();
    QTest::newRow("empty") << std::optional<QByteArray>("");
    QTest::newRow("relative") << std::optional<QByteArray>("run");
    QTest::newRow("the session's") << std::optional<QByteArray>("TEMP");
}

// Qt finds its runtime folder without a word on standard error, and the
// program's environment is as it was once the application is made.
void TestDisplay::runtimeFolderWhileMade()
{
#ifndef Q_OS_UNIX
    QSKIP("Qt has no runtime folder to warn about here");
#endif
    QFETCH(std::optional<QByteArray>, given);
    const std::optional<QByteArray> saved =
        qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") ? std::optional(qgetenv("XDG_RUNTIME_DIR")) : std::nullopt;
    QTemporaryDir session;
    if (given == "TEMP")
        given = QFile::encodeName(session.path());
    if (given)
        qputenv("XDG_RUNTIME_DIR", *given);
    else
        qunsetenv("XDG_RUNTIME_DIR");
    const QString expected = given && QDir::isAbsolutePath(QFile::decodeName(*given))
                                 ? QFile::decodeName(*given)
                                 : QDir::tempPath() + QStringLiteral("/runtime-") + QString::fromLocal8Bit(getpwuid(geteuid())->pw_name);

    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    {
        StartRuntimeFolder folder;
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), expected);
    }
    QCOMPARE(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"), bool(given));
    if (given)
        QCOMPARE(qgetenv("XDG_RUNTIME_DIR"), *given);
    if (saved)
        qputenv("XDG_RUNTIME_DIR", *saved);
    else
        qunsetenv("XDG_RUNTIME_DIR");
}

QTEST_GUILESS_MAIN(TestDisplay)
#include "tst_display.moc"
