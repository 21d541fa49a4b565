#include "app/display.h"

#include <QTest>

// Which window systems the panel tries, and in what order, from what the
// session offers and what is installed.
class TestDisplay : public QObject {
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
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

QTEST_GUILESS_MAIN(TestDisplay)
#include "tst_display.moc"
