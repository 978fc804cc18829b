#pragma once
// A serial line under the test's control, reached by the driver through a virtual port name.

#include "serial/SerialTransport.h"

#include <QByteArray>
#include <QPointer>
#include <memory>

class FakeTransport;

// What the test sees of the line: everything written, and a way to send bytes back.
struct FakeLine {
    QByteArray written;        // bytes handed to the device, in order
    bool open = false;
    bool failOpen = false;
    QString openError = QStringLiteral("Cannot open FAKE: no such port.");
    bool failWrites = false;   // the device refuses every write
    qint64 unsentBytes = 0;    // bytes reported as waiting in the output buffer
    int inputDiscards = 0;
    int outputDiscards = 0;
    QPointer<FakeTransport> transport;

    // Bytes arriving from the device: one readyRead for all of them.
    void receive(const QByteArray& bytes);
    // Takes what was written so far.
    QByteArray takeWritten();
    // The device goes away: the port closes and says so.
    void goAway();
};

class FakeTransport : public SerialTransport {
    Q_OBJECT
public:
    explicit FakeTransport(std::shared_ptr<FakeLine> line);

    bool open(const PortSettings& settings, QString& error) override;
    void close() override;
    bool isOpen() const override { return line_->open; }
    bool write(const QByteArray& bytes, QString& error) override;
    qint64 bytesToWrite() const override { return line_->unsentBytes; }
    QByteArray readAll() override;
    void discardInput() override;
    void discardOutput() override { ++line_->outputDiscards; }

    void arrive(const QByteArray& bytes);
    void goAway();

private:
    std::shared_ptr<FakeLine> line_;
    QByteArray incoming_;
};

// Registers the virtual port `name` on a fresh line for the lifetime of the object.
class ScopedFakePort {
public:
    explicit ScopedFakePort(const QString& name = QStringLiteral("FAKE"));
    ~ScopedFakePort();
    FakeLine& line() { return *line_; }
    std::shared_ptr<FakeLine> shared() const { return line_; }

private:
    QString name_;
    std::shared_ptr<FakeLine> line_;
};
