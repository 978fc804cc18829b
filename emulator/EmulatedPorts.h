#pragma once
// The emulated focusers as ports of the program: "SIM" (a VASKEL4) and "SIMH" (a
// HALVORBECK2). Opening one runs the device in-process behind the driver, with its bytes
// delivered by a Qt timer at the pace of a 115200-baud line, a tick's worth at a time, and its
// time following the clock.

#include "emulator/FocuserDevice.h"
#include "emulator/SerialLine.h"
#include "serial/SerialTransport.h"
#include "serial/TickClock.h"

#include <QTimer>
#include <memory>

// A device and the one port that reaches it.
struct EmulatedFocuser {
    EmulatedFocuser(const TickClock& clock, DeviceConfig config)
        : clock(clock), device(clock, std::move(config)) {}
    const TickClock& clock;
    FocuserDevice device;
    bool inUse = false; // a port is open on it; a second opening is refused, as on a real port
};

// Registers "SIM" and "SIMH" as virtual ports.
void registerEmulatedPorts();

// The focuser behind "SIM" or "SIMH" (letter case ignored), made at its first use and kept
// while the program runs, so that every opening finds it as it was left. Null for other names.
std::shared_ptr<EmulatedFocuser> emulatedFocuser(const QString& portName);

class EmulatedTransport : public SerialTransport {
    Q_OBJECT
public:
    static constexpr int kTickMs = 10;

    explicit EmulatedTransport(std::shared_ptr<EmulatedFocuser> focuser, QObject* parent = nullptr);
    ~EmulatedTransport() override;

    bool open(const PortSettings& settings, QString& error) override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool write(const QByteArray& bytes, QString& error) override;
    qint64 bytesToWrite() const override { return toDevice_.pending(); }
    QByteArray readAll() override;
    void discardInput() override;
    void discardOutput() override { toDevice_.clear(); }

    // Brings the line and the device up to the clock and announces what has arrived. The
    // port's timer calls it every kTickMs while bytes travel or the device is busy, and rests
    // while both sides are idle: a request written wakes it.
    void service();
    // The timer runs: bytes are on the line or the device is busy.
    bool ticking() const { return timer_.isActive(); }

private:
    std::uint64_t lineTime();

    std::shared_ptr<EmulatedFocuser> focuser_;
    QTimer timer_;
    bool open_ = false;
    QString device_;
    SerialLine toDevice_;
    SerialLine fromDevice_;
    QByteArray received_;
    std::uint32_t lastTick_ = 0;
    std::uint64_t lineTime_ = 0;
};
