#include "app/orvane.h"

#include "app/layout.h"
#include "app/readable.h"
#include "app/uifont.h"
#include "panel/chartsurface.h"
#include "geometry/geometry.h"
#include "geometry/twips.h"
#include "panel/valuelabel.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

// The controls, menus and timers, as the layout tables give them.

namespace {
QRect rectOf(const layout::Box &b, int rowTop = 0)
{
    return twipsRect(b.left, b.top + rowTop, b.width, b.height);
}

template<class Label = QLabel>
Label *makeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &rect,
                 const QColor &background, Qt::Alignment alignment)
{
    auto *label = new Label(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(rect);
    // Fixed, so that a new reading's text does not ask the window to lay itself out again.
    label->setFixedSize(rect.size());
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignTop);
    // A label that paints all of itself needs no background painted first.
    label->setAutoFillBackground(!label->testAttribute(Qt::WA_OpaquePaintEvent));
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, background);
    label->setPalette(pal);
    makeReadable(label);
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

void Orvane::buildRows(QWidget *surface)
{
    const QFont font = valueFont();
    for (int i = 0; i < kChannelCount; ++i) {
        const Channel &ch = kChannels[i];
        const int top = chart::kRowPitch * i;
        m_panel.nameLabels[i] = makeLabel(
            surface, ch.nameLabel, QString::fromLatin1(ch.nameCaption),
            rectOf(layout::kNameLabel, top),
            i == 0 ? layout::kFirstNameBackground : layout::kNameBackground, Qt::AlignLeft);
        const layout::Box &box =
            i == layout::kOddValueLabelRow ? layout::kOddValueLabel : layout::kValueLabel;
        auto *value = makeLabel<ValueLabel>(surface, ch.valueLabel, QStringLiteral("0"), rectOf(box, top),
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
    QMenu *parents[3] = {};
    const int rows = int(std::size(layout::kMenu));
    auto addItem = [&](const layout::MenuRow &row, const char *name, const char *caption) {
        QAction *action = row.level == 1 ? bar->addAction(QString::fromLatin1(caption))
                                         : parents[row.level - 1]->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(row.mark != layout::Mark::None);
        action->setChecked(row.mark == layout::Mark::Checked);
        return action;
    };
    for (int r = 0; r < rows; ++r) {
        const layout::MenuRow &row = layout::kMenu[r];
        const bool hasChildren = row.group || (r + 1 < rows && layout::kMenu[r + 1].level > row.level);
        if (!hasChildren) {
            addItem(row, row.name, row.caption);
            continue;
        }
        const QString caption = QString::fromLatin1(row.group ? groupCaption(*row.group) : row.caption);
        QMenu *menu = row.level == 1 ? bar->addMenu(caption) : parents[row.level - 1]->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(row.name));
        menu->menuAction()->setObjectName(QString::fromLatin1(row.name));
        parents[row.level] = menu;
        if (!row.group)
            continue;
        const layout::MenuRow item{row.level + 1, nullptr, nullptr, row.mark};
        for (int c = 0; c < kChannelCount; ++c)
            if (kChannels[c].group == *row.group)
                m_panel.channelItems[c] = addItem(item, kChannels[c].menuItem, kChannels[c].menuCaption);
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
