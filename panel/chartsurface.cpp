#include "panel/chartsurface.h"

#include "geometry/twips.h"

#include <QPainter>
#include <QPaintEvent>

#include <algorithm>

ChartSurface::ChartSurface(QSize logicalSize, QWidget *parent)
    : QWidget(parent), m_image(logicalSize, QImage::Format_RGB32)
{
    m_image.fill(Qt::white);
    setFixedSize(logicalSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartSurface::fillTwips(std::span<const Fill> fills)
{
    QRect changed;
    for (const Fill &f : fills) {
        const QRect r = twipsRect(f.left, f.top, f.width, f.height).intersected(m_image.rect());
        if (r.isEmpty())
            continue;
        // Solid opaque rows straight into the image: a painter would cost more than the fill.
        const QRgb pixel = f.colour.rgb();
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb *>(m_image.scanLine(y)) + r.left(), r.width(), pixel);
        changed |= r;
    }
    if (!changed.isEmpty())
        update(changed);
}

void ChartSurface::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
}
