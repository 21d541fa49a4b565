#pragma once

#include "boardmodel.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace boardsim {

struct Options
{
    static constexpr std::uint64_t kDefaultSeed = 1;

    std::string linkPath;
    std::string logPath;
    int delayMs = 0;
    int splitMs = -1; // < 0: one write per reply
    unsigned drop = 0; // 0: never
    unsigned garbage = 0;
    unsigned garbageEvery = 1;
    unsigned hangupAfter = 0; // 0: never
    double replugSeconds = 0.0; // 0: a hang-up ends the simulator
    std::optional<unsigned> stallAfter;
    std::optional<unsigned> muteAfter;   // "x" answered before the board stops answering
    std::optional<unsigned> garbleAfter; // "x" answered before answers turn to garble
    unsigned lineRate = 9600; // baud; 0: instant
    int latencyMs = 0; // 0: bytes are not held
    bool silent = false;
    double floodSeconds = 0.0; // 0: no flood
    std::uint64_t seed = kDefaultSeed;
    std::array<std::optional<std::uint8_t>, kChannelCount> fixed{};
};

struct ParsedArgs
{
    enum class Status { Run, Help, Error };
    Status status = Status::Run;
    Options options;
    std::string error; // one line, names the option
};

ParsedArgs parseArgs(const std::vector<std::string> &args);
std::string usageText();

} // namespace boardsim
