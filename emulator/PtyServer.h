#pragma once
// Serves an emulated focuser on a pseudo-terminal: the program opens the device side like a
// serial port; this side carries the bytes at the pace of a 115200-baud line. The server
// outlives the program's connections: while no one holds the device open, the focuser goes on
// (a move still ends) and what it says is lost, as on an unplugged line.

#include "emulator/FocuserDevice.h"
#include "emulator/SerialLine.h"

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

class PtyServer : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 5;
    // With nothing under way the server looks in this seldom, so that an idle emulator costs
    // no processor time; a host's bytes wake it at once.
    static constexpr int kRestMs = 50;
    // What each side of the line holds at most, as a USB serial bridge does: the host's bytes
    // not yet across, the device's bytes not yet across, and those across but not yet read by
    // the host. Beyond it the host's writes wait in the terminal, the firmware takes no new
    // request until its output drains, and what the host does not read is lost.
    static constexpr qsizetype kBufferBytes = 4096;

    PtyServer(FocuserDevice& device, const TickClock& clock, QObject* parent = nullptr);
    ~PtyServer() override;

    // Makes the pseudo-terminal and starts serving; false with the reason when it cannot.
    bool start(QString& error);
    QString devicePath() const { return path_; }
    // Whether someone holds the device side open, as the last tick saw it.
    bool hostPresent() const { return hostPresent_; }
    // Bytes held on both sides of the line.
    qsizetype buffered() const {
        return toDevice_.pending() + fromDevice_.pending() + unwritten_.size();
    }

    // One round of service: every kTickMs while something is under way, every kRestMs
    // otherwise, and at once when the host writes.
    void tick();

private:
    void hostLeft();
    void discardFromHost();
    void readFromHost(std::uint64_t now);
    void writeToHost(const QByteArray& across);
    std::uint64_t lineTime();
    void pace();

    FocuserDevice& device_;
    const TickClock& clock_;
    int master_ = -1;
    QString path_;
    QTimer timer_;
    QSocketNotifier* hostWrites_ = nullptr; // only while a host is there: a hang-up wakes it too
    bool hostPresent_ = false;
    SerialLine toDevice_;
    SerialLine fromDevice_;
    QByteArray unwritten_; // across the line but not yet taken by the pseudo-terminal
    std::uint32_t lastTick_ = 0;
    std::uint64_t lineTime_ = 0;
};
