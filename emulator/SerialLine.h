#pragma once
// One direction of a serial line: bytes go in at once and come out at the line's pace, so
// that an emulated device is heard exactly as fast as a real one on a 115200-baud port.

#include <QByteArray>
#include <cstdint>

class SerialLine {
public:
    // 115200 baud, ten bits a byte (start, eight data, stop).
    static constexpr double kBytesPerMs = 11.52;

    explicit SerialLine(double bytesPerMs = kBytesPerMs) : bytesPerMs_(bytesPerMs) {}

    // Queues bytes for sending from time `nowMs` on (or when the line is free).
    void push(const QByteArray& bytes, std::uint64_t nowMs);
    // The bytes that have crossed the line by `nowMs`.
    QByteArray take(std::uint64_t nowMs);
    // The far end takes nothing at `nowMs`: the queued bytes wait and travel on from then.
    void hold(std::uint64_t nowMs);
    // Bytes queued and not yet across.
    qint64 pending() const { return queue_.size(); }
    void clear() { queue_.clear(); }

private:
    double bytesPerMs_;
    QByteArray queue_;
    double sendStart_ = 0; // when the first queued byte began to travel
};
