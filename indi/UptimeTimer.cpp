#include "indi/UptimeTimer.h"

#include <indidevapi.h>

#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

UptimeTimer::~UptimeTimer() {
    if (callbackId_ >= 0)
        IERmCallback(callbackId_);
    if (fd_ >= 0)
        ::close(fd_);
}

void UptimeTimer::start(int ms) {
    if (fd_ < 0) {
        fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd_ < 0)
            return;
        callbackId_ = IEAddCallback(
            fd_, [](int, void* self) { static_cast<UptimeTimer*>(self)->expired(); }, this);
    }
    itimerspec when{};
    when.it_value.tv_sec = ms / 1000;
    // A time of zero would disarm it.
    when.it_value.tv_nsec = ms > 0 ? (ms % 1000) * 1000000L : 1;
    active_ = ::timerfd_settime(fd_, 0, &when, nullptr) == 0;
}

void UptimeTimer::stop() {
    if (fd_ >= 0) {
        const itimerspec never{};
        ::timerfd_settime(fd_, 0, &never, nullptr);
    }
    active_ = false;
}

void UptimeTimer::expired() {
    std::uint64_t expirations = 0;
    // Nothing to read: stopped or started afresh after it became readable.
    if (::read(fd_, &expirations, sizeof expirations) != sizeof expirations)
        return;
    active_ = false;
    hit_();
}
