#pragma once
// The stepper of the focuser: position, speed and a trapezoidal move towards a target,
// advanced one millisecond at a time so that the path never depends on how time is cut.

#include <cstdint>

class Motor {
public:
    struct Profile {
        double maxSpeed = 30000; // steps per second
        double accel = 75000;    // steps per second squared
        double decel = 75000;
    };

    // Starts a move, or turns a running one towards the new target.
    void moveTo(std::int64_t target, const Profile& profile);
    // Brakes with the profile's deceleration and comes to rest.
    void stop();
    // Stops at once, where it stands.
    void halt();
    // Redefines where the motor stands (the counter, not the shaft).
    void setPosition(std::int64_t position);

    // One millisecond of motion. True when the motor came to rest during it.
    bool tick();

    bool moving() const { return moving_; }
    std::int64_t position() const;
    std::int64_t target() const { return target_; }
    double speed() const { return speed_; } // signed, steps per second

private:
    double position_ = 0;
    double speed_ = 0;
    std::int64_t target_ = 0;
    Profile profile_;
    bool moving_ = false;
    bool stopping_ = false;
};
