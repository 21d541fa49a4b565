#include "app/orvane.h"

#include "app/frmabout.h"
#include "app/icon.h"
#include "app/keyboard.h"
#include "app/layout.h"
#include "app/trace.h"
#include "app/uifont.h"
#include "panel/chartsurface.h"
#include "geometry/twips.h"
#include "panel/viewmode.h"
#include "panel/zoom.h"
#include "panel/barchart.h"
#include "panel/valuelabel.h"
#include "geometry/geometry.h"
#include "serial/systemport.h"
#include "panel/runcontrol.h"
#include "panel/channeltoggles.h"
#include "timing/precisewake.h"
#include "engine/scanengine.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <exception>
#include <type_traits>

Orvane::Orvane(CommPort *port, Reporter report, PreciseWake *wake)
{
    setObjectName(QStringLiteral("Orvane"));
    setWindowTitle(QString::fromLatin1(layout::kCaption));
    setWindowIcon(appIcon());
    setFont(uiFont());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);

    m_panel.report = report ? std::move(report)
                            : Reporter([this](Failure, const QString &text) { showFailure(text); });
    auto *engine = new ScanEngine(m_panel.state, port ? port : new SystemCommPort, wake,
                                  [this] { return m_panel.chosen(); }, this);
    m_panel.engine = engine;
    m_panel.Timer1 = engine->Timer1;
    m_panel.Timer2 = engine->Timer2;
    m_panel.OrvaneCom = engine->OrvaneCom;

    const QSize client(twipsToPx(layout::kClientWidth), twipsToPx(layout::kClientHeight));
    auto *surface = new ChartSurface(client, this);
    surface->setObjectName(QStringLiteral("Chart"));
    m_panel.Chart = surface;
    setCentralWidget(surface);

    buildRows(surface);
    buildControls(surface);
    buildMenus();
    wireEvents();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    helpTheKeyboard(this);

    Form_Load(m_panel);
}

Orvane::~Orvane()
{
    // The engine goes with the window; nothing of it may reach the window on its way out.
    m_panel.engine->disconnect(this);
}

template<class F>
bool Orvane::guarded(F &&handler)
{
    try {
        if constexpr (std::is_same_v<decltype(handler()), bool>)
            return handler();
        handler();
    } catch (const CommError &e) {
        PortFailure(m_panel, e.kind(), e.text());
    } catch (const std::exception &e) {
        m_panel.report(Failure::Other, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        m_panel.report(Failure::Other, QStringLiteral("An unexpected failure ended the last action."));
    }
    return false;
}

template<class F>
void Orvane::handle(const char *event, F &&handler)
{
    if (Trace *trace = Trace::get())
        trace->around(event, m_panel, [&] { return guarded(handler); });
    else
        guarded(handler);
}

template<class Sender, class Signal, class F>
void Orvane::on(Sender *sender, Signal signal, F handler)
{
    const QByteArray event = sender->objectName().toLatin1();
    connect(sender, signal, this, [this, event, handler] { handle(event.constData(), handler); });
}

void Orvane::onClick(QAction *action, std::function<void()> handler)
{
    connect(action, &QAction::triggered, this, [this, action, handler](bool) {
        // A checkable action has flipped its own mark already; the handlers decide the marks.
        if (action->isCheckable())
            action->setChecked(!action->isChecked());
        handle(action->objectName().toLatin1().constData(), handler);
    });
}

void Orvane::wireEvents()
{
    Panel &p = m_panel;
    on(p.Start, &QPushButton::clicked, [&p] { Start_Click(p); });
    on(p.Halt, &QPushButton::clicked, [&p] { Halt_Click(p); });
    on(p.ZoomIn, &QPushButton::clicked, [&p] { ZoomIn_Click(p); });
    on(p.ZoomOut, &QPushButton::clicked, [&p] { ZoomOut_Click(p); });
    on(p.HScroll, &QScrollBar::valueChanged, [&p] { HScroll_Change(p); });

    // The engine's events pass the same way in; what it finds flows out to the chart.
    p.engine->setGate([this](const char *event, const std::function<bool()> &handler) {
        bool result = false;
        handle(event, [&] { return result = handler(); });
        return result;
    });
    // Drawn while the run starts, the captions cost next to nothing once readings come.
    connect(p.engine, &ScanEngine::started, this, [&p] {
        const QStringList captions = readingCaptions();
        for (ValueLabel *label : p.valueLabels)
            label->drawAhead(captions);
    });
    connect(p.engine, &ScanEngine::receiving, this, [&p](qint16 channel) { p.BarRgb = barColour(channel); });
    connect(p.engine, &ScanEngine::reading, this,
            [&p](qint16, int value) { DrawBar(p, shownReading(p, value)); });
    connect(p.engine, &ScanEngine::failed, this,
            [&p](Failure kind, const QString &text) { PortFailure(p, kind, text); });

    QMenu *portMenu = findChild<QMenu *>(QStringLiteral("PortSel"));
    portMenu->setToolTipsVisible(true);
    connect(portMenu, &QMenu::aboutToShow, this, [this] { handle("PortSel", [this] { PortSel_Show(m_panel); }); });
    for (int n = 1; n <= 4; ++n)
        onClick(p.ComPort[n - 1], [&p, n] { ComPort_Click(p, n); });
    onClick(p.SDON, [&p] { SDON_Click(p); });
    onClick(p.SDOFF, [&p] { SDOFF_Click(p); });
    onClick(p.Norm, [&p] { Norm_Click(p); });
    onClick(p.Inv, [&p] { Inv_Click(p); });
    for (int i = 0; i < kChannelCount; ++i)
        onClick(p.channelItems[i], [&p, i] { ChannelItem_Click(p, i); });
    onClick(m_allOn, [&p] { ElAllOn_Click(p); });
    onClick(m_allOff, [&p] { ElAllOff_Click(p); });
    onClick(m_aboutItem, [this] { showAbout(); });
}

void Orvane::showAbout()
{
    if (!m_about)
        m_about = new FrmAbout;
    m_about->showOver(this);
}

void Orvane::showFailure(const QString &text)
{
    // One failure ends the run, so a second one while the first is still on
    // screen can only be an echo of it; the boxes never pile up.
    if (m_failureBox)
        return;
    // Window-modal and without a nested event loop: the handler that failed returns at once.
    auto *box = new QMessageBox(QMessageBox::Critical, windowTitle(), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("failureReport"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_failureBox = box;
    box->open();
}
