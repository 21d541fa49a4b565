#include "wire/devicename.h"
#include "wire/portdevice.h"

#include <QTest>

namespace {
SerialPortEntry onboard(const char *device)
{
    SerialPortEntry entry;
    entry.device = QString::fromLatin1(device);
    return entry;
}
SerialPortEntry adapter(const char *device)
{
    SerialPortEntry entry = onboard(device);
    entry.description = QStringLiteral("USB UART");
    entry.usb = true;
    return entry;
}
} // namespace

class TestPortDevice : public QObject {
    Q_OBJECT
private slots:
    void choice_data();
    void choice();
    void description();
    void namesKeepTheirBytes_data();
    void namesKeepTheirBytes();
};

void TestPortDevice::choice_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("variable"); // ORVANE_COM<port>; "-" when unset
    QTest::addColumn<QList<SerialPortEntry>>("ports");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("reason"); // why it fell back to that device

    const QString noAdapter = QStringLiteral("no USB serial adapter is plugged in");
    const QList<SerialPortEntry> none{onboard("/dev/ttyS0"), onboard("/dev/ttyS1")};
    const QList<SerialPortEntry> one = none + QList{adapter("/dev/ttyUSB0")};
    // Offered in plug order; chosen by name, numbers as numbers, ACM before USB.
    const QList<SerialPortEntry> two = none + QList{adapter("/dev/ttyUSB10"), adapter("/dev/ttyUSB2")};
    const QList<SerialPortEntry> mixed = QList{adapter("/dev/ttyUSB0"), adapter("/dev/ttyACM0")};
#ifdef Q_OS_WIN
    QTest::newRow("Com1, nothing set") << 1 << "-" << one << "COM1" << "";
    QTest::newRow("Com4, nothing set") << 4 << "-" << one << "COM4" << "";
    QTest::newRow("Com2 from the variable") << 2 << "\\\\.\\COM12" << one << "\\\\.\\COM12" << "";
#else
    QTest::newRow("Com1, no adapter") << 1 << "-" << none << "/dev/ttyS0" << noAdapter;
    QTest::newRow("Com4, no adapter") << 4 << "-" << none << "/dev/ttyS3" << noAdapter;
    QTest::newRow("Com1, one adapter") << 1 << "-" << one << "/dev/ttyUSB0" << "";
    QTest::newRow("Com2, one adapter") << 2 << "-" << one << "/dev/ttyS1" << "only 1 USB serial adapter is plugged in";
    QTest::newRow("Com1, two adapters") << 1 << "-" << two << "/dev/ttyUSB2" << "";
    QTest::newRow("Com2, two adapters") << 2 << "-" << two << "/dev/ttyUSB10" << "";
    QTest::newRow("Com3, two adapters") << 3 << "-" << two << "/dev/ttyS2" << "only 2 USB serial adapters are plugged in";
    QTest::newRow("Com1, ACM and USB") << 1 << "-" << mixed << "/dev/ttyACM0" << "";
    QTest::newRow("Com1 from the variable, adapter present") << 1 << "/dev/pts/7" << one << "/dev/pts/7" << "";
    QTest::newRow("Com3 from the variable") << 3 << "/dev/ttyUSB9" << none << "/dev/ttyUSB9" << "";
    QTest::newRow("empty variable counts as unset") << 1 << "" << one << "/dev/ttyUSB0" << "";
    QTest::newRow("a bare name is under /dev") << 1 << "ttyUSB3" << none << "/dev/ttyUSB3" << "";
    QTest::newRow("a relative path stays") << 2 << "./board" << none << "./board" << "";
#endif
}

void TestPortDevice::choice()
{
    QFETCH(int, port);
    QFETCH(QString, variable);
    QFETCH(QList<SerialPortEntry>, ports);
    QFETCH(QString, device);
    QFETCH(QString, reason);
    QStringList asked;
    const auto env = [&](const QString &name) {
        asked << name;
        return variable == u"-" ? QString() : variable;
    };
    QCOMPARE(deviceForPort(port, env, ports), device);
    QCOMPARE(asked, QStringList{QStringLiteral("ORVANE_COM%1").arg(port)});
    QCOMPARE(portFallbackReason(port, env, ports), reason);
}

void TestPortDevice::description()
{
    const QList<SerialPortEntry> ports{adapter("/dev/ttyUSB0"), onboard("/dev/ttyS0")};
    QCOMPARE(describeDevice(QStringLiteral("/dev/ttyUSB0"), ports), QStringLiteral("/dev/ttyUSB0 (USB UART)"));
    QCOMPARE(describeDevice(QStringLiteral("/dev/ttyS0"), ports), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(describeDevice(QStringLiteral("/dev/pts/3"), ports), QStringLiteral("/dev/pts/3"));
}

void TestPortDevice::namesKeepTheirBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");

    QTest::newRow("ASCII") << QByteArray("/dev/ttyUSB0") << "/dev/ttyUSB0";
    QTest::newRow("UTF-8") << QByteArray("/tmp/plat\xc3\xa9/tty") << QString::fromUtf8("/tmp/plat\xc3\xa9/tty");
    QTest::newRow("Latin-1 byte") << QByteArray("/tmp/plat\xe9/tty") << "/tmp/plat\\xE9/tty";
    QTest::newRow("two bad bytes") << QByteArray("/tmp/\xff\xfe") << "/tmp/\\xFF\\xFE";
    QTest::newRow("cut sequence at the end") << QByteArray("/tmp/a\xc3") << "/tmp/a\\xC3";
    QTest::newRow("encoded surrogate") << QByteArray("/tmp/\xed\xb2\x80") << "/tmp/\\xED\\xB2\\x80";
}

void TestPortDevice::namesKeepTheirBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    const QString name = decodeDeviceName(bytes);
    QCOMPARE(encodeDeviceName(name), bytes);
    QCOMPARE(displayDeviceName(name), shown);
}

QTEST_APPLESS_MAIN(TestPortDevice)
#include "tst_portdevice.moc"
