#pragma once

#include "scan/channeltable.h"

#include <QObject>

#include <array>
#include <chrono>
#include <cstdio>

class QWidget;

// Timing probes for the benchmark. Inert unless ORVANE_TRACE names a file:
// then each line is "<steady-clock seconds> <event>", written at once.
class Trace : public QObject {
public:
    static Trace *get() { return s_trace; }
    // Watches the window's first paint and its value labels' paints.
    static void installFromEnvironment(QWidget *window);

    static double now()
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    // One receive event, and what the channel's value label said before and after it.
    void mark(const char *what) { std::fprintf(m_file, "%.6f %s\n", now(), what); }
    void handled(double startedAt, int channel, bool drawn, const QString &before,
                 const QString &after);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit Trace(std::FILE *file) : m_file(file) {}
    ~Trace() override { std::fclose(m_file); }

    static inline Trace *s_trace = nullptr;
    std::FILE *m_file;
    std::array<QObject *, kChannelCount> m_labels{};
    bool m_shown = false;
};
