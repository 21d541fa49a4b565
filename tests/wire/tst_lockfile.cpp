#include "wire/devicename.h"
#include "wire/lockfile.h"

#include <QTest>

Q_DECLARE_METATYPE(LockedFile)

class TestLockFile : public QObject {
    Q_OBJECT
private slots:
    void names_data();
    void names();
    void owners_data();
    void owners();
    void ownFileReadsBack_data();
    void ownFileReadsBack();
    void flockHolders_data();
    void flockHolders();
};

void TestLockFile::names_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("name"); // empty: too long
    const QString a250(250, u'a');
    QTest::newRow("below /dev") << "/dev/ttyUSB0" << "LCK..ttyUSB0";
    QTest::newRow("pseudo-terminal") << "/dev/pts/3" << "LCK..pts_3";
    QTest::newRow("deeper below /dev") << "/dev/serial/by-id/usb-FTDI" << "LCK..serial_by-id_usb-FTDI";
    QTest::newRow("outside /dev") << "/tmp/d/ttyUSB7" << "LCK..ttyUSB7";
    QTest::newRow("only looks like /dev") << "/devices/tty1" << "LCK..tty1";
    QTest::newRow("longest") << "/dev/" + a250 << "LCK.." + a250;
    QTest::newRow("a byte too long") << "/dev/" + a250 + u'b' << "";
    QTest::newRow("counted in bytes") << "/dev/" + a250.first(249) + u'\u00e9' << "";
    QTest::newRow("kept byte") << decodeDeviceName("/dev/tty\xff") << decodeDeviceName("LCK..tty\xff");
}

void TestLockFile::names()
{
    QFETCH(QString, device);
    QFETCH(QString, name);
    QCOMPARE(lockFileName(device), name);
}

void TestLockFile::owners_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("pid"); // 0: names no process
    QTest::addColumn<QString>("program");
    QTest::newRow("HDB") << QByteArray("      4242\n") << 4242ll << "";
    QTest::newRow("HDB named") << QByteArray("      4242 minicom\n") << 4242ll << "minicom";
    QTest::newRow("HDB name and user") << QByteArray("      4242 minicom root\n") << 4242ll << "minicom";
    QTest::newRow("no padding") << QByteArray("4242\n") << 4242ll << "";
    QTest::newRow("wide blanks") << QByteArray("                 4242   picocom   \n") << 4242ll << "picocom";
    QTest::newRow("tabs") << QByteArray("\t4242\tpicocom\tme\n") << 4242ll << "picocom";
    QTest::newRow("no newline") << QByteArray("      4242") << 4242ll << "";
    QTest::newRow("CRLF") << QByteArray("      4242\r\n") << 4242ll << "";
    QTest::newRow("CRLF named") << QByteArray("      4242 minicom\r\n") << 4242ll << "minicom";
    QTest::newRow("binary") << QByteArray("\x92\x10\0\0", 4) << 4242ll << "";
    QTest::newRow("binary, largest") << QByteArray("\0\0\x40\0", 4) << 4194304ll << "";
    QTest::newRow("four bytes of text") << QByteArray("123\n") << 123ll << "";
    QTest::newRow("Qt") << QByteArray("4242\ntst_faults\nvm\n3d1219c7c4c5\n36e5dc45-c7dd\n") << 4242ll << "tst_faults";
    QTest::newRow("Qt, name with a blank") << QByteArray("4242\nMy Panel\r\nhost\n") << 4242ll << "My Panel";
    QTest::newRow("empty") << QByteArray() << 0ll << "";
    QTest::newRow("blank line") << QByteArray("   \n") << 0ll << "";
    QTest::newRow("garbage") << QByteArray("hello\n") << 0ll << "";
    QTest::newRow("digits then garbage") << QByteArray("4242abc\n") << 0ll << "";
    QTest::newRow("PID 0") << QByteArray("         0 minicom\n") << 0ll << "";
    QTest::newRow("negative") << QByteArray("        -5\n") << 0ll << "";
    QTest::newRow("binary 0") << QByteArray(4, '\0') << 0ll << "";
    QTest::newRow("binary negative") << QByteArray(4, '\xff') << 0ll << "";
    QTest::newRow("above the largest PID") << QByteArray("4194305\n") << 0ll << "";
    QTest::newRow("overflow") << QByteArray("99999999999999999999999\n") << 0ll << "";
}

void TestLockFile::owners()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, pid);
    QFETCH(QString, program);
    const LockOwner owner = parseLockFile(bytes);
    QCOMPARE(owner.pid, pid);
    QCOMPARE(owner.namesProcess(), pid > 0);
    QCOMPARE(owner.program, program);
}

void TestLockFile::ownFileReadsBack_data()
{
    QTest::addColumn<qint64>("pid");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("1") << 1ll << QByteArray("         1 orvane\n");
    QTest::newRow("4242") << 4242ll << QByteArray("      4242 orvane\n");
    QTest::newRow("largest") << 4194304ll << QByteArray("   4194304 orvane\n");
}

void TestLockFile::ownFileReadsBack()
{
    QFETCH(qint64, pid);
    QFETCH(QByteArray, bytes);
    QCOMPARE(formatLockFile(pid, QStringLiteral("orvane")), bytes);
    const LockOwner owner = parseLockFile(bytes);
    QCOMPARE(owner.pid, pid);
    QCOMPARE(owner.program, QStringLiteral("orvane"));
}

void TestLockFile::flockHolders_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<LockedFile>("file");
    QTest::addColumn<qint64>("holder"); // -1: nobody
    const LockedFile pts{0, 0x19, 3};
    const QByteArray held("1: FLOCK  ADVISORY  WRITE 21034 00:19:3 0 EOF\n");
    QTest::newRow("held") << held << pts << 21034ll;
    QTest::newRow("among others") << "1: OFDLCK ADVISORY  WRITE -1 00:19:3 0 EOF\n2: POSIX  ADVISORY  WRITE 7 00:19:3 0 EOF\n"
                                     "3: FLOCK  ADVISORY  WRITE 8 fe:00:3 0 EOF\n" + held << pts << 21034ll;
    QTest::newRow("holder and waiter") << held + "1: -> FLOCK  ADVISORY  WRITE 25550 00:19:3 0 EOF\n" << pts << 21034ll;
    QTest::newRow("waiter alone") << QByteArray("1: -> FLOCK  ADVISORY  WRITE 25550 00:19:3 0 EOF\n") << pts << -1ll;
    QTest::newRow("POSIX") << QByteArray("2: POSIX  ADVISORY  WRITE 7 00:19:3 0 EOF\n") << pts << -1ll;
    QTest::newRow("OFD") << QByteArray("1: OFDLCK ADVISORY  WRITE -1 00:19:3 0 EOF\n") << pts << -1ll;
    QTest::newRow("shared") << QByteArray("1: FLOCK  ADVISORY  READ 7 00:19:3 0 EOF\n") << pts << -1ll;
    QTest::newRow("inode with more digits") << QByteArray("1: FLOCK  ADVISORY  WRITE 7 00:19:30 0 EOF\n") << pts << -1ll;
    QTest::newRow("other minor") << QByteArray("1: FLOCK  ADVISORY  WRITE 7 00:1a:3 0 EOF\n") << pts << -1ll;
    QTest::newRow("decimal is not hex") << QByteArray("1: FLOCK  ADVISORY  WRITE 7 00:25:3 0 EOF\n") << pts << -1ll;
    QTest::newRow("minor above ff") << QByteArray("1: FLOCK  ADVISORY  WRITE 7 00:105:9 0 EOF\n")
                                    << LockedFile{0, 0x105, 9} << 7ll;
    QTest::newRow("holder not visible") << QByteArray("1: FLOCK  ADVISORY  WRITE 0 00:19:3 0 EOF\n") << pts << 0ll;
    QTest::newRow("cut short") << QByteArray("1: FLOCK  ADVISORY  WRITE 7\n") << pts << -1ll;
    QTest::newRow("empty") << QByteArray() << pts << -1ll;
}

void TestLockFile::flockHolders()
{
    QFETCH(QByteArray, text);
    QFETCH(LockedFile, file);
    QFETCH(qint64, holder);
    QCOMPARE(flockHolder(text, file).value_or(-1), holder);
}

QTEST_APPLESS_MAIN(TestLockFile)
#include "tst_lockfile.moc"
