#include "faultpolicy.h"

#include <vector>

namespace boardsim {

namespace {
constexpr unsigned long kIgnoredLinesReported = 20;
constexpr std::size_t kFirstPart = kReplySize / 2; // of a split reply
constexpr double kBitsPerCharacter = 10.0;         // start, 8 data, stop
constexpr std::size_t kGarbleSize = 9;

double seconds(int ms) { return ms / 1000.0; }
} // namespace

FaultPolicy::FaultPolicy(const Options &options, double start, Sink &sink)
    : options_(options)
    , sink_(sink)
    , start_(start)
    , model_(options.seed)
    , line_(options.lineRate == 0 ? 0.0 : kBitsPerCharacter / options.lineRate, seconds(options.latencyMs), start,
            options.seed ^ 0x6279746573ull)
    , garbleRandom_(options.seed ^ 0x676172626c65ull)
{
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (const auto &value = options.fixed[static_cast<std::size_t>(channel)])
            model_.fix(channel, *value);
    }
    if (options.stallAfter == 0u) {
        stalled_ = true;
        log(start, "stall");
    }
    if (options.muteAfter == 0u)
        log(start, "mute");
    if (options.garbleAfter == 0u)
        log(start, "garble");
}

void FaultPolicy::logReply(double now, std::string_view what, const ReplyTag &reply)
{
    const bool garbled = what == "tx" && !reply.garbled.empty();
    log(now, std::string(garbled ? "garbled" : what) + " " + std::to_string(reply.channel) + " "
                 + (garbled ? hexBytes(reply.garbled) : hexByte(reply.value)));
}

void FaultPolicy::opened(double now)
{
    output(now); // what left the adapter while nobody listened is lost
    open_ = true;
    log(now, "opened");
}

void FaultPolicy::closed(double now)
{
    open_ = false;
    log(now, "closed");
    for (const ReplyTag &reply : line_.dropQueued(now))
        logReply(now, "drop", reply);
}

// Fed up to one CR at a time so an overflow is logged in its place among the lines.
void FaultPolicy::received(std::string_view bytes, double now)
{
    endFlood(now);
    std::vector<std::string> lines;
    while (!bytes.empty() && reading()) {
        const auto cr = bytes.find('\r');
        const auto piece = bytes.substr(0, cr == std::string_view::npos ? bytes.size() : cr + 1);
        bytes.remove_prefix(piece.size());
        lines.clear();
        assembler_.feed(piece, lines);
        for (std::size_t i = assembler_.takeOverflows(); i > 0; --i)
            log(now, "overflow");
        for (const auto &line : lines)
            handleLine(line, now);
    }
}

void FaultPolicy::handleLine(const std::string &line, double now)
{
    ++linesReceived_;
    log(now, "rx " + escapeForLog(line));
    if (options_.hangupAfter != 0 && linesReceived_ >= options_.hangupAfter) {
        hungUp_ = true;
        log(now, "hangup");
        return;
    }
    if (options_.floodSeconds > 0.0 && !floodUsed_) {
        floodUsed_ = true;
        floodEnd_ = now + options_.floodSeconds;
        line_.flood(now, *floodEnd_);
        log(now, "flood-start");
    }

    const Command command = parseCommand(line);
    switch (command.kind) {
    case CommandKind::Drive:
        shield_ = command.arg != 0;
        break;
    case CommandKind::Select:
        channel_ = command.arg;
        break;
    case CommandKind::Measure:
        measure(now);
        break;
    case CommandKind::Unknown:
        // Bounded, so a chatty peer cannot fill a stderr pipe nobody reads.
        if (++ignoredLines_ <= kIgnoredLinesReported)
            sink_.complain("ignored line '" + escapeForLog(line) + "'"
                           + (ignoredLines_ == kIgnoredLinesReported ? "; further ones only in the log" : ""));
        break;
    }
    if (options_.stallAfter && linesReceived_ >= *options_.stallAfter) {
        stalled_ = true;
        log(now, "stall");
    }
}

void FaultPolicy::measure(double now)
{
    ++measures_;
    ReplyTag reply{channel_, model_.read(channel_, now - start_, shield_), {}};
    if (options_.muteAfter == measures_)
        log(now, "mute");
    if (options_.garbleAfter == measures_)
        log(now, "garble");
    const bool muted = options_.muteAfter && measures_ > *options_.muteAfter;
    if (muted || options_.silent || floodEnd_ || (options_.drop != 0 && measures_ % options_.drop == 0)) {
        logReply(now, "drop", reply);
        return;
    }
    if (options_.garbleAfter && measures_ > *options_.garbleAfter)
        reply.garbled = garble();
    std::string text = reply.garbled.empty() ? readingReply(reply.value) : reply.garbled;
    const std::size_t garbage = measures_ % options_.garbageEvery == 0 ? options_.garbage : 0;
    const double ready = now + seconds(options_.delayMs);
    if (options_.splitMs >= 0) {
        line_.send(ready, text.substr(0, kFirstPart), 0, std::nullopt);
        line_.send(ready + seconds(options_.splitMs), text.substr(kFirstPart), garbage, reply);
    } else {
        line_.send(ready, std::move(text), garbage, reply);
    }
}

// A '>' would let the panel take these bytes for a reply.
std::string FaultPolicy::garble()
{
    std::string bytes;
    for (std::size_t i = 0; i < kGarbleSize; ++i) {
        const int byte = garbleRandom_.between(0, 254);
        bytes += static_cast<char>(byte >= '>' ? byte + 1 : byte);
    }
    return bytes;
}

void FaultPolicy::endFlood(double now)
{
    if (floodEnd_ && now >= *floodEnd_) {
        floodEnd_.reset();
        log(now, "flood-end");
    }
}

std::string_view FaultPolicy::output(double now)
{
    endFlood(now);
    if (hungUp_)
        return {};
    if (!open_) {
        for (const ReplyTag &reply : line_.skipDue(now))
            logReply(now, "drop", reply);
        return {};
    }
    return line_.due(now);
}

void FaultPolicy::sent(std::size_t count, double now)
{
    for (const Taken &taken : line_.taken(count)) {
        if (taken.reply)
            logReply(now, "tx", *taken.reply);
        else
            log(now, "noise " + hexBytes(taken.noise));
    }
}

std::optional<double> FaultPolicy::nextWake() const
{
    const auto release = line_.nextRelease();
    if (floodEnd_ && (!release || *floodEnd_ < *release))
        return floodEnd_;
    return release;
}

} // namespace boardsim
