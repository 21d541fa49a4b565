#include "app/orvane.h"
#include "app/program.h"
#include "simprocess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <csignal>

namespace {
QString selfPath;

} // namespace

// The real program told to stop by the desktop, the terminal or a kill: it ends
// as if its windows were closed.
class TestSession : public QObject {
    Q_OBJECT
private slots:
    void endsCleanlyOnSignal_data();
    void endsCleanlyOnSignal();
};

void TestSession::endsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM, the session ends") << int(SIGTERM);
    QTest::newRow("SIGHUP, the terminal goes") << int(SIGHUP);
    QTest::newRow("SIGINT, Ctrl-C") << int(SIGINT);
}

void TestSession::endsCleanlyOnSignal()
{
    QFETCH(int, signal);
    SimProcess sim({});
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORVANE_COM1"), sim.device());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(selfPath, {QStringLiteral("--run-program")});
    QVERIFY(program.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!sim.received().isEmpty(), 8000); // "d 1": the run is going
    // Locked under the device's own name, in the folder every serial program shares.
    const QString lock = QStringLiteral("/run/lock/LCK..") + sim.device().mid(5).replace(u'/', u'_');
    QVERIFY2(QFileInfo::exists(lock), qPrintable(lock));

    ::kill(pid_t(program.processId()), signal);
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
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
