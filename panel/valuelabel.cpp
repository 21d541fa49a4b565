#include "panel/valuelabel.h"

#include <QPainter>
#include <QStyle>

#include <map>

namespace {
// Only a few hundred captions are ever shown; the limit is for whatever else a label is given.
constexpr qsizetype kMostLooks = 1024;
} // namespace

ValueLabel::ValueLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
    // The copy covers the whole label, background included.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ValueLabel::drawAhead(const QStringList &captions)
{
    for (const QString &caption : captions)
        look(caption);
}

ValueLabel::Looks &ValueLabel::looks()
{
    if (m_looks && m_ratio == devicePixelRatio() && m_alignment == alignment())
        return *m_looks;
    static std::map<QString, Looks> every;
    m_ratio = devicePixelRatio();
    m_alignment = alignment();
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QString key = QStringLiteral("%1x%2@%3 %4 %5/%6 %7 %8")
                            .arg(width())
                            .arg(height())
                            .arg(m_ratio)
                            .arg(font().key())
                            .arg(palette().color(group, foregroundRole()).rgba())
                            .arg(palette().color(group, backgroundRole()).rgba())
                            .arg(int(m_alignment))
                            .arg(int(layoutDirection()));
    m_looks = &every[key];
    return *m_looks;
}

QImage ValueLabel::look(const QString &caption)
{
    Looks &cache = looks();
    if (const auto found = cache.constFind(caption); found != cache.constEnd())
        return *found;
    QImage image(size() * m_ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(m_ratio);
    image.fill(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, backgroundRole()));
    QPainter painter(&image);
    painter.setFont(font());
    style()->drawItemText(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), m_alignment),
                          palette(), isEnabled(), caption, foregroundRole());
    painter.end();
    if (cache.size() >= kMostLooks)
        cache.clear();
    cache.insert(caption, image);
    return image;
}

void ValueLabel::paintEvent(QPaintEvent *event)
{
    // Frames, pictures and wrapped text are a plain label's business.
    if (frameShape() != QFrame::NoFrame || wordWrap() || !pixmap().isNull()) {
        QPainter(this).fillRect(rect(), palette().brush(backgroundRole()));
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), look(text()));
}

void ValueLabel::changeEvent(QEvent *event)
{
    // Anything that changes how the label looks means other copies.
    m_looks = nullptr;
    QLabel::changeEvent(event);
}

void ValueLabel::resizeEvent(QResizeEvent *event)
{
    m_looks = nullptr;
    QLabel::resizeEvent(event);
}
