#include "panel/chartsurface.h"

#include "geometry/twips.h"

#include <QPainter>
#include <QPaintEvent>

ChartSurface::ChartSurface(QSize logicalSize, QWidget *parent)
    : QWidget(parent), m_image(logicalSize, QImage::Format_RGB32)
{
    m_image.fill(Qt::white);
    setFixedSize(logicalSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartSurface::fillTwips(float left, float top, float width, float height,
                             const QColor &colour)
{
    const QRect r = twipsRect(left, top, width, height).intersected(m_image.rect());
    if (r.isEmpty())
        return;
    QPainter painter(&m_image);
    painter.fillRect(r, colour);
    update(r);
}

void ChartSurface::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
}
