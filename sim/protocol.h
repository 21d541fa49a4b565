#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace boardsim {

enum class CommandKind { Unknown, Measure, Select, Drive };

struct Command
{
    CommandKind kind = CommandKind::Unknown;
    int arg = 0; // channel for Select, 0/1 for Drive
};

// Select code for a channel ('0'-'9', 'A'-'F', 'V', 'P'), or 0 if out of range.
char codeForChannel(int channel);
// Channel for a select code, either case; -1 if not a code.
int channelForCode(char code);

// One command line without its CR. The grammar is strict so that a panel
// sending stray spaces or line feeds shows up as ignored lines in the log.
Command parseCommand(std::string_view line);

// The reading as two upper-case hex digits, as in a reply and in the log.
std::string hexByte(std::uint8_t value);
// Every byte so, one after the other.
std::string hexBytes(std::string_view bytes);

// "x" CR LF, the reading in hex, CR LF, ">".
inline constexpr std::size_t kReplySize = 8;
std::string readingReply(std::uint8_t value);

// Printable ASCII kept, everything else (and the backslash) as \xNN.
std::string escapeForLog(std::string_view text);

// Splits the incoming byte stream into CR-terminated lines. A line longer than
// the cap is thrown away whole, so garbage without CR cannot grow memory.
class LineAssembler
{
public:
    explicit LineAssembler(std::size_t cap = 256)
        : m_cap(cap)
    {
    }

    void feed(std::string_view data, std::vector<std::string> &lines);
    // Number of overlong lines discarded since the last call.
    std::size_t takeOverflows();

private:
    std::string m_buffer;
    std::size_t m_cap;
    bool m_discarding = false;
    std::size_t m_overflows = 0;
};

} // namespace boardsim
