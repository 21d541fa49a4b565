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

    void received(std::string_view bytes, double now);

    // Bytes to hand to the panel now; sent() says how many went.
    std::string_view output(double now);
    void sent(std::size_t count, double now);

    // When output() may have more, or a log line falls due.
    std::optional<double> nextWake() const;

    bool reading() const { return !stalled_ && !hungUp_; }
    bool stalled() const { return stalled_; }
    bool hungUp() const { return hungUp_; }

private:
    void handleLine(const std::string &line, double now);
    void measure(double now);
    std::string garble();
    void endFlood(double now);
    void log(double now, const std::string &text) { sink_.event(now, text); }
    void logReply(double now, std::string_view what, const ReplyTag &reply);

    const Options &options_;
    Sink &sink_;
    double start_;
    BoardModel model_;
    LineAssembler assembler_;
    OutputLine line_;
    Rng garbleRandom_;

    bool open_ = false;
    bool hungUp_ = false;
    bool stalled_ = false;
    bool shield_ = false;
    int channel_ = 0;
    unsigned long linesReceived_ = 0;
    unsigned long measures_ = 0;
    unsigned long ignoredLines_ = 0;
    bool floodUsed_ = false;
    std::optional<double> floodEnd_;
};

} // namespace boardsim
