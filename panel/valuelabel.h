#pragma once

#include <QHash>
#include <QImage>
#include <QLabel>

// A row's value label. Its text changes with every reading, and laying out and
// drawing a text costs far more than copying it, so each caption is drawn once,
// exactly as a plain label draws it, and copied from then on. Labels that look
// alike share the copies.
class ValueLabel : public QLabel {
    Q_OBJECT
public:
    explicit ValueLabel(const QString &text, QWidget *parent = nullptr);

    // Draws these captions now, so that showing them later only copies them.
    void drawAhead(const QStringList &captions);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    using Looks = QHash<QString, QImage>;
    QImage look(const QString &caption);
    Looks &looks();

    // The copies for the label as it looks now, and what that look was made for.
    Looks *m_looks = nullptr;
    qreal m_ratio = 0;
    Qt::Alignment m_alignment;
};
