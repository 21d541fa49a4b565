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
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("presses");
    QTest::newRow("Return on Run") << "Start" << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
    QTest::newRow("Enter on Run") << "Start" << int(Qt::Key_Enter) << int(Qt::NoModifier) << true;
    QTest::newRow("Return on Zoom In") << "ZoomIn" << int(Qt::Key_Return) << int(Qt::NoModifier) << true;
    // The keypad's Enter comes with the keypad modifier.
    QTest::newRow("keypad Enter on Run") << "Start" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
    QTest::newRow("keypad Enter on Zoom In") << "ZoomIn" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
    QTest::newRow("Ctrl+keypad Enter on Run") << "Start" << int(Qt::Key_Enter)
                                              << int(Qt::ControlModifier | Qt::KeypadModifier) << false;
    QTest::newRow("Shift+Return on Zoom In") << "ZoomIn" << int(Qt::Key_Return) << int(Qt::ShiftModifier) << false;
}

void TestKeyboard::enterPressesTheFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, presses);
    PanelFixture f;
    QVERIFY(f.showActive());
    auto *target = f.window->findChild<QPushButton *>(button);
    target->setFocus(Qt::TabFocusReason);
    QSignalSpy clicks(target, &QPushButton::clicked);
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(clicks.size(), int(presses));
    if (button == u"Start")
        QCOMPARE(f.port->isOpen(), presses);
    else
        QCOMPARE(f.p().state.ZoomMag, qint16(presses ? 2 : 1));
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
