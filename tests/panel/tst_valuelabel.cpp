#include "panel/valuelabel.h"

#include <QFontDatabase>
#include <QTest>

namespace {
// Both labels set up as the window sets up a row's value label.
template<class Label>
void setUp(Label &label, const QSize &size)
{
    label.setTextFormat(Qt::PlainText);
    label.setFixedSize(size);
    label.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label.setAutoFillBackground(!label.testAttribute(Qt::WA_OpaquePaintEvent));
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Black);
    label.setFont(font);
    QPalette pal = label.palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 128));
    pal.setColor(QPalette::WindowText, Qt::black);
    label.setPalette(pal);
}

template<class Label>
void change(Label &label, const QString &how)
{
    if (how == "font") {
        QFont font = label.font();
        font.setPointSizeF(12);
        label.setFont(font);
    } else if (how == "colours") {
        QPalette pal = label.palette();
        pal.setColor(QPalette::Window, Qt::darkBlue);
        pal.setColor(QPalette::WindowText, Qt::white);
        label.setPalette(pal);
    } else if (how == "size") {
        label.setFixedSize(40, 20);
    } else if (how == "alignment") {
        label.setAlignment(Qt::AlignRight | Qt::AlignTop);
    } else if (how == "disabled") {
        label.setEnabled(false);
    } else if (how == "frame") {
        label.setFrameStyle(QFrame::Box | QFrame::Plain);
    }
}
} // namespace

class TestValueLabel : public QObject {
    Q_OBJECT
private slots:
    void looksAsAPlainLabel_data();
    void looksAsAPlainLabel();
};

void TestValueLabel::looksAsAPlainLabel_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("drawnAhead");

    const QSize row(27, 13), narrower(26, 13);
    QTest::newRow("one digit") << row << "0" << "" << "7" << false;
    QTest::newRow("three digits") << row << "0" << "" << "255" << false;
    QTest::newRow("narrower label") << narrower << "0" << "" << "128" << false;
    QTest::newRow("drawn ahead") << row << "0" << "" << "42" << true;
    QTest::newRow("shown again") << row << "42" << "" << "42" << true;
    QTest::newRow("wider than the label") << row << "0" << "" << "123456" << false;
    QTest::newRow("after a new font") << row << "42" << "font" << "42" << true;
    QTest::newRow("after new colours") << row << "42" << "colours" << "42" << true;
    QTest::newRow("after a new size") << row << "42" << "size" << "42" << true;
    QTest::newRow("after a new alignment") << row << "42" << "alignment" << "42" << true;
    QTest::newRow("disabled") << row << "42" << "disabled" << "42" << true;
    QTest::newRow("framed") << row << "42" << "frame" << "42" << true;
}

// Copies or not, a value label shows exactly what a plain label would, after any change.
void TestValueLabel::looksAsAPlainLabel()
{
    QFETCH(QSize, size);
    QFETCH(QString, first);
    QFETCH(QString, how);
    QFETCH(QString, caption);
    QFETCH(bool, drawnAhead);

    QLabel plain(first);
    ValueLabel value(first);
    setUp(plain, size);
    setUp(value, size);
    if (drawnAhead)
        value.drawAhead({first, caption});
    QCOMPARE(value.grab().toImage(), plain.grab().toImage());

    change(plain, how);
    change(value, how);
    plain.setText(caption);
    value.setText(caption);
    QCOMPARE(value.grab().toImage(), plain.grab().toImage());
}

QTEST_MAIN(TestValueLabel)
#include "tst_valuelabel.moc"
