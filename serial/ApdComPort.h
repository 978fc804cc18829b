#pragma once
// The serial-port driver: opens and configures a port, writes byte strings, and hands
// received bytes to its data-available handler on the user-interface thread, one batch
// at a time.

#include "serial/SerialTransport.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

class TApdComPort : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kOutputBufferSize = 4096;
    // Received bytes that may wait while the handler runs a nested event loop (a modal box).
    static constexpr qsizetype kInputBufferSize = 4096;
    static constexpr int kMaxBatch = 65535; // the handler's count is 16 bits wide

    explicit TApdComPort(QObject* parent = nullptr);
    ~TApdComPort() override; // closes the port if it is open

    // Settings; they take effect at the next SetOpen(true).
    void setComNumber(int n) { comNumber_ = n; }
    int ComNumber() const { return comNumber_; }
    void setDeviceName(const QString& device) { settings_.device = device; }
    QString deviceName() const { return settings_.device; }
    PortSettings& settings() { return settings_; }

    // Opens (throws EComError with the reason when it cannot) or closes the port.
    void SetOpen(bool open);
    bool FOpen() const;

    // Hands the whole string over for sending. Throws EComError, sending nothing, when the
    // output buffer has no room for all of it or the device refuses it.
    void PutString(const QByteArray& bytes);

    // The next byte of the batch being delivered; throws EComError past its end.
    std::uint8_t GetChar();
    // While a batch is delivered: received bytes were dropped right before it, because more
    // than kInputBufferSize of them waited for an earlier batch's handler.
    bool inputLostBeforeBatch() const { return lostBeforeBatch_; }

    void FlushInBuffer();
    void FlushOutBuffer();
    void DonePort(); // closes; no data-available notification follows

    // Called with the number of bytes of each batch (at least 1).
    std::function<void(std::uint16_t count)> OnTriggerAvail;
    // Called when the device has gone away while the port was open; the port is closed by
    // then.
    std::function<void()> OnLost;

    // Sets the carrier of the bytes used from the next opening on; by default the port
    // name decides (a virtual port's name, otherwise a real serial device).
    void setTransport(std::unique_ptr<SerialTransport> transport);

private:
    void onReadyRead();
    void onLost();
    void scheduleDelivery();
    void deliver();
    void dropTaken();
    void clearReceived();

    int comNumber_ = 1;
    PortSettings settings_;
    std::unique_ptr<SerialTransport> transport_;
    bool open_ = false;

    QByteArray received_;  // received and not yet taken by the handler
    qsizetype readPos_ = 0; // next byte of the current batch
    qsizetype batchEnd_ = 0;
    bool delivering_ = false;
    bool deliveryQueued_ = false;
    bool leftoverWaits_ = false; // untaken bytes wait for the next batch to be announced
    qsizetype heldFrom_ = 0;     // in received_: what arrived since the running handler began
    qsizetype lostAt_ = -1;      // in received_: where bytes were dropped; -1 when none were
    bool overflowed_ = false;    // bytes are being dropped until the running handler returns
    bool lostBeforeBatch_ = false;
};
