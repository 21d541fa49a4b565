#include "livepanel.h"
#include "ptypair.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Odd names for a device, given as ORVANE_COM1: what is opened, and what a message names.
class TestDeviceNames : public QObject {
    Q_OBJECT
private slots:
    void names_data();
    void names();
};

void TestDeviceNames::names_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("outcome"); // "opened", or what the message says after the device

    // Locked under the device's own name, however long the way to it.
    QTest::newRow("path over 255 bytes") << "long" << "opened";
    QTest::newRow("bytes that are not UTF-8") << "latin1" << "opened";
    QTest::newRow("bare name") << "bare" << "cannot open: No such file or directory";
    QTest::newRow("pseudo-terminal master") << "ptmx"
                                            << "cannot open: it is not a serial device (the master side";
    QTest::newRow("empty value: the first adapter") << "empty" << "opened";
}

void TestDeviceNames::names()
{
    QFETCH(QString, kind);
    QFETCH(QString, outcome);
    Pty pty;
    QTemporaryDir dir;
    QByteArray variable;  // as the environment holds it
    QString named;        // as messages show it
    const QByteArray target = pty.path().toLocal8Bit();
    if (kind == u"long") {
        const QString deep = dir.filePath(QString(120, u'd')) + u'/' + QString(120, u'e');
        QVERIFY(QDir().mkpath(deep));
        named = deep + u'/' + QString(40, u'n');
        variable = named.toLocal8Bit();
        QVERIFY(named.size() > 255);
    } else if (kind == u"latin1") {
        variable = QFile::encodeName(dir.path()) + "/board\xe9";
        named = dir.path() + QStringLiteral("/board\\xE9");
    } else if (kind == u"bare") {
        variable = "orvane-no-such-board";
        named = QStringLiteral("/dev/orvane-no-such-board");
    } else if (kind == u"ptmx") {
        named = QStringLiteral("/dev/ptmx");
        variable = named.toLocal8Bit();
    } else {
        // Unset, Com1 is the first adapter plugged in: here the pseudo-terminal plays one.
        named = pty.path();
    }
    if (kind == u"long" || kind == u"latin1")
        QVERIFY(::symlink(target.constData(), variable.constData()) == 0);

    LivePanel panel(variable, testPorts({usbAdapter(pty.path(), QStringLiteral("FT232R USB UART"))}));
    panel.p().Start->click();
    const QString prefix = QStringLiteral("Com1 (%1): ").arg(named);
    if (outcome == u"opened") {
        QVERIFY2(panel.reports.isEmpty(), qPrintable(panel.reports.value(0)));
        QCOMPARE(panel.p().OrvaneCom->portLabel(), prefix.chopped(2));
        QCOMPARE(pty.receive(8, 2000), QByteArray("d 1\rs 0\r"));
        // Whatever the path, the lock is the device's own, as other programs look for it.
        if (QFileInfo(QStringLiteral("/run/lock")).isWritable())
            QCOMPARE(panel.p().OrvaneCom->lockFile(), QStringLiteral("/run/lock/LCK..") + pty.path().mid(5).replace(u'/', u'_'));
        panel.p().Halt->click();
    } else {
        QCOMPARE(panel.reports.size(), 1);
        QVERIFY2(panel.reports.first().startsWith(prefix + outcome), qPrintable(panel.reports.first()));
    }
    QVERIFY(panel.isIdle());
    qunsetenv("ORVANE_COM1");
}

QTEST_MAIN(TestDeviceNames)
#include "tst_devicenames.moc"
