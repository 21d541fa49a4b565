#pragma once

#include "panel/panel.h"
#include "panel/valuelabel.h"

#include <QObject>

#include <array>
#include <chrono>
#include <cstdio>
#include <type_traits>

class QWidget;

// Timing probes for the benchmark. Inert unless ORVANE_TRACE names a file:
// then each line is "<steady-clock seconds> <what> ...", written at once.
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

    // Runs one event's handler and writes "handled EVENT NS CHANNEL CHANGED TEXT RESULT":
    // how long it took, the measured channel's value label and whether it changed,
    // and what the handler returned (1 when a reading was drawn).
    template<class F>
    void around(const char *event, const Panel &p, F &&handler)
    {
        const int channel = p.state.MeasIdx;
        const QString before = p.valueLabels[channel]->text();
        const double started = now();
        bool result = false;
        if constexpr (std::is_same_v<decltype(handler()), bool>)
            result = handler();
        else
            handler();
        handled(event, started, channel, before, p.valueLabels[channel]->text(), result);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit Trace(std::FILE *file) : m_file(file) {}
    ~Trace() override { std::fclose(m_file); }
    void handled(const char *event, double startedAt, int channel, const QString &before,
                 const QString &after, bool result);

    static inline Trace *s_trace = nullptr;
    std::FILE *m_file;
    std::array<QObject *, kChannelCount> m_labels{};
    bool m_shown = false;
};
