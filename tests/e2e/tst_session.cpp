#include "app/orvane.h"
#include "app/program.h"
#include "simprocess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {
QString selfPath;

// The real program on the simulator's line, pressing Run once its window is
// up, with `ignored` (when not 0) ignored from its start, as nohup does.
void startProgram(QProcess &program, const SimProcess &sim, const QProcessEnvironment &display, int ignored = 0)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    env.insert(display);
    env.insert(QStringLiteral("ORVANE_COM1"), sim.device());
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    if (ignored)
        program.setChildProcessModifier([ignored] { ::signal(ignored, SIG_IGN); });
    program.start(selfPath, {QStringLiteral("--run-program")});
}

QProcessEnvironment offscreen()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}
} // namespace

// The real program told to stop by the desktop, the terminal or a kill, or
// losing its display: the port is closed and its lock released.
class TestSession : public QObject {
    Q_OBJECT
private slots:
    void endsCleanlyOnSignal_data();
    void endsCleanlyOnSignal();
    void losingTheXServerClosesThePort();
};

void TestSession::endsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("ignoredAtStart"); // then it goes by, and SIGTERM ends the program
    QTest::newRow("SIGTERM, the session ends") << int(SIGTERM) << false;
    QTest::newRow("SIGHUP, the terminal goes") << int(SIGHUP) << false;
    QTest::newRow("SIGINT, Ctrl-C") << int(SIGINT) << false;
    QTest::newRow("SIGHUP under nohup") << int(SIGHUP) << true;
    QTest::newRow("SIGINT to a background job of a script") << int(SIGINT) << true;
}

void TestSession::endsCleanlyOnSignal()
{
    QFETCH(int, signal);
    QFETCH(bool, ignoredAtStart);
    SimProcess sim({});
    QProcess program;
    startProgram(program, sim, offscreen(), ignoredAtStart ? signal : 0);
    QVERIFY(program.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!sim.received().isEmpty(), 8000); // "d 1": the run is going
    const QString lock = sim.lockFile();
    QVERIFY2(QFileInfo::exists(lock), qPrintable(lock));

    ::kill(pid_t(program.processId()), signal);
    if (ignoredAtStart) {
        QVERIFY(!program.waitForFinished(1000));
        const qsizetype commands = sim.received().size();
        QTRY_VERIFY_WITH_TIMEOUT(sim.received().size() > commands, 2000); // the run goes on
        QCOMPARE(sim.count(QStringLiteral("closed")), 0);
        program.terminate();
    }
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(sim.count(QStringLiteral("closed")), 1, 2000);
    QVERIFY2(!QFileInfo::exists(lock), qPrintable(lock));
}

// Qt ends the program with exit() when the X connection breaks; the port is closed all the same.
void TestSession::losingTheXServerClosesThePort()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not installed (scripts/setup installs it)");
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("640x480x24")});
    QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 10000);
    const QByteArray number = server.readLine().trimmed();
    QTemporaryDir runtime;
    QProcessEnvironment display;
    display.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(number));
    display.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

    SimProcess sim({});
    QProcess program;
    startProgram(program, sim, display);
    QVERIFY(program.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!sim.received().isEmpty(), 8000);
    const QString lock = sim.lockFile();
    QVERIFY2(QFileInfo::exists(lock), qPrintable(lock));

    server.terminate();
    QVERIFY(server.waitForFinished(5000));
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(sim.count(QStringLiteral("closed")), 1, 2000);
    QVERIFY2(!QFileInfo::exists(lock), qPrintable(lock));
}

// "--run-program": the program itself, pressing Run once its window is up.
int main(int argc, char *argv[])
{
    if (argc == 2 && QByteArray(argv[1]) == "--run-program")
        return runProgram(argc, argv, [](Orvane &window) { window.panel().Start->click(); });
    QCoreApplication app(argc, argv);
    selfPath = QCoreApplication::applicationFilePath();
    TestSession test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_session.moc"
