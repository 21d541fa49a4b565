#pragma once

#include "app/orvane.h"
#include "panel/chartsurface.h"
#include "panel/valuelabel.h"
#include "tickclock.h"
#include "fakecommport.h"
#include "engine/scanengine.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <memory>

// Twips to pixels by rounding each corner, from the layout's own numbers.
inline QRect px(int left, int top, int width, int height)
{
    const auto r = [](int t) { return qRound(t / 15.0); };
    return QRect(QPoint(r(left), r(top)), QPoint(r(left + width) - 1, r(top + height) - 1));
}

// The real main window over a fake serial component, with failures collected.
struct PanelFixture {
    PanelFixture()
        : port(new FakeCommPort),
          window(std::make_unique<Orvane>(port, [this](Failure kind, const QString &text) {
              kinds << kind;
              reports << text;
          }))
    {
        window->panel().engine->setClock(clock.reader());
    }

    Panel &p() { return window->panel(); }
    QAction *item(const char *name) { return window->findChild<QAction *>(QString::fromLatin1(name)); }
    QLabel *label(const char *name) { return window->findChild<QLabel *>(QString::fromLatin1(name)); }
    // A menu click as the user makes it, through the window's own wiring.
    void click(const char *name) { item(name)->trigger(); }
    QColor pixel(int x, int y) const { return window->panel().Chart->image().pixelColor(x, y); }
    int armedTimers() { return int(p().Timer1->isActive()) + int(p().Timer2->isActive()); }
    void tick(QTimer *timer) { clock.tick(timer); }
    // Sets exactly these channels' menu marks, without the toggles' side effects.
    void choose(std::initializer_list<int> channels)
    {
        for (QAction *a : p().channelItems)
            a->setChecked(false);
        for (int c : channels)
            p().channelItems[c]->setChecked(true);
    }
    QString sent() const { return QString::fromLatin1(port->sent()); }
    // The board answers the last measure command, as a run that goes on needs it to.
    void answer(int reading = 0x10) { port->feed(FakeCommPort::reply(reading)); }
    bool showActive()
    {
        window->show();
        return QTest::qWaitForWindowActive(window.get());
    }
    // Run, then the ticks up to the measure command of channel 1.
    void runToSecondMeasure()
    {
        p().Start->click();
        tick(p().Timer1);
        tick(p().Timer2);
        tick(p().Timer1);
    }

    FakeCommPort *port;
    QStringList reports;
    QList<Failure> kinds; // of the reports, in order
    TickClock clock; // the engine's
    std::unique_ptr<Orvane> window;
};
