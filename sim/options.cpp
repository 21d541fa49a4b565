#include "options.h"

#include "protocol.h"

#include <charconv>
#include <limits>
#include <string_view>
#include <type_traits>

namespace boardsim {

namespace {

template<typename T>
std::optional<T> parseNumber(std::string_view text, T min, T max, int base = 10)
{
    T value{};
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || ec != std::errc{} || ptr != end || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<double> parseSeconds(std::string_view text)
{
    double value = 0.0;
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc{} || ptr != end || !(value > 0.0) || value > 3600.0)
        return std::nullopt;
    return value;
}

std::optional<std::uint8_t> parseByte(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return parseNumber<std::uint8_t>(text.substr(2), 0, 255, 16);
    return parseNumber<std::uint8_t>(text, 0, 255);
}

// "--value CH=V"; false if malformed.
bool applyValue(std::string_view text, Options &options)
{
    const auto eq = text.find('=');
    if (eq == std::string_view::npos)
        return false;
    const auto channelText = text.substr(0, eq);
    const auto value = parseByte(text.substr(eq + 1));
    if (!value)
        return false;
    if (channelText == "all") {
        options.fixed.fill(*value);
        return true;
    }
    const auto channel = parseNumber<int>(channelText, 0, kChannelCount - 1);
    if (!channel)
        return false;
    options.fixed[static_cast<std::size_t>(*channel)] = *value;
    return true;
}

} // namespace

ParsedArgs parseArgs(const std::vector<std::string> &args)
{
    ParsedArgs result;
    Options &o = result.options;
    const auto fail = [&](std::string message) {
        result.status = ParsedArgs::Status::Error;
        result.error = std::move(message);
        return result;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }

        if (name == "--help" || name == "-h") {
            result.status = ParsedArgs::Status::Help;
            return result;
        }
        if (name == "--silent") {
            if (inlineValue)
                return fail("--silent takes no argument");
            o.silent = true;
            continue;
        }

        static constexpr std::string_view kWithArgument[] = {
            "--link", "--log", "--delay", "--split", "--drop", "--garbage", "--garbage-every",
            "--hangup-after", "--stall-after", "--mute-after",
            "--garble-after", "--line-rate", "--latency", "--flood", "--replug-after", "--value", "--seed",
        };
        bool known = false;
        for (const auto option : kWithArgument)
            known = known || name == option;
        if (!known && !name.starts_with("-"))
            return fail("unexpected argument '" + escapeForLog(name) + "' (try --help)");
        if (!known)
            return fail("unknown option '" + escapeForLog(name) + "' (try --help)");

        std::string arg;
        if (inlineValue) {
            arg = *inlineValue;
        } else if (i + 1 < args.size()) {
            arg = args[++i];
        } else {
            return fail(name + " needs an argument");
        }
        const auto bad = [&](std::string_view expected) {
            return fail(name + ": expected " + std::string(expected) + ", got '" + escapeForLog(arg) + "'");
        };

        // Stores a whole number from min to max; false if it is none.
        const auto whole = [&](auto &target, auto min, auto max) {
            const auto n = parseNumber<std::remove_cvref_t<decltype(target)>>(arg, min, max);
            if (n)
                target = *n;
            return n.has_value();
        };

        if (name == "--link" || name == "--log") {
            if (arg.empty())
                return bad("a path");
            (name == "--link" ? o.linkPath : o.logPath) = arg;
        } else if (name == "--stall-after" || name == "--mute-after" || name == "--garble-after") {
            unsigned n = 0;
            if (!whole(n, 0u, 1000000u))
                return bad("a count 0..1000000");
            (name == "--stall-after" ? o.stallAfter : name == "--mute-after" ? o.muteAfter : o.garbleAfter) = n;
        } else if (name == "--line-rate") {
            if (!whole(o.lineRate, 0u, 4000000u) || (o.lineRate != 0 && o.lineRate < 50))
                return bad("a baud rate 50..4000000, or 0");
        } else if (name == "--latency") {
            if (!whole(o.latencyMs, 0, 1000))
                return bad("milliseconds 0..1000");
        } else if (name == "--delay" || name == "--split") {
            if (!whole(name == "--delay" ? o.delayMs : o.splitMs, 0, 60000))
                return bad("milliseconds 0..60000");
        } else if (name == "--drop" || name == "--hangup-after" || name == "--garbage-every") {
            auto &target = name == "--drop" ? o.drop : name == "--hangup-after" ? o.hangupAfter : o.garbageEvery;
            if (!whole(target, 1u, 1000000u))
                return bad("a count 1..1000000");
        } else if (name == "--garbage") {
            if (!whole(o.garbage, 0u, 65536u))
                return bad("a byte count 0..65536");
        } else if (name == "--flood" || name == "--replug-after") {
            const auto seconds = parseSeconds(arg);
            if (!seconds)
                return bad("seconds, more than 0 and at most 3600");
            (name == "--flood" ? o.floodSeconds : o.replugSeconds) = *seconds;
        } else if (name == "--value") {
            if (!applyValue(arg, o))
                return bad("CH=V with CH 0..17 or 'all' and V 0..255 or 0x00..0xFF");
        } else if (name == "--seed") {
            if (!whole(o.seed, std::uint64_t{0}, std::numeric_limits<std::uint64_t>::max()))
                return bad("an unsigned 64-bit number");
        }
    }
    if (o.replugSeconds > 0.0 && o.hangupAfter == 0)
        return fail("--replug-after: needs --hangup-after, which says when the line goes");
    return result;
}

std::string usageText()
{
    return R"(Usage: orvane-boardsim [options]

Simulates the electric-field sensing board on a pseudo-terminal. The first line
on stdout is the device path to open (9600 8N1, raw), then it serves until
SIGTERM, SIGINT or SIGHUP.

The line behaves like a USB-serial adapter: the simulator keeps the device open
itself, so the line never hangs up between the panel's opens and every command
is seen as it arrives. When the panel's last opener closes it, or is killed,
what was on its way to the panel is dropped and exclusive mode (TIOCEXCL) ends,
as an adapter's driver does, so the device can be opened again at once.

Commands, each ended by CR:
  d 0, d 1     shield driver off / on                  (no answer)
  s CODE       select channel: 0-9, A-F, V, P; a-f, v, p also accepted
                                                       (no answer)
  x            measure the selected channel; answer is exactly 8 bytes:
               "x" CR LF, two upper-case hex digits, CR LF, ">"
Only "x" is answered: the panel reads a reply once 8 or more bytes are waiting,
so a shorter answer would stay in its buffer and spoil the next reading.
Any other line is ignored (logged, and reported on stderr). At start channel 0
is selected and the shield driver is off; both survive the port being closed
and reopened, as on a board that stays powered.

Channels: 0 ISrc, 1-9 Electrode 1-9, A Ref A, B Ref B, C OSC, D O-R, E INT,
          F Rsvd, V Vdd (16), P Vpwr (17).

Options:
  --link PATH       also publish the device as symlink PATH (an existing symlink
                    is replaced, anything else is refused); removed on exit
  --line-rate BAUD  both ways at the pace of a BAUD line, 10 bits a character
                    (50..4000000; default 9600: "x" and CR take 2.1 ms to
                    reach the board, the answer 8.3 ms back); 0: at once
  --latency MS      hold what is sent like an adapter's latency timer: bytes
                    leave when a free-running MS ms timer, counted from the
                    start, expires (0..1000; default 0: not held)
  --delay MS        wait MS ms (0..60000) before each answer; answers keep order
  --drop N          never send the answer to every N-th "x" (N >= 1)
  --garbage N       send N random bytes (0..65536) after every answer
  --garbage-every K only after every K-th answer (default 1)
  --split MS        send each answer as 4 bytes, then the other 4 MS ms after
                    the first 4 (0..60000)
  --hangup-after N  on the N-th command line received, close the line without
                    answering it and exit 0, as an adapter pulled out
  --replug-after SECONDS
                    with --hangup-after: instead of exiting, come back SECONDS
                    (decimal, up to 3600) after each hang-up as a new
                    pseudo-terminal, its path printed on stdout and the --link
                    pointed at it, and hang up again N command lines later;
                    the board behind it is the same, its selected channel and
                    the counts of --mute-after and --garble-after go on
  --stall-after N   once N command lines are received (0: before the panel
                    opens the line), stop reading the line for good and keep
                    it full, so that the panel's writes find no room; answers
                    already on their way still arrive
  --silent          never answer
  --mute-after N    answer the first N "x" (0..1000000), then none: the board
                    goes silent during a run; the rest are logged as dropped
  --garble-after N  answer the first N "x" (0..1000000), then send 9 random
                    bytes instead of each answer, as a board at another line
                    speed would; they never hold a ">", so never make a reply
  --flood SECONDS   after the first command line, send random bytes as fast as
                    the line takes them for SECONDS (decimal, up to 3600); "x"
                    is not answered meanwhile
  --value CH=V      fixed reading for channel CH (0..17 or "all"), V 0..255 or
                    0xNN; repeatable, later ones win
  --seed N          seed for all randomness (default 1: runs are reproducible)
  --log FILE        append one line per event to FILE ("-": stdout), each
                    "<CLOCK_MONOTONIC seconds, 6 decimals> <event>":
                      rx TEXT      a command line without CR (bytes outside
                                   printable ASCII, and \, as \xNN)
                      tx CH HH     last byte of an answer sent to the panel
                      drop CH HH   answer not sent (--drop, --silent,
                                   --mute-after, flood, port closed before it
                                   went out)
                      garbled CH BYTES
                                   what --garble-after sent instead of an
                                   answer, in hex, once its last byte went
                      noise BYTES  what --garbage sent after an answer, in
                                   hex, once its last byte went (a flood is
                                   not logged)
                      mute, garble --mute-after, --garble-after began
                      opened       the panel opened the port, nobody else had it
                      closed       its last opener closed it, or died
                      overflow     line over 256 bytes without CR discarded
                      stall        --stall-after began
                      flood-start, flood-end, hangup
                      replug PATH  --replug-after brought the line back
  -h, --help        show this help and exit

Delayed, split, padded and garbled answers and the flood are paced by
--line-rate and held by --latency like any other bytes.

Exit status: 0 on a signal or after --hangup-after, 1 on a runtime failure,
2 on a bad argument.
)";
}

} // namespace boardsim
