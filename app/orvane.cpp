#include "app/orvane.h"

#include "app/frmabout.h"
#include "app/icon.h"
#include "app/uifont.h"
#include "app/layout.h"
#include "app/trace.h"
#include "chart/barchart.h"
#include "chart/chartsurface.h"
#include "chart/twips.h"
#include "chart/viewmode.h"
#include "chart/zoom.h"
#include "link/qtcommport.h"
#include "link/runcontrol.h"
#include "menus/channeltoggles.h"
#include "scan/decoder.h"
#include "scan/precisewake.h"
#include "scan/scancycle.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <exception>

namespace {
QRect rectOf(const layout::Box &b, int rowTop = 0)
{
    return twipsRect(b.left, b.top + rowTop, b.width, b.height);
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &rect,
                  const QColor &background, Qt::Alignment alignment)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(rect);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, background);
    label->setPalette(pal);
    return label;
}

// A machine without the face gets the nearest heavy sans instead.
QFont valueFont()
{
    QFont font = uiFont();
    font.setPointSizeF(layout::kValueFontPoints);
    if (QFontDatabase::families().contains(QString::fromLatin1(layout::kValueFontFamily)))
        font.setFamilies({QString::fromLatin1(layout::kValueFontFamily)});
    else
        font.setWeight(QFont::Black);
    return font;
}
} // namespace

Orvane::Orvane(CommPort *port, Reporter report)
{
    setObjectName(QStringLiteral("Orvane"));
    setWindowTitle(QString::fromLatin1(layout::kCaption));
    setWindowIcon(appIcon());
    setFont(uiFont());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);

    m_panel.report = report ? std::move(report)
                            : Reporter([this](const QString &text) { showFailure(text); });
    m_panel.OrvaneCom = port ? port : new QtCommPort;
    m_panel.OrvaneCom->setParent(this);
    m_panel.OrvaneCom->setObjectName(QStringLiteral("OrvaneCom"));

    const QSize client(twipsToPx(layout::kClientWidth), twipsToPx(layout::kClientHeight));
    auto *surface = new ChartSurface(client, this);
    surface->setObjectName(QStringLiteral("Chart"));
    m_panel.Chart = surface;
    setCentralWidget(surface);

    buildRows(surface);
    buildControls(surface);
    buildMenus();
    buildTimers();
    wireEvents();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load(m_panel);
}

Orvane::~Orvane()
{
    // The port closes with the window, as the timers stop with it.
    m_panel.OrvaneCom->disconnect(this);
    m_panel.OrvaneCom->close();
}

void Orvane::buildRows(QWidget *surface)
{
    const QFont font = valueFont();
    for (int i = 0; i < kChannelCount; ++i) {
        const Channel &ch = kChannels[i];
        const int top = layout::kRowPitch * i;
        m_panel.nameLabels[i] = makeLabel(
            surface, ch.nameLabel, QString::fromLatin1(ch.nameCaption),
            rectOf(layout::kNameLabel, top),
            i == 0 ? layout::kFirstNameBackground : layout::kNameBackground, Qt::AlignLeft);
        const layout::Box &box =
            i == layout::kOddValueLabelRow ? layout::kOddValueLabel : layout::kValueLabel;
        QLabel *value = makeLabel(surface, ch.valueLabel, QStringLiteral("0"), rectOf(box, top),
                                  layout::kValueBackground, Qt::AlignHCenter);
        value->setFont(font);
        m_panel.valueLabels[i] = value;
    }
}

void Orvane::buildControls(QWidget *surface)
{
    for (const layout::ButtonSpec &spec : layout::kButtons) {
        auto *button = new QPushButton(QString::fromLatin1(spec.caption), surface);
        button->setObjectName(QString::fromLatin1(spec.name));
        button->setGeometry(rectOf(spec.box));
        button->setEnabled(spec.enabled);
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    m_panel.Start = surface->findChild<QPushButton *>(QStringLiteral("Start"));
    m_panel.Halt = surface->findChild<QPushButton *>(QStringLiteral("Halt"));
    m_panel.ZoomIn = surface->findChild<QPushButton *>(QStringLiteral("ZoomIn"));
    m_panel.ZoomOut = surface->findChild<QPushButton *>(QStringLiteral("ZoomOut"));

    const QColor readoutBackground = QApplication::palette().color(QPalette::HighlightedText);
    for (const layout::ReadoutSpec &spec : layout::kReadouts) {
        QLabel *label = makeLabel(surface, spec.name, QString::fromLatin1(spec.caption),
                                  rectOf(spec.box), readoutBackground, spec.alignment);
        if (spec.border)
            label->setFrameStyle(QFrame::Box | QFrame::Plain);
    }
    m_panel.Center = surface->findChild<QLabel *>(QStringLiteral("Center"));
    m_panel.Mag = surface->findChild<QLabel *>(QStringLiteral("Mag"));

    auto *line = new QWidget(surface);
    line->setObjectName(QStringLiteral("Line1"));
    line->setGeometry(QRect(QPoint(twipsToPx(layout::kLineX), twipsToPx(layout::kLineTop)),
                            QSize(1, twipsToPx(layout::kLineBottom) - twipsToPx(layout::kLineTop))));
    line->setAutoFillBackground(true);
    QPalette linePalette = line->palette();
    linePalette.setColor(QPalette::Window, Qt::black);
    line->setPalette(linePalette);

    auto *scroll = new QScrollBar(Qt::Horizontal, surface);
    scroll->setObjectName(QStringLiteral("HScroll"));
    scroll->setGeometry(rectOf(layout::kScroll.box));
    scroll->setRange(layout::kScroll.minimum, layout::kScroll.maximum);
    scroll->setSingleStep(layout::kScroll.smallChange);
    scroll->setPageStep(layout::kScroll.largeChange);
    scroll->setValue(layout::kScroll.value);
    // Only a finished move counts; dragging the thumb is not followed.
    scroll->setTracking(false);
    scroll->setFocusPolicy(Qt::StrongFocus);
    scroll->setVisible(false);
    scroll->setEnabled(false);
    m_panel.HScroll = scroll;

    QWidget *previous = nullptr;
    for (const char *name : layout::kFocusOrder) {
        QWidget *w = surface->findChild<QWidget *>(QString::fromLatin1(name));
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    m_panel.Start->setFocus();
}

void Orvane::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *parents[4] = {};
    const int rows = int(std::size(layout::kMenu));
    for (int r = 0; r < rows; ++r) {
        const layout::MenuRow &row = layout::kMenu[r];
        const bool hasChildren = r + 1 < rows && layout::kMenu[r + 1].level > row.level;
        const char *name = row.channel >= 0 ? kChannels[row.channel].menuItem : row.name;
        const QString caption = QString::fromLatin1(
            row.channel >= 0 ? kChannels[row.channel].menuCaption : row.caption);
        QAction *action = nullptr;
        if (hasChildren) {
            QMenu *menu = row.level == 1 ? bar->addMenu(caption)
                                         : parents[row.level - 1]->addMenu(caption);
            menu->setObjectName(QString::fromLatin1(name));
            parents[row.level] = menu;
            action = menu->menuAction();
        } else {
            action = row.level == 1 ? bar->addAction(caption)
                                    : parents[row.level - 1]->addAction(caption);
            action->setCheckable(row.mark != layout::Mark::None);
            action->setChecked(row.mark == layout::Mark::Checked);
        }
        action->setObjectName(QString::fromLatin1(name));
        if (row.channel >= 0)
            m_panel.channelItems[row.channel] = action;
    }
    auto item = [this](const char *name) {
        return findChild<QAction *>(QString::fromLatin1(name));
    };
    m_panel.PortSel = item("PortSel");
    for (int i = 0; i < 4; ++i)
        m_panel.ComPort[i] = item(QStringLiteral("ComPort%1").arg(i + 1).toLatin1().constData());
    m_panel.ShldDrvr = item("ShldDrvr");
    m_panel.SDON = item("SDON");
    m_panel.SDOFF = item("SDOFF");
    m_panel.Norm = item("Norm");
    m_panel.Inv = item("Inv");
    m_allOn = item("ElAllOn");
    m_allOff = item("ElAllOff");
    m_aboutItem = item("About");
}

void Orvane::buildTimers()
{
    for (QTimer **timer : {&m_panel.Timer1, &m_panel.Timer2}) {
        *timer = new QTimer(this);
        // The default coarse timers may be 5 % off; replies are credited by these gaps.
        (*timer)->setTimerType(Qt::PreciseTimer);
        (*timer)->setInterval(layout::kTimerIntervalMs);
    }
    m_panel.Timer1->setObjectName(QStringLiteral("Timer1"));
    m_panel.Timer2->setObjectName(QStringLiteral("Timer2"));
    m_panel.Wake = new PreciseWake(this);
}

template<class F>
void Orvane::guarded(F &&handler)
{
    try {
        handler();
    } catch (const CommError &e) {
        PortFailure(m_panel, e.text());
    } catch (const std::exception &e) {
        m_panel.report(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        m_panel.report(QStringLiteral("An unexpected failure ended the last action."));
    }
}

void Orvane::onClick(QAction *action, std::function<void()> handler)
{
    connect(action, &QAction::triggered, this, [this, action, handler](bool) {
        // A checkable action has flipped its own mark already; the handlers decide the marks.
        if (action->isCheckable())
            action->setChecked(!action->isChecked());
        guarded(handler);
    });
}

void Orvane::wireEvents()
{
    Panel &p = m_panel;
    connect(p.Start, &QPushButton::clicked, this, [this] { guarded([this] { Start_Click(m_panel); }); });
    connect(p.Halt, &QPushButton::clicked, this, [this] { guarded([this] { Halt_Click(m_panel); }); });
    connect(p.ZoomIn, &QPushButton::clicked, this, [this] { guarded([this] { ZoomIn_Click(m_panel); }); });
    connect(p.ZoomOut, &QPushButton::clicked, this, [this] { guarded([this] { ZoomOut_Click(m_panel); }); });
    connect(p.HScroll, &QScrollBar::valueChanged, this,
            [this] { guarded([this] { HScroll_Change(m_panel); }); });
    connect(p.Timer1, &QTimer::timeout, this, [this] {
        if (Trace *trace = Trace::get())
            trace->mark("tick1");
        guarded([this] { Timer1_Timer(m_panel); });
    });
    connect(p.Timer2, &QTimer::timeout, this, [this] {
        if (Trace *trace = Trace::get())
            trace->mark("tick2");
        guarded([this] { Timer2_Timer(m_panel); });
    });
    connect(p.OrvaneCom, &CommPort::received, this, [this] {
        if (Trace *trace = Trace::get()) {
            const int channel = m_panel.state.ChanIdx;
            const QString before = m_panel.valueLabels[channel]->text();
            const double started = Trace::now();
            bool drawn = false;
            guarded([this, &drawn] { drawn = OrvaneCom_OnComm(m_panel); });
            trace->handled(started, channel, drawn, before, m_panel.valueLabels[channel]->text());
            return;
        }
        guarded([this] { OrvaneCom_OnComm(m_panel); });
    });
    connect(p.OrvaneCom, &CommPort::failed, this,
            [this](const QString &text) { guarded([this, text] { PortFailure(m_panel, text); }); });

    for (int n = 1; n <= 4; ++n)
        onClick(p.ComPort[n - 1], [this, n] { ComPort_Click(m_panel, n); });
    onClick(p.SDON, [this] { SDON_Click(m_panel); });
    onClick(p.SDOFF, [this] { SDOFF_Click(m_panel); });
    onClick(p.Norm, [this] { Norm_Click(m_panel); });
    onClick(p.Inv, [this] { Inv_Click(m_panel); });
    for (int i = 0; i < kChannelCount; ++i)
        onClick(p.channelItems[i], [this, i] { ChannelItem_Click(m_panel, i); });
    onClick(m_allOn, [this] { ElAllOn_Click(m_panel); });
    onClick(m_allOff, [this] { ElAllOff_Click(m_panel); });
    onClick(m_aboutItem, [this] { showAbout(); });
}

void Orvane::showAbout()
{
    if (!m_about)
        m_about = new FrmAbout;
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
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
