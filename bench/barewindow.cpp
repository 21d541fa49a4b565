// The yardstick: a bare Qt Widgets window with one label, traced like the panel.
#include "clock.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>

#include <cstdio>

namespace {
class FirstPaint : public QObject {
protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            if (std::FILE *file = std::fopen(qgetenv("ORVANE_TRACE").constData(), "a")) {
                std::fprintf(file, "%.6f shown\n", monotonicSeconds());
                std::fclose(file);
            }
        }
        return false;
    }

private:
    bool m_done = false;
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Orvane"));
    FirstPaint watcher;
    label.installEventFilter(&watcher);
    label.show();
    return app.exec();
}
