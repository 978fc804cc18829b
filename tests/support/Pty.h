#pragma once
// A pseudo-terminal pair: the program opens the device side as a serial port, the test
// plays the focuser on the controlling side.

#include <QByteArray>
#include <QString>

class PtyPair {
public:
    PtyPair();  // raw mode on both sides
    ~PtyPair();

    bool ok() const { return master_ >= 0; }
    QString devicePath() const { return path_; }

    // Drops the test's own handle on the device side, so that only the program holds it.
    void closeDeviceSide();
    // The focuser goes away.
    void closeMaster();

    bool send(const QByteArray& bytes);
    // Reads what is available, waiting up to `timeoutMs` for the first byte.
    QByteArray receive(int timeoutMs = 2000);
    // Reads until `expected` bytes have come or the time is up, running the program's events.
    QByteArray receiveExactly(qsizetype expected, int timeoutMs = 5000);

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};
