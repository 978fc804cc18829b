#include "FakeTransport.h"

#include "serial/VirtualPorts.h"

void FakeLine::receive(const QByteArray& bytes) {
    if (transport)
        transport->arrive(bytes);
}

void FakeLine::goAway() {
    if (transport)
        transport->goAway();
}

QByteArray FakeLine::takeWritten() { return std::exchange(written, QByteArray()); }

FakeTransport::FakeTransport(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {
    line_->transport = this;
}

bool FakeTransport::open(const PortSettings&, QString& error) {
    if (line_->failOpen) {
        error = line_->openError;
        return false;
    }
    line_->open = true;
    return true;
}

void FakeTransport::close() { line_->open = false; }

bool FakeTransport::write(const QByteArray& bytes, QString& error) {
    if (line_->failWrites) {
        error = QStringLiteral("Write to FAKE failed: the device has gone away.");
        return false;
    }
    line_->written.append(bytes);
    return true;
}

QByteArray FakeTransport::readAll() { return std::exchange(incoming_, QByteArray()); }

void FakeTransport::discardInput() {
    ++line_->inputDiscards;
    incoming_.clear();
}

void FakeTransport::arrive(const QByteArray& bytes) {
    if (!line_->open)
        return;
    incoming_.append(bytes);
    emit readyRead();
}

void FakeTransport::goAway() {
    if (!line_->open)
        return;
    line_->open = false;
    emit lost(QStringLiteral("The device has gone away."));
}

ScopedFakePort::ScopedFakePort(const QString& name)
    : name_(name), line_(std::make_shared<FakeLine>()) {
    auto line = line_;
    registerVirtualPort(name_, [line] { return std::make_unique<FakeTransport>(line); });
}

ScopedFakePort::~ScopedFakePort() { unregisterVirtualPort(name_); }
