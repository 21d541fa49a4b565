#pragma once

#include "boardmodel.h"
#include "options.h"
#include "outputline.h"
#include "protocol.h"
#include "rng.h"

#include <optional>
#include <string>
#include <string_view>

namespace boardsim {

// Where the log lines and the complaints go.
class Sink
{
public:
    virtual void event(double time, std::string_view text) = 0;
    virtual void complain(std::string_view text) = 0;

protected:
    ~Sink() = default;
};

// The board and what the options make it and its line do wrong, driven by
// the times and events the caller hands in; it touches no file descriptor.
class FaultPolicy
{
public:
    FaultPolicy(const Options &options, double start, Sink &sink);

    // The count of the panel's openers went from 0 to 1, or back to 0.
    void opened(double now);
    void closed(double now);
    // A new line after a hang-up, to the same board: what it had selected and
    // how many readings it gave stay; the count to the next hang-up starts again.
    void replugged(double now, const std::string &path);

    void received(std::string_view bytes, double now);

    // Bytes to hand to the panel now; sent() says how many went.
    std::string_view output(double now);
    void sent(std::size_t count, double now);

    // When output() may have more, or a log line falls due.
    std::optional<double> nextWake() const;

    bool reading() const { return !m_stalled && !m_hungUp; }
    bool stalled() const { return m_stalled; }
    bool hungUp() const { return m_hungUp; }

private:
    // heard: when the line's last character had crossed to the board.
    void handleLine(const std::string &line, double now, double heard);
    void measure(double now, double heard);
    std::string garble();
    void endFlood(double now);
    void log(double now, const std::string &text) { m_sink.event(now, text); }
    void logReply(double now, std::string_view what, const ReplyTag &reply);

    const Options &m_options;
    Sink &m_sink;
    double m_start;
    BoardModel m_model;
    LineAssembler m_assembler;
    double m_charSeconds; // both ways; 0: at once
    OutputLine m_line;
    Rng m_garbleRandom;
    double m_inputFree = 0.0; // the panel's characters have crossed to the board by then

    bool m_open = false;
    bool m_hungUp = false;
    bool m_stalled = false;
    bool m_shield = false;
    int m_channel = 0;
    unsigned long m_linesReceived = 0;
    unsigned long m_measures = 0;
    unsigned long m_ignoredLines = 0;
    bool m_floodUsed = false;
    std::optional<double> m_floodEnd;
};

} // namespace boardsim
