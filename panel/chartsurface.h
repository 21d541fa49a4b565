#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// The window's drawing surface. Bars live in a backing image, so they survive
// the window being covered; nothing else keeps a record of them.
class ChartSurface : public QWidget {
    Q_OBJECT
public:
    explicit ChartSurface(QSize logicalSize, QWidget *parent = nullptr);

    // Fill a rectangle given in twips; border and interior in one colour.
    void fillTwips(float left, float top, float width, float height, const QColor &colour);

    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
