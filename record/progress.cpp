#include "record/progress.h"

#include <cstdio>

Progress::Progress(bool shown, const QString &target, std::function<Count()> count, QObject *parent)
    : QObject(parent), m_target(target), m_count(std::move(count)), m_shown(shown)
{
    if (!m_shown)
        return;
    connect(&m_timer, &QTimer::timeout, this, &Progress::refresh);
    m_timer.start(250);
}

void Progress::refresh()
{
    const Count c = m_count();
    const qint64 s = c.elapsedMs / 1000;
    const double rate = c.elapsedMs > 0 ? c.readings * 1000.0 / c.elapsedMs : 0.0;
    const QString pace = c.away ? QStringLiteral("waiting for the adapter")
                                : QStringLiteral("%1/s").arg(rate, 0, 'f', 1);
    const QString line = QStringLiteral("\r%1:%2:%3  %4 readings  %5  %6\x1b[K")
                             .arg(s / 3600)
                             .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(s % 60, 2, 10, QLatin1Char('0'))
                             .arg(c.readings)
                             .arg(pace, m_target);
    std::fputs(line.toLocal8Bit().constData(), stderr);
}

void Progress::end()
{
    if (!m_shown)
        return;
    m_timer.stop();
    refresh();
    std::fputs("\n", stderr);
    m_shown = false;
}

void Progress::say(const QString &message)
{
    const QString line = (m_shown ? QStringLiteral("\r\x1b[K") : QString()) + message + u'\n';
    std::fputs(line.toLocal8Bit().constData(), stderr);
    if (m_shown)
        refresh();
}
