#pragma once

#include <QColor>

class QWidget;

// Contrast of two colours as 1:1 .. 21:1, by their relative luminance.
double contrastRatio(const QColor &a, const QColor &b);

// The text colour for a background: `preferred` when it reads well on it
// (4.5 : 1), else black or white, whichever reads better. The panel's fixed
// light backgrounds keep their black text under a dark desktop scheme.
QColor readableText(const QColor &background, const QColor &preferred = Qt::black);

// Sets a widget's text colour for its background, both from its palette.
void makeReadable(QWidget *widget, const QColor &preferred = Qt::black);
