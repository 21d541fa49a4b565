#include "wire/commsettings.h"

#include <QTest>

class TestCommSettings : public QObject {
    Q_OBJECT
private slots:
    void parses_data();
    void parses();
    void rejects_data();
    void rejects();
};

void TestCommSettings::parses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");

    QTest::addColumn<qint64>("characterNs"); // start, data, parity and stop bits on the line

    QTest::newRow("panel's own") << "9600,N,8,1" << 9600 << int(QSerialPort::NoParity) << 8
                                 << int(QSerialPort::OneStop) << qint64(1'041'666);
    QTest::newRow("even, lower case") << "19200,e,7,2" << 19200 << int(QSerialPort::EvenParity)
                                      << 7 << int(QSerialPort::TwoStop) << qint64(572'916);
    QTest::newRow("odd") << "300,O,5,1.5" << 300 << int(QSerialPort::OddParity) << 5
                         << int(QSerialPort::OneAndHalfStop) << qint64(28'333'333);
    QTest::newRow("mark") << "115200,m,6,1" << 115200 << int(QSerialPort::MarkParity) << 6
                          << int(QSerialPort::OneStop) << qint64(78'125);
    QTest::newRow("space, blanks") << " 1200 , S , 8 , 2 " << 1200 << int(QSerialPort::SpaceParity)
                                   << 8 << int(QSerialPort::TwoStop) << qint64(10'000'000);
}

void TestCommSettings::parses()
{
    QFETCH(QString, text);
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    const SettingsParse parsed = parseCommSettings(text);
    QVERIFY2(parsed.settings, qPrintable(parsed.error));
    QCOMPARE(parsed.settings->baud, baud);
    QCOMPARE(int(parsed.settings->parity), parity);
    QCOMPARE(int(parsed.settings->dataBits), dataBits);
    QCOMPARE(int(parsed.settings->stopBits), stopBits);
    QFETCH(qint64, characterNs);
    QCOMPARE(qint64(characterTime(*parsed.settings).count()), characterNs);
}

void TestCommSettings::rejects_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("empty") << "" << "four fields";
    QTest::newRow("five fields") << "9600,N,8,1,1" << "four fields";
    QTest::newRow("baud zero") << "0,N,8,1" << "baud rate \"0\"";
    QTest::newRow("baud text") << "fast,N,8,1" << "baud rate \"fast\"";
    QTest::newRow("baud huge") << "99999999999,N,8,1" << "baud rate";
    QTest::newRow("baud plus") << "+9600,N,8,1" << "baud rate";
    QTest::newRow("baud, NUL, text") << QStringLiteral("9600%1fast,N,8,1").arg(QChar(0)) << "baud rate";
    QTest::newRow("parity long s") << QStringLiteral("9600,\u017F,8,1") << "parity";
    QTest::newRow("parity word") << "9600,None,8,1" << "parity \"None\"";
    QTest::newRow("data 4") << "9600,N,4,1" << "data bits \"4\"";
    QTest::newRow("stop 1.0") << "9600,N,8,1.0" << "stop bits \"1.0\"";
}

void TestCommSettings::rejects()
{
    QFETCH(QString, text);
    QFETCH(QString, mentions);
    const SettingsParse parsed = parseCommSettings(text);
    QVERIFY(!parsed.settings);
    QVERIFY2(parsed.error.contains(mentions), qPrintable(parsed.error));
}

QTEST_APPLESS_MAIN(TestCommSettings)
#include "tst_commsettings.moc"
