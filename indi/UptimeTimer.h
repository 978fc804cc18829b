#pragma once
// A one-shot timer of libindi's event loop that counts on the machine's uptime clock.
// libindi's own timers wait for a time of the wall clock: when it is set back (NTP once a
// network is found, daylight saving on a machine kept in local time), they fire that much
// later, and the driver neither polled nor looked for silences for as long.

#include <functional>
#include <utility>

class UptimeTimer {
public:
    explicit UptimeTimer(std::function<void()> hit) : hit_(std::move(hit)) {}
    ~UptimeTimer();
    UptimeTimer(const UptimeTimer&) = delete;
    UptimeTimer& operator=(const UptimeTimer&) = delete;

    // Fires once, `ms` from now (0: at the event loop's next turn); a start while active
    // starts it afresh.
    void start(int ms);
    void stop();
    bool isActive() const { return active_; }

private:
    void expired();

    std::function<void()> hit_;
    int fd_ = -1; // a timerfd on CLOCK_MONOTONIC, watched by the event loop from the first start
    int callbackId_ = -1;
    bool active_ = false;
};
