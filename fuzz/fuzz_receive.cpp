// The receive path end to end: bytes arriving in any pieces, with the panel set up by the input.
#include "app/layout.h"
#include "app/orvane.h"
#include "panel/chartsurface.h"
#include "panel/valuelabel.h"
#include "geometry/twips.h"
#include "fakecommport.h"
#include "wholeline.h"
#include "wire/protocol.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
// Input: zoom-ins, scroll value, invert flag, channel, three bytes of channels to uncheck,
// then pieces: a length byte (1..16) and that many bytes.
constexpr size_t kHeader = 7;

struct Rig {
    FakeCommPort *port = new FakeCommPort;
    QStringList reports;
    std::unique_ptr<Orvane> window =
        std::make_unique<Orvane>(port, [this](Failure, const QString &text) { reports << text; });
    Panel &p = window->panel();
};

void require(bool ok, const char *what, int detail = 0)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_receive: %s (%d)\n", what, detail);
        std::abort();
    }
}

Rig &rig()
{
    static Rig *r = [] {
        // The display must be chosen before the application exists.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_receive";
        static char *argv[] = {name, nullptr};
        new QApplication(argc, argv);
        return new Rig;
    }();
    return *r;
}

// The reading of the last reply in the line, if it holds one.
std::optional<int> lastReply(const QByteArray &line)
{
    const QList<QByteArrayView> replies = repliesInLine(line);
    if (replies.isEmpty())
        return std::nullopt;
    return wire::decodeReading(replies.last());
}

// Back to the state a fresh window has, with the port open; nothing may carry over.
void reset(Rig &r)
{
    Panel &p = r.p;
    r.window->findChild<QAction *>(QStringLiteral("ElAllOn"))->trigger();
    p.Norm->trigger();
    while (p.ZoomOut->isEnabled())
        p.ZoomOut->click();
    p.HScroll->setValue(0);
    p.state.ChanIdx = 0;
    p.state.MeasIdx = 0;
    if (!r.port->isOpen())
        r.port->open();
    r.port->takeAll();
    // A whole reply ends whatever the last input left half-read.
    r.port->feed(QByteArray(7, '\0') + '>');
    for (QLabel *label : p.valueLabels)
        label->setText(QStringLiteral("0"));
    r.port->clearSent();
    r.reports.clear();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kHeader)
        return 0;
    Rig &r = rig();
    reset(r);
    Panel &p = r.p;

    const quint32 unchecked = data[4] | data[5] << 8 | (data[6] & 0x03) << 16;
    for (int c = 0; c < kChannelCount; ++c)
        if (unchecked & (1u << c))
            p.channelItems[c]->trigger();
    for (int i = 0; i < data[0] % 5; ++i)
        p.ZoomIn->click();
    if (p.HScroll->isEnabled())
        p.HScroll->setValue(data[1]);
    if (data[2] & 1)
        p.Inv->trigger();
    p.state.MeasIdx = qint16(data[3] % kChannelCount);
    const int chan = p.state.MeasIdx;
    const bool inverted = p.Inv->isChecked();

    // However the line is cut into arrivals, the row shows the last reply in it so far.
    QByteArray line;
    for (size_t at = kHeader; at < size && r.port->isOpen();) {
        const size_t length = std::min<size_t>(data[at] % 16 + 1, size - at - 1);
        const QByteArray piece(reinterpret_cast<const char *>(data) + at + 1, qsizetype(length));
        at += 1 + length;
        r.port->feed(piece);
        line += piece;
        const std::optional<int> reading = lastReply(line);
        QString expected = QStringLiteral("0");
        if (reading && p.isChosen(chan))
            expected = QString::number(inverted ? 255 - *reading : *reading);
        require(p.valueLabels[chan]->text() == expected, "value label is not the last reply's reading", chan);
    }

    for (int c = 0; c < kChannelCount; ++c) {
        bool ok = false;
        const int shown = p.valueLabels[c]->text().toInt(&ok);
        require(ok && shown >= 0 && shown <= 255, "value label outside 0..255", c);
    }
    require(QList<qint16>{1, 2, 4, 8, 16}.contains(p.state.ZoomMag), "magnification", p.state.ZoomMag);
    require(p.state.MeasIdx == chan && p.state.ChanIdx == 0, "the receive path moved a channel index",
            p.state.MeasIdx);
    require(r.reports.isEmpty(), "a failure was reported");
    const QSize client(twipsToPx(layout::kClientWidth), twipsToPx(layout::kClientHeight));
    require(p.Chart->image().size() == client, "chart image resized");
    return 0;
}
