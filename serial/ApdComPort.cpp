#include "serial/ApdComPort.h"

#include "serial/ErrorReport.h"
#include "serial/QtSerialTransport.h"
#include "serial/VirtualPorts.h"

#include <QPointer>
#include <QTimer>

TApdComPort::TApdComPort(QObject* parent) : QObject(parent) {}

TApdComPort::~TApdComPort() {
    if (open_)
        DonePort();
}

void TApdComPort::setTransport(std::unique_ptr<SerialTransport> transport) {
    if (open_)
        DonePort();
    transport_ = std::move(transport);
}

void TApdComPort::SetOpen(bool open) {
    if (open == open_)
        return;
    if (!open) {
        DonePort();
        return;
    }
    if (!transport_) {
        transport_ = createVirtualTransport(settings_.device);
        if (!transport_)
            transport_ = std::make_unique<QtSerialTransport>();
    }
    QString error;
    if (!transport_->open(settings_, error))
        throw EComError(error);
    connect(transport_.get(), &SerialTransport::readyRead, this, &TApdComPort::onReadyRead,
            Qt::UniqueConnection);
    connect(transport_.get(), &SerialTransport::lost, this, &TApdComPort::onLost,
            Qt::UniqueConnection);
    clearReceived();
    open_ = true;
}

bool TApdComPort::FOpen() const { return open_; }

void TApdComPort::PutString(const QByteArray& bytes) {
    if (!open_ || !transport_)
        throw EComError(QStringLiteral("The port is not open."));
    if (transport_->bytesToWrite() + bytes.size() > kOutputBufferSize)
        throw EComError(QStringLiteral("Output buffer full: %1 bytes could not be sent.")
                            .arg(bytes.size()));
    QString error;
    if (!transport_->write(bytes, error))
        throw EComError(error);
}

std::uint8_t TApdComPort::GetChar() {
    if (readPos_ >= batchEnd_)
        throw EComError(QStringLiteral("No received byte is waiting."));
    return static_cast<std::uint8_t>(received_[readPos_++]);
}

void TApdComPort::FlushInBuffer() {
    if (transport_)
        transport_->discardInput();
    clearReceived();
}

void TApdComPort::FlushOutBuffer() {
    if (transport_)
        transport_->discardOutput();
}

void TApdComPort::DonePort() {
    if (transport_) {
        disconnect(transport_.get(), nullptr, this, nullptr);
        transport_->close();
    }
    open_ = false;
    clearReceived();
}

void TApdComPort::clearReceived() {
    received_.clear();
    readPos_ = batchEnd_ = heldFrom_ = 0;
    lostAt_ = -1;
    leftoverWaits_ = overflowed_ = lostBeforeBatch_ = false;
}

void TApdComPort::onReadyRead() {
    if (!open_ || !transport_)
        return;
    const QByteArray bytes = transport_->readAll();
    if (bytes.isEmpty())
        return;
    if (delivering_ &&
        (overflowed_ || received_.size() - heldFrom_ + bytes.size() > kInputBufferSize)) {
        // The handler runs a nested event loop and what arrived meanwhile fills the input
        // buffer. What does not fit is dropped whole, and so is everything after it until the
        // handler returns: the loss is one gap, at the end of what waits, and the reader is
        // told of it with the batch that follows the gap.
        if (!overflowed_) {
            overflowed_ = true;
            if (lostAt_ < 0)
                lostAt_ = received_.size();
            else
                received_.truncate(lostAt_); // one gap only: what followed an earlier one goes too
        }
        return;
    }
    received_.append(bytes);
    leftoverWaits_ = false;
    scheduleDelivery();
}

void TApdComPort::onLost() {
    if (!open_)
        return;
    DonePort();
    // A copy, because the handler may destroy this port and the handler with it.
    if (const auto handler = OnLost)
        handler();
}

void TApdComPort::scheduleDelivery() {
    if (deliveryQueued_ || delivering_)
        return;
    deliveryQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        deliveryQueued_ = false;
        deliver();
    });
}

void TApdComPort::dropTaken() {
    received_.remove(0, readPos_);
    if (lostAt_ >= 0)
        lostAt_ -= readPos_;
    readPos_ = 0;
    batchEnd_ = 0;
}

void TApdComPort::deliver() {
    // A handler that runs a nested event loop (a modal box) must not see a second batch
    // while the first is still being handled; bytes arriving meanwhile wait for it.
    if (delivering_ || !open_ || leftoverWaits_ || received_.isEmpty())
        return;
    qsizetype count = std::min<qsizetype>(received_.size(), kMaxBatch);
    // A batch never spans the gap left by dropped bytes; the one after it says so.
    lostBeforeBatch_ = lostAt_ == 0;
    if (lostAt_ == 0)
        lostAt_ = -1;
    else if (lostAt_ > 0)
        count = std::min(count, lostAt_);
    readPos_ = 0;
    batchEnd_ = count;
    heldFrom_ = received_.size();
    delivering_ = true;
    QString failure;
    bool failed = false;
    QPointer<TApdComPort> self(this);
    // A copy, because the handler may destroy this port and the handler with it.
    const auto handler = OnTriggerAvail;
    try {
        if (handler)
            handler(static_cast<std::uint16_t>(count));
    } catch (const std::exception& e) {
        failed = true;
        failure = errorText(e);
    }
    if (self) {
        delivering_ = false;
        overflowed_ = lostBeforeBatch_ = false;
        if (open_) {
            const bool newBytesArrived = received_.size() > count;
            dropTaken();
            if (!received_.isEmpty()) {
                if (failed && !newBytesArrived)
                    leftoverWaits_ = true; // announced again with the next batch
                else
                    scheduleDelivery();
            }
        }
    }
    if (failed)
        reportError(failure);
}
