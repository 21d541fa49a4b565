#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <span>

// The window's drawing surface. Bars live in a backing image, so they survive
// the window being covered; nothing else keeps a record of them.
class ChartSurface : public QWidget {
    Q_OBJECT
public:
    explicit ChartSurface(QSize logicalSize, QWidget *parent = nullptr);

    // A rectangle given in twips, border and interior in one colour.
    struct Fill {
        float left, top, width, height;
        QColor colour;
    };
    // Fills the rectangles in their order, with one painter and one repaint for all.
    void fillTwips(std::span<const Fill> fills);

    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
