#include "wire/adapter.h"

#include <QSet>
#include <QTest>

namespace {
SerialPortEntry ftdi(const QString &device, const QString &serial, const QStringList &names = {})
{
    SerialPortEntry entry;
    entry.device = device;
    entry.description = QStringLiteral("FT232R USB UART");
    entry.manufacturer = QStringLiteral("FTDI");
    entry.usb = true;
    entry.serialNumber = serial;
    entry.vendorId = 0x0403;
    entry.productId = 0x6001;
    entry.stableNames = names;
    return entry;
}

const QString kByPath = QStringLiteral("/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0");
const QString kById = QStringLiteral("/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0");
} // namespace

class TestAdapter : public QObject {
    Q_OBJECT
private slots:
    void sameAdapter_data();
    void sameAdapter();
};

void TestAdapter::sameAdapter_data()
{
    using Ports = QList<SerialPortEntry>;
    QTest::addColumn<QString>("given");    // the path the port was opened by
    QTest::addColumn<QString>("resolved"); // what it named after links
    QTest::addColumn<Ports>("before");
    QTest::addColumn<QString>("told");     // how the awaited adapter is named to the user
    QTest::addColumn<Ports>("after");
    QTest::addColumn<QStringList>("present"); // paths that exist after
    QTest::addColumn<QString>("found");       // empty: not back

    const Ports one{ftdi("/dev/ttyUSB0", "A10K3XYZ")};
    const QString serial = QStringLiteral("FTDI FT232R USB UART, serial A10K3XYZ");
    QTest::newRow("serial number, back under the next name")
        << "/dev/ttyUSB0" << "/dev/ttyUSB0" << one << serial << Ports{ftdi("/dev/ttyUSB1", "A10K3XYZ")}
        << QStringList{"/dev/ttyUSB1"} << "/dev/ttyUSB1";
    QTest::newRow("serial number, another adapter took the name")
        << "/dev/ttyUSB0" << "/dev/ttyUSB0" << one << serial << Ports{ftdi("/dev/ttyUSB0", "B77Q")}
        << QStringList{"/dev/ttyUSB0"} << "";
    SerialPortEntry otherProduct = ftdi("/dev/ttyUSB0", "A10K3XYZ");
    otherProduct.productId = 0x6015;
    QTest::newRow("serial number, same digits on another product")
        << "/dev/ttyUSB0" << "/dev/ttyUSB0" << one << serial << Ports{otherProduct} << QStringList{"/dev/ttyUSB0"}
        << "";
    QTest::newRow("serial number, given by its by-id name")
        << "/dev/serial/by-id/usb-FTDI_FT232R_A10K3XYZ-if00-port0" << "/dev/ttyUSB0" << one << serial
        << Ports{ftdi("/dev/ttyUSB2", "B77Q"), ftdi("/dev/ttyUSB3", "A10K3XYZ")} << QStringList{"/dev/ttyUSB3"}
        << "/dev/ttyUSB3";

    const Ports noSerial{ftdi("/dev/ttyUSB0", {}, {kById, kByPath})};
    QTest::newRow("no serial number: the socket it is plugged into")
        << "/dev/ttyUSB0" << "/dev/ttyUSB0" << noSerial << kByPath
        << Ports{ftdi("/dev/ttyUSB0", {}, {kById, "/dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0"}),
                 ftdi("/dev/ttyUSB1", {}, {kById, kByPath})}
        << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"} << "/dev/ttyUSB1";
    QTest::newRow("no serial number, given by its by-id name")
        << kById << "/dev/ttyUSB0" << noSerial << kById << Ports{ftdi("/dev/ttyUSB4", {}, {kById})}
        << QStringList{"/dev/ttyUSB4"} << "/dev/ttyUSB4";

    QTest::newRow("not listed: the path again") << "/dev/ttyS1" << "/dev/ttyS1" << one << "/dev/ttyS1" << one
                                                << QStringList{"/dev/ttyS1"} << "/dev/ttyS1";
    QTest::newRow("a link, pointed anew") << "/tmp/x/board" << "/dev/pts/3" << one << "/tmp/x/board" << Ports{}
                                          << QStringList{"/tmp/x/board"} << "/tmp/x/board";
    QTest::newRow("a link, still dangling") << "/tmp/x/board" << "/dev/pts/3" << Ports{} << "/tmp/x/board"
                                            << one << QStringList{"/dev/ttyUSB0"} << "";
}

void TestAdapter::sameAdapter()
{
    using Ports = QList<SerialPortEntry>;
    QFETCH(QString, given);
    QFETCH(QString, resolved);
    QFETCH(Ports, before);
    QFETCH(QString, told);
    QFETCH(Ports, after);
    QFETCH(QStringList, present);
    QFETCH(QString, found);
    const AdapterIdentity id = identifyAdapter(given, resolved, before);
    QCOMPARE(id.describe(), told);
    const QSet<QString> exists(present.begin(), present.end());
    QCOMPARE(findAdapter(id, after, [&](const QString &path) { return exists.contains(path); }), found);
}

QTEST_GUILESS_MAIN(TestAdapter)
#include "tst_adapter.moc"
