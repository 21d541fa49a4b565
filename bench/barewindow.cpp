// The yardstick: a bare Qt Widgets window with one label, traced like the panel.
#include <QApplication>
#include <QEvent>
#include <QLabel>

#include <chrono>
#include <cstdio>

namespace {
class FirstPaint : public QObject {
protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            if (std::FILE *file = std::fopen(qgetenv("ORVANE_TRACE").constData(), "a")) {
                const double t = std::chrono::duration<double>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count();
                std::fprintf(file, "%.6f shown\n", t);
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
