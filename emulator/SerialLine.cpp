#include "emulator/SerialLine.h"

#include <algorithm>
#include <cmath>

void SerialLine::push(const QByteArray& bytes, std::uint64_t nowMs) {
    if (bytes.isEmpty())
        return;
    if (queue_.isEmpty())
        sendStart_ = std::max(sendStart_, static_cast<double>(nowMs)); // an idle line starts now
    queue_.append(bytes);
}

QByteArray SerialLine::take(std::uint64_t nowMs) {
    if (queue_.isEmpty())
        return {};
    const double elapsed = static_cast<double>(nowMs) - sendStart_;
    if (elapsed <= 0)
        return {};
    const qsizetype across = std::min<qsizetype>(
        queue_.size(), static_cast<qsizetype>(std::floor(elapsed * bytesPerMs_)));
    if (across <= 0)
        return {};
    QByteArray out = queue_.left(across);
    queue_.remove(0, across);
    sendStart_ += static_cast<double>(across) / bytesPerMs_;
    return out;
}

void SerialLine::hold(std::uint64_t nowMs) {
    if (!queue_.isEmpty())
        sendStart_ = std::max(sendStart_, static_cast<double>(nowMs));
}
