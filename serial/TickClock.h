#pragma once
// The time the link and the emulated focuser read: a wrapping 32-bit millisecond tick
// count and the local date and time. Tests drive a clock of their own.

#include <QDateTime>
#include <cstdint>

class TickClock {
public:
    virtual ~TickClock() = default;
    // Milliseconds since some fixed start, wrapping at 2^32.
    virtual std::uint32_t tickCount() const = 0;
    virtual QDateTime localNow() const = 0;
};

// The machine's uptime counter and wall clock.
const TickClock& systemClock();

// A clock that moves only when told to.
class ManualClock : public TickClock {
public:
    explicit ManualClock(std::uint32_t start = 0,
                         QDateTime now = QDateTime(QDate(2026, 1, 2), QTime(21, 5, 9)))
        : ticks_(start), now_(std::move(now)) {}

    std::uint32_t tickCount() const override { return ticks_; }
    QDateTime localNow() const override { return now_; }

    void advance(std::uint32_t ms) {
        ticks_ += ms;
        now_ = now_.addMSecs(ms);
    }
    void setTicks(std::uint32_t ticks) { ticks_ = ticks; }
    void setLocalNow(QDateTime now) { now_ = std::move(now); } // the wall clock set

private:
    std::uint32_t ticks_;
    QDateTime now_;
};
