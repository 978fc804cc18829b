#include "emulator/Motor.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDt = 0.001; // one millisecond
// Below this speed the motor may stop on the spot; it also keeps a move from stalling just
// short of its target when braking rounds down.
constexpr double kCreepSpeed = 200;

} // namespace

void Motor::moveTo(std::int64_t target, const Profile& profile) {
    target_ = target;
    profile_ = profile;
    moving_ = true;
    stopping_ = false;
}

void Motor::stop() {
    if (moving_)
        stopping_ = true;
}

void Motor::halt() {
    moving_ = stopping_ = false;
    speed_ = 0;
    position_ = std::round(position_);
    target_ = static_cast<std::int64_t>(position_);
}

void Motor::setPosition(std::int64_t position) {
    halt();
    position_ = static_cast<double>(position);
    target_ = position;
}

std::int64_t Motor::position() const {
    return static_cast<std::int64_t>(std::llround(position_));
}

bool Motor::tick() {
    if (!moving_)
        return false;

    if (stopping_) {
        const double brake = profile_.decel * kDt;
        if (std::abs(speed_) <= brake) {
            position_ += speed_ * kDt;
            halt();
            return true;
        }
        speed_ -= std::copysign(brake, speed_);
        position_ += speed_ * kDt;
        return false;
    }

    const double toGo = static_cast<double>(target_) - position_;
    if (std::abs(toGo) < 0.5) {
        position_ = static_cast<double>(target_);
        moving_ = false;
        speed_ = 0;
        return true;
    }
    const double dir = toGo > 0 ? 1.0 : -1.0;
    const double along = speed_ * dir; // speed towards the target
    const double brakingDistance = along > 0 ? along * along / (2 * profile_.decel) : 0;

    if (along < 0) {
        // Still running away from a new target: brake first.
        speed_ += dir * profile_.decel * kDt;
    } else if (std::abs(toGo) <= brakingDistance) {
        speed_ = dir * std::max(along - profile_.decel * kDt, kCreepSpeed);
    } else {
        speed_ = dir * std::min(along + profile_.accel * kDt, profile_.maxSpeed);
    }

    const double next = position_ + speed_ * kDt;
    const bool passed =
        dir > 0 ? next >= static_cast<double>(target_) : next <= static_cast<double>(target_);
    if (passed && speed_ * dir > 0) {
        position_ = static_cast<double>(target_);
        speed_ = 0;
        moving_ = false;
        return true;
    }
    position_ = next;
    return false;
}
