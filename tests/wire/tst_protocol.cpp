#include "wire/protocol.h"

#include <QTest>

using wire::Command;

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void readings_data();
    void readings();
};

void TestProtocol::commands_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<Command>("writes");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("shield off") << wire::shieldCommand(1) << Command{"d 0", "\r"}
                                << QByteArray::fromHex("6420300D");
    QTest::newRow("shield on") << wire::shieldCommand(0) << Command{"d 1", "\r"}
                               << QByteArray::fromHex("6420310D");
    QTest::newRow("shield other") << wire::shieldCommand(7) << Command{"d 1", "\r"}
                                  << QByteArray::fromHex("6420310D");
    QTest::newRow("measure") << wire::measureCommand() << Command{"x", "\r"}
                             << QByteArray::fromHex("780D");
    QTest::newRow("select 0") << wire::selectCommand(0) << Command{"s ", "0", "\r"}
                              << QByteArray::fromHex("7320300D");
    QTest::newRow("select 9") << wire::selectCommand(9) << Command{"s ", "9", "\r"}
                              << QByteArray::fromHex("7320390D");
    QTest::newRow("select 10") << wire::selectCommand(10) << Command{"s ", "A", "\r"}
                               << QByteArray::fromHex("7320410D");
    QTest::newRow("select 13") << wire::selectCommand(13) << Command{"s ", "D", "\r"}
                               << QByteArray::fromHex("7320440D");
    QTest::newRow("select 15") << wire::selectCommand(15) << Command{"s ", "F", "\r"}
                               << QByteArray::fromHex("7320460D");
    QTest::newRow("select 16") << wire::selectCommand(16) << Command{"s ", "V", "\r"}
                               << QByteArray::fromHex("7320560D");
    QTest::newRow("select 17") << wire::selectCommand(17) << Command{"s ", "P", "\r"}
                               << QByteArray::fromHex("7320500D");
}

void TestProtocol::commands()
{
    QFETCH(Command, command);
    QFETCH(Command, writes);
    QFETCH(QByteArray, bytes);
    QCOMPARE(command, writes);
    QCOMPARE(command.join(), bytes);
}

void TestProtocol::readings_data()
{
    QTest::addColumn<QByteArray>("burst");
    QTest::addColumn<int>("reading");
    QTest::addColumn<bool>("twoDigits"); // places 4..5 as the board writes them

    QTest::newRow("7F") << QByteArray("x\r\n7F\r\n>") << 127 << true;
    QTest::newRow("7f lower case") << QByteArray("x\r\n7f\r\n>") << 127 << true;
    QTest::newRow("any other six") << QByteArray("abc7Fde>") << 127 << true;
    QTest::newRow("other six characters") << QByteArray("\xff\x00Z7F!?>", 8) << 127 << true;
    QTest::newRow("FF") << QByteArray("x\r\nFF\r\n>") << 255 << true;
    QTest::newRow("00") << QByteArray("x\r\n00\r\n>") << 0 << true;
    QTest::newRow("0 then CR") << QByteArray("x\r\n0\r\r\n>") << 0 << false;
    QTest::newRow("A then CR") << QByteArray("x\r\nA\r\r\n>") << 10 << false;
    QTest::newRow("CR LF in 4-5") << QByteArray("x\r\n\r\n\r\n>") << 0 << false;
    QTest::newRow("blank then digit") << QByteArray("x\r\n 9\r\n>") << 9 << false;
    QTest::newRow("tab then digit") << QByteArray("x\r\n\tC\r\n>") << 12 << false;
    QTest::newRow("LF then digit") << QByteArray("x\r\n\nC\r\n>") << 12 << false;
    QTest::newRow("digit then blank") << QByteArray("x\r\nB \r\n>") << 11 << false;
    QTest::newRow("garbage in 4") << QByteArray("x\r\nG5\r\n>") << 0 << false;
    QTest::newRow("digit then garbage") << QByteArray("x\r\n5G\r\n>") << 5 << false;
    QTest::newRow("high byte in 4") << QByteArray("x\r\n\xC3" "5\r\n>") << 0 << false;
    QTest::newRow("nine, 8th is >") << QByteArray("x\r\n80\r\n>z") << 128 << true;
    QTest::newRow("empty") << QByteArray() << 0 << false;
    QTest::newRow("shorter than four") << QByteArray("00") << 0 << false;
    QTest::newRow("four") << QByteArray("x\r\n9") << 9 << false;
}

void TestProtocol::readings()
{
    QFETCH(QByteArray, burst);
    QFETCH(int, reading);
    QFETCH(bool, twoDigits);
    QCOMPARE(wire::decodeReading(burst), reading);
    QCOMPARE(wire::hasTwoHexDigits(burst), twoDigits);
}

QTEST_APPLESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
