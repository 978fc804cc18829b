#pragma once
// What carries the bytes of a port: a real serial device, or a virtual port
// such as the emulated focuser. TApdComPort talks to exactly one of these.

#include <QByteArray>
#include <QObject>
#include <QString>

struct PortSettings {
    QString device;      // what to open: "COM3", "/dev/ttyUSB0", a virtual port's name
    int baudRate = 115200;
    int dataBits = 8;
    char parity = 'N';   // 'N', 'E', 'O'
    int stopBits = 1;
};

class SerialTransport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the device; on failure returns false and the text to show in `error`.
    virtual bool open(const PortSettings& settings, QString& error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Hands the bytes over for sending, in order. False with the reason when they could not
    // all be handed over or the device refused them.
    virtual bool write(const QByteArray& bytes, QString& error) = 0;
    // Bytes handed over and not yet sent.
    virtual qint64 bytesToWrite() const = 0;

    // Everything received so far and not yet read.
    virtual QByteArray readAll() = 0;
    virtual void discardInput() = 0;
    virtual void discardOutput() = 0;

signals:
    // New bytes can be read; emitted on the thread the transport lives in.
    void readyRead();
    // The device went away (unplugged, or the far end of the line closed) and the transport
    // has closed; `reason` is the system's word for it.
    void lost(const QString& reason);
};
