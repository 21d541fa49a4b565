#include "app/trace.h"

#include <QEvent>
#include <QLabel>
#include <QWidget>

#include <algorithm>

void Trace::installFromEnvironment(QWidget *window)
{
    const QByteArray path = qgetenv("ORVANE_TRACE");
    if (path.isEmpty() || s_trace)
        return;
    std::FILE *file = std::fopen(path.constData(), "a");
    if (!file)
        return;
    std::setvbuf(file, nullptr, _IOLBF, 0);
    s_trace = new Trace(file);
    s_trace->setParent(window);
    connect(s_trace, &QObject::destroyed, [] { s_trace = nullptr; });
    if (QWidget *content = window->findChild<QWidget *>(QStringLiteral("Chart")))
        content->installEventFilter(s_trace);
    for (int i = 0; i < kChannelCount; ++i) {
        QObject *label = window->findChild<QLabel *>(QString::fromLatin1(kChannels[i].valueLabel));
        s_trace->m_labels[i] = label;
        if (label)
            label->installEventFilter(s_trace);
    }
}

void Trace::handled(const char *event, double startedAt, int channel, const QString &before,
                    const QString &after, bool result)
{
    const double end = now();
    std::fprintf(m_file, "%.6f handled %s %.0f %d %d %s %d\n", end, event, (end - startedAt) * 1e9,
                 channel, int(before != after), qPrintable(after), int(result));
}

bool Trace::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Paint)
        return false;
    const auto it = std::find(m_labels.begin(), m_labels.end(), watched);
    if (it != m_labels.end()) {
        std::fprintf(m_file, "%.6f label %d %s\n", now(), int(it - m_labels.begin()),
                     qPrintable(static_cast<QLabel *>(watched)->text()));
    } else if (!m_shown) {
        m_shown = true;
        std::fprintf(m_file, "%.6f shown\n", now());
    }
    return false;
}
