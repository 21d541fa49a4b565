#include "boardmodel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace boardsim {

namespace {

constexpr std::array<std::string_view, kChannelCount> kNames = {
    "ISrc",        "Electrode 1", "Electrode 2", "Electrode 3", "Electrode 4", "Electrode 5",
    "Electrode 6", "Electrode 7", "Electrode 8", "Electrode 9", "Ref A",       "Ref B",
    "OSC",         "O-R",         "INT",         "Rsvd",        "Vdd",         "Vpwr",
};

// Electrode entries are baselines with no hand present.
constexpr std::array<double, kChannelCount> kNominal = {
    128, 64, 70, 66, 72, 68, 62, 74, 65, 71, 60, 196, 160, 100, 88, 8, 204, 230,
};

constexpr double kHandGain = 105.0;
constexpr double kHandWidth = 0.75; // in electrode pitches

double wave(double t, double period, double phase = 0.0)
{
    return std::sin(2.0 * std::numbers::pi * t / period + phase);
}

} // namespace

std::string_view channelName(int channel)
{
    if (channel < 0 || channel >= kChannelCount)
        return {};
    return kNames[static_cast<std::size_t>(channel)];
}

BoardModel::BoardModel(std::uint64_t seed)
    : m_noise(seed ^ 0x6E6F697365ull)
{
}

void BoardModel::fix(int channel, std::uint8_t value)
{
    m_fixed.at(static_cast<std::size_t>(channel)) = value;
}

double BoardModel::level(int channel, double t, bool shield) const
{
    const double nominal = kNominal.at(static_cast<std::size_t>(channel));
    if (!isElectrode(channel))
        return nominal;

    // Periods are mutually prime-ish so the path does not repeat quickly.
    const double approach = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * t / 11.0);
    const double handX = 1.0 + 1.1 * wave(t, 13.0, 0.4);
    const double handY = 1.0 + 1.1 * wave(t, 8.5, 1.3);
    const int index = channel - 1;
    const double dx = index % 3 - handX;
    const double dy = index / 3 - handY;
    const double proximity = approach * std::exp(-(dx * dx + dy * dy) / (2.0 * kHandWidth * kHandWidth));
    return nominal + (shield ? kShieldShift : 0.0) + kHandGain * proximity;
}

std::uint8_t BoardModel::read(int channel, double t, bool shield)
{
    if (const auto &fixed = m_fixed.at(static_cast<std::size_t>(channel)))
        return *fixed;
    const int noise = m_noise.between(-1, 1) + m_noise.between(-1, 1);
    const double value = std::lround(level(channel, t, shield)) + noise;
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

} // namespace boardsim
