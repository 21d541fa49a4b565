#include "panelfixture.h"

#include "app/frmabout.h"

#include <QApplication>
#include <QTest>
#include <QWindow>

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void aboutIsSingleAndFixed();
    void aboutCloses_data();
    void aboutCloses();
    void aboutKeepsProgramAlive();
};

void TestAbout::aboutIsSingleAndFixed()
{
    PanelFixture f;
    f.click("About");
    FrmAbout *first = f.window->aboutWindow();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    // Tied to the panel for the window manager only: no QObject parent deletes it with the panel.
    QVERIFY(!first->parent());
    QCOMPARE(first->windowHandle()->transientParent(), f.window->windowHandle());
    QVERIFY(!first->isModal());
    f.click("About");
    QCOMPARE(f.window->aboutWindow(), first);
    int shown = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        shown += qobject_cast<FrmAbout *>(w) && w->isVisible();
    QCOMPARE(shown, 1);

    QCOMPARE(first->windowTitle(), QStringLiteral("About MyApp"));
    QCOMPARE(first->geometry(), QRect(156, 129, 382, 154));
    QCOMPARE(first->minimumSize(), first->maximumSize());
    auto text = [&](const char *name) { return first->findChild<QLabel *>(name)->text(); };
    QCOMPARE(text("lblTitle"), QStringLiteral("Orvane"));
    QCOMPARE(text("Version"), QStringLiteral("Version 1.1"));
    QVERIFY(text("lblDescription").startsWith(QStringLiteral("Copyright")));
    QLabel *title = first->findChild<QLabel *>("lblTitle");
    QVERIFY(title->font().bold() && title->font().italic());
    QCOMPARE(title->font().pointSize(), 12);
    QPushButton *ok = first->findChild<QPushButton *>("cmdOK");
    QCOMPARE(ok->geometry(), px(4245, 1800, 1260, 345));
    QVERIFY(ok->isDefault());
    QCOMPARE(first->findChild<QLabel *>("picIcon")->pixmap().size(), QSize(32, 32));
    delete first;
}

void TestAbout::aboutCloses_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << 1;
    QTest::newRow("Esc") << 2;
    QTest::newRow("close box") << 3;
}

void TestAbout::aboutCloses()
{
    QFETCH(int, how);
    PanelFixture f;
    f.click("About");
    QPointer<FrmAbout> about = f.window->aboutWindow();
    QVERIFY(QTest::qWaitForWindowActive(about));
    QCOMPARE(QApplication::focusWidget(), about->findChild<QPushButton *>("cmdOK"));
    switch (how) {
    case 0: QTest::mouseClick(about->findChild<QPushButton *>("cmdOK"), Qt::LeftButton); break;
    case 1: QTest::keyClick(about, Qt::Key_Return); break;
    case 2: QTest::keyClick(about, Qt::Key_Escape); break;
    default: about->close(); break;
    }
    // Unloaded, not hidden: the next About builds a fresh window.
    QTRY_VERIFY(about.isNull());
    f.click("About");
    QVERIFY(f.window->aboutWindow());
    QVERIFY(f.window->aboutWindow()->isVisible());
    delete f.window->aboutWindow();
}

void TestAbout::aboutKeepsProgramAlive()
{
    auto *window = new Orvane(new FakeCommPort, [](Failure, const QString &) {});
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->findChild<QAction *>("About")->trigger();
    QPointer<FrmAbout> about = window->aboutWindow();
    QCOMPARE(about->windowHandle()->transientParent(), window->windowHandle());
    QPointer<Orvane> guard(window);

    // The program's own event loop decides when the last window has gone.
    bool aliveWithAboutOnly = false;
    QTimer::singleShot(0, window, [window] { window->windowHandle()->close(); });
    QTimer::singleShot(200, qApp, [&] {
        aliveWithAboutOnly = guard.isNull() && about && about->isVisible();
        if (about)
            about->windowHandle()->close();
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, qApp, [] { qApp->exit(2); });
    watchdog.start(5000);
    QCOMPARE(qApp->exec(), 0);
    QVERIFY(aliveWithAboutOnly);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
