#include "app/readable.h"

#include <QWidget>

#include <cmath>

namespace {
double channel(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableText(const QColor &background, const QColor &preferred)
{
    constexpr double kEnough = 4.5;
    if (contrastRatio(preferred, background) >= kEnough)
        return preferred;
    const QColor black(Qt::black), white(Qt::white);
    return contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
}

void makeReadable(QWidget *widget, const QColor &preferred)
{
    QPalette pal = widget->palette();
    pal.setColor(widget->foregroundRole(), readableText(pal.color(widget->backgroundRole()), preferred));
    widget->setPalette(pal);
}
