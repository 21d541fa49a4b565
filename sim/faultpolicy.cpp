#include "faultpolicy.h"

#include <algorithm>
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
    : m_options(options)
    , m_sink(sink)
    , m_start(start)
    , m_model(options.seed)
    , m_charSeconds(options.lineRate == 0 ? 0.0 : kBitsPerCharacter / options.lineRate)
    , m_line(m_charSeconds, seconds(options.latencyMs), start, options.seed ^ 0x6279746573ull)
    , m_garbleRandom(options.seed ^ 0x676172626c65ull)
{
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (const auto &value = options.fixed[static_cast<std::size_t>(channel)])
            m_model.fix(channel, *value);
    }
    if (options.stallAfter == 0u) {
        m_stalled = true;
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
    m_open = true;
    log(now, "opened");
}

void FaultPolicy::replugged(double now, const std::string &path)
{
    for (const ReplyTag &reply : m_line.dropQueued(now))
        logReply(now, "drop", reply);
    m_assembler = LineAssembler();
    m_open = false;
    m_hungUp = false;
    m_linesReceived = 0;
    log(now, "replug " + path);
}

void FaultPolicy::closed(double now)
{
    m_open = false;
    log(now, "closed");
    for (const ReplyTag &reply : m_line.dropQueued(now))
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
        // The pseudo-terminal hands over at once what a real line carries a character at a time.
        m_inputFree = std::max(now, m_inputFree) + static_cast<double>(piece.size()) * m_charSeconds;
        lines.clear();
        m_assembler.feed(piece, lines);
        for (std::size_t i = m_assembler.takeOverflows(); i > 0; --i)
            log(now, "overflow");
        for (const auto &line : lines)
            handleLine(line, now, m_inputFree);
    }
}

void FaultPolicy::handleLine(const std::string &line, double now, double heard)
{
    ++m_linesReceived;
    log(now, "rx " + escapeForLog(line));
    if (m_options.hangupAfter != 0 && m_linesReceived >= m_options.hangupAfter) {
        m_hungUp = true;
        log(now, "hangup");
        return;
    }
    if (m_options.floodSeconds > 0.0 && !m_floodUsed) {
        m_floodUsed = true;
        m_floodEnd = now + m_options.floodSeconds;
        m_line.flood(now, *m_floodEnd);
        log(now, "flood-start");
    }

    const Command command = parseCommand(line);
    switch (command.kind) {
    case CommandKind::Drive:
        m_shield = command.arg != 0;
        break;
    case CommandKind::Select:
        m_channel = command.arg;
        break;
    case CommandKind::Measure:
        measure(now, heard);
        break;
    case CommandKind::Unknown:
        // Bounded, so a chatty peer cannot fill a stderr pipe nobody reads.
        if (++m_ignoredLines <= kIgnoredLinesReported)
            m_sink.complain("ignored line '" + escapeForLog(line) + "'"
                           + (m_ignoredLines == kIgnoredLinesReported ? "; further ones only in the log" : ""));
        break;
    }
    if (m_options.stallAfter && m_linesReceived >= *m_options.stallAfter) {
        m_stalled = true;
        log(now, "stall");
    }
}

void FaultPolicy::measure(double now, double heard)
{
    ++m_measures;
    ReplyTag reply{m_channel, m_model.read(m_channel, now - m_start, m_shield), {}};
    if (m_options.muteAfter == m_measures)
        log(now, "mute");
    if (m_options.garbleAfter == m_measures)
        log(now, "garble");
    const bool muted = m_options.muteAfter && m_measures > *m_options.muteAfter;
    if (muted || m_options.silent || m_floodEnd || (m_options.drop != 0 && m_measures % m_options.drop == 0)) {
        logReply(now, "drop", reply);
        return;
    }
    if (m_options.garbleAfter && m_measures > *m_options.garbleAfter)
        reply.garbled = garble();
    std::string text = reply.garbled.empty() ? readingReply(reply.value) : reply.garbled;
    const std::size_t garbage = m_measures % m_options.garbageEvery == 0 ? m_options.garbage : 0;
    const double ready = heard + seconds(m_options.delayMs);
    if (m_options.splitMs >= 0) {
        m_line.send(ready, text.substr(0, kFirstPart), 0, std::nullopt);
        m_line.send(ready + seconds(m_options.splitMs), text.substr(kFirstPart), garbage, reply);
    } else {
        m_line.send(ready, std::move(text), garbage, reply);
    }
}

// A '>' would let the panel take these bytes for a reply.
std::string FaultPolicy::garble()
{
    std::string bytes;
    for (std::size_t i = 0; i < kGarbleSize; ++i) {
        const int byte = m_garbleRandom.between(0, 254);
        bytes += static_cast<char>(byte >= '>' ? byte + 1 : byte);
    }
    return bytes;
}

void FaultPolicy::endFlood(double now)
{
    if (m_floodEnd && now >= *m_floodEnd) {
        m_floodEnd.reset();
        log(now, "flood-end");
    }
}

std::string_view FaultPolicy::output(double now)
{
    endFlood(now);
    if (m_hungUp)
        return {};
    if (!m_open) {
        for (const ReplyTag &reply : m_line.skipDue(now))
            logReply(now, "drop", reply);
        return {};
    }
    return m_line.due(now);
}

void FaultPolicy::sent(std::size_t count, double now)
{
    for (const Taken &taken : m_line.taken(count)) {
        if (taken.reply)
            logReply(now, "tx", *taken.reply);
        else
            log(now, "noise " + hexBytes(taken.noise));
    }
}

std::optional<double> FaultPolicy::nextWake() const
{
    const auto release = m_line.nextRelease();
    if (m_floodEnd && (!release || *m_floodEnd < *release))
        return m_floodEnd;
    return release;
}

} // namespace boardsim
