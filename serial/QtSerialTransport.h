#pragma once
// A real serial device, through QSerialPort, on the user-interface thread's event loop.

#include "serial/SerialTransport.h"

#include <QSerialPort>

class QtSerialTransport : public SerialTransport {
    Q_OBJECT
public:
    explicit QtSerialTransport(QObject* parent = nullptr);
    ~QtSerialTransport() override;

    bool open(const PortSettings& settings, QString& error) override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& bytes, QString& error) override;
    qint64 bytesToWrite() const override;
    QByteArray readAll() override;
    void discardInput() override;
    void discardOutput() override;

private:
    QSerialPort port_;
};

// Whether an error of an open port means that its device has gone away.
bool isLossOfDevice(QSerialPort::SerialPortError error);

// The text shown when a device cannot be opened, with a hint where one helps.
QString openErrorText(const QString& device, QSerialPort::SerialPortError error,
                      const QString& systemText);
