#pragma once

#include "rng.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace boardsim {

inline constexpr int kChannelCount = 18;

std::string_view channelName(int channel);
constexpr bool isElectrode(int channel) { return channel >= 1 && channel <= 9; }

// What the board would measure: nine electrodes in a 3x3 grid under a hand
// that drifts over them and comes and goes, plus steady internal channels.
class BoardModel
{
public:
    static constexpr double kShieldShift = 42.0;

    explicit BoardModel(std::uint64_t seed);

    void fix(int channel, std::uint8_t value);

    // Noise-free level at t seconds after start.
    double level(int channel, double t, bool shield) const;

    // One reading: the fixed value if any, else level plus +-2 counts of noise.
    std::uint8_t read(int channel, double t, bool shield);

private:
    std::array<std::optional<std::uint8_t>, kChannelCount> m_fixed{};
    Rng m_noise;
};

} // namespace boardsim
