#pragma once
// The focuser's sensors: the external probe, the controller's own thermistor and the 12 V
// supply. Each value drifts slowly with the night and jitters by a sensor's resolution; all
// of it follows from the seed and the device time, so a run can be repeated exactly.

#include <cstdint>

class Climate {
public:
    // `rampPerHour`: a steady change of the air on top of its drift, in degrees per hour
    // (negative: the night cools).
    explicit Climate(std::uint32_t seed, double rampPerHour = 0);

    // Degrees Celsius, in the probe's steps of 1/16 degree.
    double externalTemperature(std::uint64_t ms) const;
    // The controller warms above the air, and more while the motor works.
    double internalTemperature(std::uint64_t ms) const;
    // Volts; the supply sags a little while the motor draws current.
    double supplyVoltage(std::uint64_t ms, bool motorRunning) const;

    // Motor heating: called as time passes with whether the motor ran and whether the
    // hold current was on.
    void advance(std::uint64_t elapsedMs, bool motorRunning, bool holding);

private:
    double noise(std::uint64_t ms, std::uint64_t period, std::uint32_t channel) const;

    std::uint32_t seed_;
    double airBase_;
    double supplyBase_;
    double rampPerHour_;
    double phase_[3];
    double heat_ = 0; // degrees above the controller's idle warmth
};

// A 64-bit mix of the bits of `x` (splitmix64).
std::uint64_t mixBits(std::uint64_t x);
