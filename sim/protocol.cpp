#include "protocol.h"

#include "boardmodel.h"

#include <cstdio>

namespace boardsim {

namespace {
constexpr std::string_view kCodes = "0123456789ABCDEFVP";
constexpr char kHex[] = "0123456789ABCDEF";
} // namespace

char codeForChannel(int channel)
{
    if (channel < 0 || channel >= kChannelCount)
        return 0;
    return kCodes[static_cast<std::size_t>(channel)];
}

int channelForCode(char code)
{
    if (code >= 'a' && code <= 'z')
        code = static_cast<char>(code - 'a' + 'A');
    const auto pos = kCodes.find(code);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

Command parseCommand(std::string_view line)
{
    if (line == "x")
        return {CommandKind::Measure, 0};
    if (line == "d 0" || line == "d 1")
        return {CommandKind::Drive, line[2] - '0'};
    if (line.size() == 3 && line[0] == 's' && line[1] == ' ') {
        if (const int channel = channelForCode(line[2]); channel >= 0)
            return {CommandKind::Select, channel};
    }
    return {};
}

std::string hexByte(std::uint8_t value)
{
    return {kHex[value >> 4], kHex[value & 0x0F]};
}

std::string hexBytes(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes)
        out += hexByte(static_cast<std::uint8_t>(c));
    return out;
}

std::string readingReply(std::uint8_t value)
{
    return "x\r\n" + hexByte(value) + "\r\n>";
}

std::string escapeForLog(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            out += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out;
}

void LineAssembler::feed(std::string_view data, std::vector<std::string> &lines)
{
    for (const char c : data) {
        if (c == '\r') {
            if (!m_discarding)
                lines.push_back(m_buffer);
            m_buffer.clear();
            m_discarding = false;
        } else if (!m_discarding) {
            if (m_buffer.size() >= m_cap) {
                m_buffer.clear();
                m_buffer.shrink_to_fit();
                m_discarding = true;
                ++m_overflows;
            } else {
                m_buffer += c;
            }
        }
    }
}

std::size_t LineAssembler::takeOverflows()
{
    const std::size_t n = m_overflows;
    m_overflows = 0;
    return n;
}

} // namespace boardsim
