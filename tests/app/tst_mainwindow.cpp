#include "panelfixture.h"

#include "app/frmabout.h"
#include "app/readable.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void labels_data();
    void labels();
    void buttonsAndScroll_data();
    void buttonsAndScroll();
    void hasFixedClientArea();
    void loadDefaults();
    void menuTree();
    void checkMarkStaysWithHandlers_data();
    void checkMarkStaysWithHandlers();
    void failureIsReportedOnce();
    void readableUnderDarkScheme_data();
    void readableUnderDarkScheme();
};

void TestMainWindow::labels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<bool>("border");

    const QColor cyan(0, 255, 255), yellow(255, 255, 128), white(255, 255, 255);
    const char *names[18] = {"ISrc", "E1", "E2", "E3", "E4", "E5", "E6", "E7", "E8",
                             "E9", "RFA", "RFB", "O", "OandR", "It", "RSD", "DD", "Pwr"};
    const char *captions[18] = {"ISrc", "E1", "E2", "E3", "E4", "E5", "E6", "E7", "E8",
                                "E9", "Ref A", "Ref B", "OSC", "O-R", "INT", "Rsvd", "Vdd", "Vpwr"};
    const char *values[18] = {"Source", "V1", "V2", "V3", "V4", "V5", "V6", "V7", "V8",
                              "V9", "RefA", "RefB", "OSC", "OSC_R", "Itnl", "Rsvd", "Vdd", "Vpwr"};
    for (int i = 0; i < 18; ++i) {
        QTest::addRow("name %s", names[i]) << names[i] << captions[i] << px(0, 300 * i, 400, 200)
                                           << (i == 0 ? QColor(128, 255, 255) : cyan) << false;
        const QRect valueRect = i == 7 ? px(400, 2100, 405, 195) : px(400, 300 * i, 400, 200);
        QTest::addRow("value %s", values[i]) << values[i] << "0" << valueRect << yellow << false;
    }
    QTest::newRow("V7 in pixels") << "V7" << "0" << QRect(27, 140, 27, 13) << yellow << false;
    QTest::newRow("CenterTxt") << "CenterTxt" << "Center" << px(3000, 5640, 495, 255) << white << false;
    QTest::newRow("Center") << "Center" << "120" << px(3000, 5880, 495, 255) << white << true;
    QTest::newRow("X") << "X" << "Mag" << px(4680, 5640, 375, 255) << white << false;
    QTest::newRow("Mag") << "Mag" << "1" << px(4680, 5880, 255, 255) << white << true;
}

void TestMainWindow::labels()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, rect);
    QFETCH(QColor, background);
    QFETCH(bool, border);

    PanelFixture f;
    QLabel *label = f.window->findChild<QLabel *>(name);
    QVERIFY2(label, qPrintable(name));
    QCOMPARE(label->text(), caption);
    QCOMPARE(label->geometry(), rect);
    QCOMPARE(label->palette().color(QPalette::Window), background);
    // Filled by Qt first, or painted whole by the label itself.
    QVERIFY(label->autoFillBackground() || label->testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage shot = label->grab().toImage();
    QCOMPARE(shot.pixelColor(shot.width() - 2, shot.height() - 2), background);
    QCOMPARE(label->frameShape() != QFrame::NoFrame, border);
    QVERIFY(!label->isHidden());
    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
}

void TestMainWindow::buttonsAndScroll_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("shown");

    QTest::newRow("Start") << "Start" << "Run" << px(360, 5640, 855, 495) << true << true;
    QTest::newRow("Start in pixels") << "Start" << "Run" << QRect(24, 376, 57, 33) << true << true;
    QTest::newRow("Halt") << "Halt" << "Stop" << px(1440, 5640, 855, 495) << false << true;
    QTest::newRow("ZoomIn") << "ZoomIn" << "Zoom In" << px(3720, 5640, 855, 495) << true << true;
    QTest::newRow("ZoomOut") << "ZoomOut" << "Zoom Out" << px(5040, 5640, 855, 495) << false << true;
    QTest::newRow("HScroll") << "HScroll" << "" << px(0, 6240, 6000, 255) << false << false;
    QTest::newRow("Line1") << "Line1" << "" << QRect(216, 360, 1, 16) << true << true;
}

void TestMainWindow::buttonsAndScroll()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, rect);
    QFETCH(bool, enabled);
    QFETCH(bool, shown);

    PanelFixture f;
    QWidget *w = f.window->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), rect);
    QCOMPARE(w->isEnabled(), enabled);
    QCOMPARE(!w->isHidden(), shown);
    if (auto *button = qobject_cast<QPushButton *>(w)) {
        QCOMPARE(button->text(), caption);
        QVERIFY(!button->isDefault());
        QVERIFY(!button->autoDefault());
    }
    if (auto *scroll = qobject_cast<QScrollBar *>(w)) {
        QCOMPARE(scroll->minimum(), 0);
        QCOMPARE(scroll->maximum(), 255);
        QCOMPARE(scroll->singleStep(), 1);
        QCOMPARE(scroll->pageStep(), 30);
        QCOMPARE(scroll->value(), 0);
        // It reaches past the client area and is clipped there.
        QVERIFY(!f.p().Chart->rect().contains(rect));
    }
}

void TestMainWindow::hasFixedClientArea()
{
    PanelFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QCOMPARE(f.window->centralWidget()->size(), QSize(399, 432));
    QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
    const Qt::WindowFlags flags = f.window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Orvane"));
    const QImage shot = f.window->centralWidget()->grab().toImage();
    QCOMPARE(shot.pixelColor(200, 100), QColor(Qt::white));
    QCOMPARE(shot.pixelColor(216, 365), QColor(Qt::black));
}

void TestMainWindow::loadDefaults()
{
    PanelFixture f;
    QCOMPARE(f.p().state.ChanIdx, qint16(0));
    QCOMPARE(f.p().state.ZoomMag, qint16(1));
    QCOMPARE(f.p().state.PortIdx, qint16(0));
    QCOMPARE(f.p().state.ShldMode, qint16(0));
    QCOMPARE(f.p().BarRgb, Rgb{});
    QVERIFY(f.p().chosen().all());
    QVERIFY(!f.port->isOpen());
    QCOMPARE(f.port->opens, 0);
    QCOMPARE(f.armedTimers(), 0);
}

void TestMainWindow::menuTree()
{
    PanelFixture f;
    QStringList seen;
    std::function<void(const QList<QAction *> &, int)> walk = [&](const QList<QAction *> &actions,
                                                                 int depth) {
        for (QAction *a : actions) {
            QString row = QString(depth, u'-') + a->objectName() + u'=' + a->text();
            if (a->isCheckable())
                row += a->isChecked() ? QStringLiteral(" [x]") : QStringLiteral(" [ ]");
            QVERIFY(a->isEnabled());
            QVERIFY(a->isVisible());
            QVERIFY(a->shortcut().isEmpty());
            seen << row;
            if (a->menu())
                walk(a->menu()->actions(), depth + 1);
        }
    };
    walk(f.window->menuBar()->actions(), 0);
    const QStringList expected = {
        "PortSel=Port", "-ComPort1=Com1 [x]", "-ComPort2=Com2 [ ]", "-ComPort3=Com3 [ ]",
        "-ComPort4=Com4 [ ]", "ShldDrvr=Shield Driver", "-SDON=On [x]", "-SDOFF=Off [ ]",
        "Mode=Mode", "-Norm=Normal [x]", "-Inv=Invert [ ]", "View=Measure", "-ElAllOn=All On",
        "-ElAllOff=All Off", "-El=Electrodes", "--ElSl1=Electrode 1 [x]",
        "--ElSl2=Electrode 2 [x]", "--ElSl3=Electrode 3 [x]", "--ElSl4=Electrode 4 [x]",
        "--ElSl5=Electrode 5 [x]", "--ElSl6=Electrode 6 [x]", "--ElSl7=Electrode 7 [x]",
        "--ElSl8=Electrode 8 [x]", "--ElSl9=Electrode 9 [x]", "-Ref=References",
        "--RefASl=Ref A [x]", "--RefBSl=Ref B [x]", "-Internal=Internal", "--ISRCSl=ISrc [x]",
        "--OSCSl=OSC [x]", "--ORSl=O-R [x]", "--INTSl=INT [x]", "--RSVDSl=Rsvd [x]",
        "-Sup=Supplies", "--VDDSl=Vdd [x]", "--VPWRSl=Vpwr [x]", "About=About"};
    QCOMPARE(seen, expected);
    QVERIFY(!f.item("About")->menu());
}

void TestMainWindow::checkMarkStaysWithHandlers_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QStringList>("unchecked");
    QTest::addColumn<int>("toggled");

    QTest::newRow("Com1 again") << "ComPort1" << QStringList{"ComPort1"}
                                << QStringList{"ComPort2", "ComPort3", "ComPort4"} << 0;
    QTest::newRow("Com3") << "ComPort3" << QStringList{"ComPort3"}
                          << QStringList{"ComPort1", "ComPort2", "ComPort4"} << 1;
    QTest::newRow("On again") << "SDON" << QStringList{"SDON"} << QStringList{"SDOFF"} << 0;
    QTest::newRow("Off") << "SDOFF" << QStringList{"SDOFF"} << QStringList{"SDON"} << 1;
    QTest::newRow("Normal again") << "Norm" << QStringList{"Norm"} << QStringList{"Inv"} << 0;
    QTest::newRow("Invert") << "Inv" << QStringList{"Inv"} << QStringList{"Norm"} << 1;
}

void TestMainWindow::checkMarkStaysWithHandlers()
{
    QFETCH(QString, clicked);
    QFETCH(QStringList, checked);
    QFETCH(QStringList, unchecked);
    QFETCH(int, toggled);

    PanelFixture f;
    QAction *action = f.item(clicked.toLatin1().constData());
    QSignalSpy toggles(action, &QAction::toggled);
    action->trigger();
    for (const QString &name : checked)
        QVERIFY2(f.item(name.toLatin1().constData())->isChecked(), qPrintable(name));
    for (const QString &name : unchecked)
        QVERIFY2(!f.item(name.toLatin1().constData())->isChecked(), qPrintable(name));
    // Whoever follows the mark ends up with its true state.
    QCOMPARE(toggles.size() % 2, toggled);
    if (!toggles.isEmpty())
        QCOMPARE(toggles.last().at(0).toBool(), action->isChecked());
}

void TestMainWindow::failureIsReportedOnce()
{
    // Without a reporter of its own the window shows one message box and goes on.
    auto *port = new FakeCommPort;
    port->openFailure = DeviceError{Failure::NotFound, QStringLiteral("No such file or directory")};
    Orvane window(port);
    window.show();
    window.panel().Start->click();
    QMessageBox *box = window.findChild<QMessageBox *>("failureReport");
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(box->text().contains(QStringLiteral("Com1 (/dev/fake1)")));
    QVERIFY(box->text().contains(QStringLiteral("No such file or directory")));
    QVERIFY(window.panel().Start->isEnabled());

    // A further failure while the box is open does not stack another one.
    window.panel().Start->click();
    port->openFailure.reset();
    window.panel().Start->click();
    port->failNow();
    QCOMPARE(window.findChildren<QMessageBox *>().size(), 1);
    QVERIFY(window.panel().Start->isEnabled());

    // Once it is closed, the next failure is shown again.
    box->close();
    QTRY_VERIFY(window.findChildren<QMessageBox *>().isEmpty());
    window.panel().Start->click();
    port->failNow();
    QCOMPARE(window.findChildren<QMessageBox *>().size(), 1);
}

void TestMainWindow::readableUnderDarkScheme_data()
{
    QTest::addColumn<QString>("name");
    for (const Channel &ch : kChannels) {
        QTest::addRow("%s", ch.nameLabel) << QString::fromLatin1(ch.nameLabel);
        QTest::addRow("%s", ch.valueLabel) << QString::fromLatin1(ch.valueLabel);
    }
    for (const char *name : {"CenterTxt", "Center", "X", "Mag", "lblTitle", "Version", "lblDescription"})
        QTest::addRow("%s", name) << QString::fromLatin1(name);
}

// A dark desktop scheme: light text on dark windows, and, as some schemes
// have it, a near-white highlighted-text colour behind the read-outs.
void TestMainWindow::readableUnderDarkScheme()
{
    QFETCH(QString, name);
    const QPalette saved = QApplication::palette();
    QPalette dark = saved;
    for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base})
        dark.setColor(role, QColor(0x35, 0x35, 0x35));
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        dark.setColor(role, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, QColor(0xf6, 0xf5, 0xf4));
    QApplication::setPalette(dark);
    PanelFixture f;
    f.click("About");
    QPointer<FrmAbout> about = f.window->aboutWindow();
    QLabel *label = f.window->findChild<QLabel *>(name);
    if (!label)
        label = about->findChild<QLabel *>(name);
    QVERIFY(label);
    // A label without a background of its own shows its window's.
    const QWidget *filled = label;
    while (!filled->autoFillBackground() && !filled->testAttribute(Qt::WA_OpaquePaintEvent) && !filled->isWindow())
        filled = filled->parentWidget();
    const QColor text = label->palette().color(label->foregroundRole());
    const QColor ground = filled->palette().color(filled->backgroundRole());
    delete about;
    QApplication::setPalette(saved);
    const double contrast = contrastRatio(text, ground);
    QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("%1 on %2: %3 : 1")
                                             .arg(text.name(), ground.name()).arg(contrast, 0, 'f', 2)));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
