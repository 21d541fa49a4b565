#include "app/orvane.h"
#include "app/program.h"
#include "simprocess.h"
#include "westonprocess.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {
QString selfPath;

// The real program, told what to do on its standard input; it reports each
// window once it is on screen, with a picture of what it drew in it.
struct PanelProcess {
    QProcess process;
    QTemporaryDir grabs;
    QByteArray errors;

    PanelProcess(const QProcessEnvironment &env, const SimProcess &sim, bool run = false)
    {
        QProcessEnvironment all = env;
        all.insert(QStringLiteral("ORVANE_COM1"), sim.device());
        process.setProcessEnvironment(all);
        process.start(selfPath, {run ? QStringLiteral("--panel-run") : QStringLiteral("--panel"), grabs.path()});
    }
    // "panel W H L T R B": a window's size and the frame around it, as the program sees them.
    QList<int> report(const char *command = nullptr)
    {
        if (command)
            process.write(QByteArray(command) + '\n');
        while (!process.canReadLine() && process.waitForReadyRead(10000)) {
        }
        QList<int> out;
        for (const QByteArray &n : process.readLine().trimmed().split(' ').mid(1))
            out << n.toInt();
        return out;
    }
    ~PanelProcess()
    {
        process.kill();
        process.waitForFinished();
    }
    QImage grab(const char *window) const { return QImage(grabs.filePath(QString::fromLatin1(window) + QStringLiteral(".png"))); }
    QString stderrText()
    {
        errors += process.readAllStandardError();
        return QString::fromLocal8Bit(errors);
    }
};

QRect frameOf(const QList<int> &r, QPoint at)
{
    return QRect(at, QSize(r[0] + r[2] + r[4], r[1] + r[3] + r[5]));
}

// What the compositor shows inside a window's frame is what the window drew: no control covered.
bool showsAllOf(const QImage &screen, const WestonProcess::View &view, const QList<int> &r, const QImage &drawn)
{
    const QImage shown = screen.copy(QRect(view.rect.topLeft() + QPoint(r[2], r[3]), QSize(r[0], r[1])));
    return shown.convertToFormat(QImage::Format_RGB32) == drawn.convertToFormat(QImage::Format_RGB32);
}

// The object id of the toplevel a request titled, in the compositor's log.
QString toplevelTitled(const QString &log, const QString &title)
{
    const QRegularExpression set(QStringLiteral(R"(rq (xdg_toplevel@\d+)\.set_title\("%1"\))").arg(title));
    return set.match(log).captured(1);
}
} // namespace

// The real program without a display, and as a native Wayland client of a real compositor.
class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void noDisplay_data();
    void noDisplay();
    void panelAndAboutOnWayland();
    void losingTheCompositor();
};

#define SKIP_WITHOUT_WESTON()                                   \
    if (const QString missing = WestonProcess::missing(); !missing.isEmpty()) \
    QSKIP(qPrintable(missing))

void TestDesktop::noDisplay_data()
{
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("x11");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("none") << QString() << QString()
                          << "orvane: no display to open the window on (neither WAYLAND_DISPLAY nor DISPLAY is set)";
    QTest::newRow("neither answers") << "orvane-none" << ":9999"
                                     << "orvane: cannot open a window: no display answered "
                                        "(WAYLAND_DISPLAY=orvane-none, DISPLAY=:9999)";
}

// Not an abort with Qt's plugin message: one line of ours, and status 1.
void TestDesktop::noDisplay()
{
    QFETCH(QString, wayland);
    QFETCH(QString, x11);
    QFETCH(QString, lastLine);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), wayland);
    env.insert(QStringLiteral("DISPLAY"), x11);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(selfPath, {QStringLiteral("--panel"), QDir::tempPath()});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    const QStringList lines = QString::fromLocal8Bit(program.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.last(), lastLine);
    if (wayland.isEmpty())
        QCOMPARE(lines.size(), 1);
}

void TestDesktop::panelAndAboutOnWayland()
{
    SKIP_WITHOUT_WESTON();
    WestonProcess weston;
    QVERIFY(weston.isRunning());
    SimProcess sim({});
    PanelProcess panel(weston.clientEnvironment(), sim);
    const QList<int> mainSeen = panel.report();
    if (panel.stderrText().contains(QLatin1String("qt6-wayland")))
        QSKIP(qPrintable(panel.stderrText()));
    QCOMPARE(mainSeen.size(), 6);
    QList<WestonProcess::View> views;
    QTRY_COMPARE_WITH_TIMEOUT((views = weston.windows()).size(), 1, 5000);
    const WestonProcess::View main = views[0];
    QCOMPARE(main.title, QStringLiteral("Orvane"));
    QCOMPARE(main.rect, frameOf(mainSeen, main.rect.topLeft()));
    const QString shot = QFileInfo(QStringLiteral("wayland-panel.png")).absoluteFilePath();
    QVERIFY(weston.screenshot(shot));
    QVERIFY(showsAllOf(QImage(shot), main, mainSeen, panel.grab("panel")));

    const QList<int> aboutSeen = panel.report("about");
    QCOMPARE(aboutSeen.size(), 6);
    QTRY_COMPARE_WITH_TIMEOUT((views = weston.windows()).size(), 2, 5000);
    const WestonProcess::View about = views[0]; // topmost first
    QCOMPARE(about.title, QStringLiteral("About MyApp"));
    QCOMPARE(views[1].rect, main.rect);
    QCOMPARE(about.rect, frameOf(aboutSeen, about.rect.topLeft()));
    for (const WestonProcess::View &v : views) {
        QCOMPARE(v.role, QStringLiteral("xdg_toplevel"));
        QCOMPARE(v.appId, QStringLiteral("org.orvane.Orvane"));
    }
    QVERIFY(weston.screenshot(shot));
    const QImage screen(shot);
    QVERIFY(screen.rect().contains(about.rect));
    QVERIFY(showsAllOf(screen, about, aboutSeen, panel.grab("about")));
    qInfo("screenshot %s: the panel at (%d, %d), the About box at (%d, %d)", qPrintable(shot), main.rect.x(),
          main.rect.y(), about.rect.x(), about.rect.y());

    const QString log = weston.protocolLog();
    const QString mainId = toplevelTitled(log, main.title);
    const QString aboutId = toplevelTitled(log, about.title);
    QVERIFY(!mainId.isEmpty() && !aboutId.isEmpty());
    QVERIFY(log.contains(QStringLiteral("%1.set_parent(%2)").arg(aboutId, mainId)));
    // Fixed in size: the compositor may neither shrink nor stretch it.
    const QString size = QStringLiteral("_size(%1, %2)").arg(mainSeen[0]).arg(mainSeen[1]);
    QVERIFY2(log.contains(mainId + ".set_min" + size) && log.contains(mainId + ".set_max" + size), qPrintable(size));

    // Closing the panel leaves the About window, and the program, running.
    panel.process.write("close-panel\n");
    QTRY_COMPARE_WITH_TIMEOUT(weston.windows().size(), 1, 5000);
    QCOMPARE(weston.windows().first().title, about.title);
    QCOMPARE(panel.process.state(), QProcess::Running);
    QCOMPARE(panel.stderrText(), QString());
}

// Qt ends the program with _exit() when the compositor goes: none of its own
// code runs, the system closes the device, and the lock file stays behind,
// naming the ended process, for the next program to clear.
void TestDesktop::losingTheCompositor()
{
    SKIP_WITHOUT_WESTON();
    WestonProcess weston;
    SimProcess sim({});
    PanelProcess panel(weston.clientEnvironment(), sim, true);
    QCOMPARE(panel.report().size(), 6);
    QTRY_VERIFY_WITH_TIMEOUT(!sim.received().isEmpty(), 8000);
    const QString lock = sim.lockFile();
    QVERIFY(QFileInfo::exists(lock));
    const qint64 pid = panel.process.processId();

    weston.kill();
    QVERIFY(panel.process.waitForFinished(5000));
    // The status is Qt's: 1 with Qt 6.4, 255 with Qt 6.8.
    QCOMPARE(panel.process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(panel.process.exitCode() != 0, "ended with status 0");
    qInfo("ended with status %d", panel.process.exitCode());
    QTRY_COMPARE_WITH_TIMEOUT(sim.count(QStringLiteral("closed")), 1, 2000);
    auto holder = [&lock] {
        QFile file(lock);
        return file.open(QIODevice::ReadOnly) ? file.readLine().simplified().split(' ').value(0).toLongLong() : 0;
    };
    QCOMPARE(holder(), pid);

    // The next program takes the stale lock over.
    QProcessEnvironment offscreen = QProcessEnvironment::systemEnvironment();
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    PanelProcess next(offscreen, sim, true);
    QVERIFY(sim.waitForEvent(QStringLiteral("opened"), 2));
    const qsizetype commands = sim.received().size();
    QTRY_VERIFY_WITH_TIMEOUT(sim.received().size() > commands, 3000);
    QCOMPARE(holder(), next.process.processId());
}

namespace {
// Calls `then` once the window is on screen, having saved what it drew.
void whenShown(QWidget *window, const QString &name, const QString &grabs)
{
    auto *poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [window, name, grabs, poll] {
        if (!window->windowHandle()->isExposed())
            return;
        poll->deleteLater();
        window->grab().save(grabs + QStringLiteral("/") + name + QStringLiteral(".png"));
        const QMargins m = window->windowHandle()->frameMargins();
        std::printf("%s %d %d %d %d %d %d\n", qPrintable(name), window->width(), window->height(), m.left(), m.top(),
                    m.right(), m.bottom());
        std::fflush(stdout);
    });
    poll->start(50);
}

void drive(Orvane &window, bool run, const QString &grabs)
{
    if (run)
        window.panel().Start->click();
    whenShown(&window, QStringLiteral("panel"), grabs);
    QPointer<Orvane> panel(&window);
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
    QObject::connect(input, &QSocketNotifier::activated, [panel, grabs] {
        char line[64] = {};
        if (::read(STDIN_FILENO, line, sizeof line - 1) <= 0 || !panel)
            return;
        if (QByteArray(line).startsWith("about")) {
            panel->findChild<QAction *>(QStringLiteral("About"))->trigger();
            whenShown(panel->aboutWindow(), QStringLiteral("about"), grabs);
        } else {
            panel->close();
        }
    });
}
} // namespace

int main(int argc, char *argv[])
{
    const QByteArray mode = argc == 3 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--panel" || mode == "--panel-run") {
        const QString grabs = QString::fromLocal8Bit(argv[2]);
        return runProgram(argc, argv, [&](Orvane &w) { drive(w, mode == "--panel-run", grabs); });
    }
    QCoreApplication app(argc, argv);
    selfPath = QCoreApplication::applicationFilePath();
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
