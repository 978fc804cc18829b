#include "emulator/Climate.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kHour = 3600.0 * 1000.0;

double unitFrom(std::uint64_t bits) {
    return static_cast<double>(bits >> 11) * 0x1.0p-53;
}

} // namespace

std::uint64_t mixBits(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

Climate::Climate(std::uint32_t seed, double rampPerHour) : seed_(seed), rampPerHour_(rampPerHour) {
    airBase_ = 6.0 + 10.0 * unitFrom(mixBits(seed * 4ULL + 1));
    supplyBase_ = 11.9 + 0.6 * unitFrom(mixBits(seed * 4ULL + 2));
    for (int i = 0; i < 3; ++i)
        phase_[i] = 2 * std::numbers::pi * unitFrom(mixBits(seed * 4ULL + 3 + i * 977ULL));
}

double Climate::noise(std::uint64_t ms, std::uint64_t period, std::uint32_t channel) const {
    // Smoothly between independent values at every `period` milliseconds.
    const std::uint64_t slot = ms / period;
    const double frac = static_cast<double>(ms % period) / static_cast<double>(period);
    auto at = [&](std::uint64_t s) {
        return 2 * unitFrom(
                       mixBits((static_cast<std::uint64_t>(seed_) << 32) ^ (s * 31ULL + channel))) -
               1;
    };
    return at(slot) + (at(slot + 1) - at(slot)) * frac;
}

double Climate::externalTemperature(std::uint64_t ms) const {
    const double t = static_cast<double>(ms);
    const double c = airBase_ + 2.5 * std::sin(2 * std::numbers::pi * t / (7 * kHour) + phase_[0]) +
                     0.3 * std::sin(2 * std::numbers::pi * t / (0.4 * kHour) + phase_[1]) +
                     0.08 * noise(ms, 5000, 1) + rampPerHour_ * t / kHour;
    return std::round(c * 16) / 16;
}

double Climate::internalTemperature(std::uint64_t ms) const {
    const double c = externalTemperature(ms) + 4.2 + heat_ + 0.05 * noise(ms, 3000, 2);
    return std::round(c * 10) / 10;
}

double Climate::supplyVoltage(std::uint64_t ms, bool motorRunning) const {
    const double t = static_cast<double>(ms);
    const double v = supplyBase_ +
                     0.06 * std::sin(2 * std::numbers::pi * t / (2 * kHour) + phase_[2]) +
                     0.02 * noise(ms, 1000, 3) - (motorRunning ? 0.14 : 0.0);
    return std::round(v * 100) / 100;
}

void Climate::advance(std::uint64_t elapsedMs, bool motorRunning, bool holding) {
    // First-order lag towards the warmth the current draw keeps up.
    const double target = motorRunning ? 6.0 : (holding ? 1.5 : 0.0);
    const double tau = 10 * 60 * 1000.0;
    heat_ = target + (heat_ - target) * std::exp(-static_cast<double>(elapsedMs) / tau);
}
