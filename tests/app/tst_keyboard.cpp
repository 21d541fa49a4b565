#include "panelfixture.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void focusOrder();
    void spaceSpaceStartsAndStops();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void focusAlwaysMarked();
};

void TestKeyboard::focusOrder()
{
    PanelFixture f;
    QVERIFY(f.showActive());
    QCOMPARE(QApplication::focusWidget(), f.p().Start);
    // Enable everything so the whole chain can take the focus.
    f.p().Halt->setEnabled(true);
    f.p().ZoomOut->setEnabled(true);
    f.p().HScroll->setVisible(true);
    f.p().HScroll->setEnabled(true);
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, QStringList({"Start", "Halt", "HScroll", "ZoomIn", "ZoomOut"}));
    QCOMPARE(QApplication::focusWidget(), f.p().Start);
}

void TestKeyboard::spaceSpaceStartsAndStops()
{
    PanelFixture f;
    QVERIFY(f.showActive());
    QCOMPARE(QApplication::focusWidget(), f.p().Start);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(f.p().Halt->isEnabled());
    QCOMPARE(QApplication::focusWidget(), f.p().Halt);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(!f.port->isOpen());
    QCOMPARE(QApplication::focusWidget(), f.p().Start);
    QCOMPARE(f.port->opens, 1);
}

void TestKeyboard::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::newRow("Return on Run") << "Start" << int(Qt::Key_Return);
    QTest::newRow("Enter on Run") << "Start" << int(Qt::Key_Enter);
    QTest::newRow("Return on Zoom In") << "ZoomIn" << int(Qt::Key_Return);
}

void TestKeyboard::enterPressesTheFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    PanelFixture f;
    QVERIFY(f.showActive());
    auto *target = f.window->findChild<QPushButton *>(button);
    target->setFocus(Qt::TabFocusReason);
    QSignalSpy clicks(target, &QPushButton::clicked);
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(clicks.size(), 1);
    if (button == u"Start")
        QVERIFY(f.port->isOpen());
    else
        QCOMPARE(f.p().state.ZoomMag, qint16(2));
}

// Qt marks focus only after the keyboard moved it; here it is marked after a click too.
void TestKeyboard::focusAlwaysMarked()
{
    PanelFixture f;
    QVERIFY(f.showActive());
    QVERIFY(f.window->testAttribute(Qt::WA_KeyboardFocusChange));
    QTest::mouseClick(f.p().ZoomIn, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), f.p().ZoomIn);
    QVERIFY(f.window->testAttribute(Qt::WA_KeyboardFocusChange));
    QTest::mouseClick(f.p().Start, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), f.p().Halt);
    QVERIFY(f.window->testAttribute(Qt::WA_KeyboardFocusChange));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
