#include "serial/TickClock.h"

#include <chrono>

namespace {

class SystemClock : public TickClock {
public:
    std::uint32_t tickCount() const override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return static_cast<std::uint32_t>(ms.count());
    }
    QDateTime localNow() const override { return QDateTime::currentDateTime(); }
};

} // namespace

const TickClock& systemClock() {
    static const SystemClock clock;
    return clock;
}
