#include "emulator/PtyServer.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyServer::PtyServer(FocuserDevice& device, const TickClock& clock, QObject* parent)
    : QObject(parent), device_(device), clock_(clock) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &PtyServer::tick);
}

PtyServer::~PtyServer() {
    delete hostWrites_; // before its descriptor goes
    if (master_ >= 0)
        ::close(master_);
}

bool PtyServer::start(QString& error) {
    int slave = -1;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    cfsetspeed(&raw, B115200);
    if (openpty(&master_, &slave, name, &raw, nullptr) != 0) {
        error = QStringLiteral("Cannot make a pseudo-terminal: %1")
                    .arg(QString::fromLocal8Bit(strerror(errno)));
        master_ = -1;
        return false;
    }
    // Only the program holds the device side, so that its closing shows here as a hang-up.
    ::close(slave);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    path_ = QString::fromLocal8Bit(name);
    lastTick_ = clock_.tickCount();
    hostWrites_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    hostWrites_->setEnabled(false);
    connect(hostWrites_, &QSocketNotifier::activated, this, &PtyServer::tick);
    timer_.start();
    return true;
}

void PtyServer::pace() {
    // Without a host the device needs no ticks: update() brings it up to the clock in one go.
    const bool busy = hostPresent_ && (!device_.idle() || buffered() > 0);
    if (const int interval = busy ? kTickMs : kRestMs; timer_.interval() != interval)
        timer_.setInterval(interval);
    hostWrites_->setEnabled(hostPresent_ && !busy);
}

std::uint64_t PtyServer::lineTime() {
    const std::uint32_t tick = clock_.tickCount();
    lineTime_ += static_cast<std::uint32_t>(tick - lastTick_);
    lastTick_ = tick;
    return lineTime_;
}

void PtyServer::discardFromHost() {
    // Flushing the device side drops the bytes still on their way from the host to this side
    // and the replies the host has not read; what has already arrived is read and dropped.
    const int fd = ::open(path_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        tcflush(fd, TCIOFLUSH);
        ::close(fd);
    }
    char buffer[kBufferBytes];
    while (::read(master_, buffer, sizeof buffer) > 0) {
    }
}

void PtyServer::hostLeft() {
    // Nothing of the old connection may reach the next one: not the bytes the host wrote just
    // before it hung up, not a request half across, not a reply still to come.
    discardFromHost();
    toDevice_.clear();
    fromDevice_.clear();
    unwritten_.clear();
    device_.hostHungUp();
}

void PtyServer::readFromHost(std::uint64_t now) {
    char buffer[kBufferBytes];
    while (toDevice_.pending() < kBufferBytes) {
        const auto room = static_cast<std::size_t>(kBufferBytes - toDevice_.pending());
        const ssize_t n = ::read(master_, buffer, room);
        if (n <= 0)
            break;
        toDevice_.push(QByteArray(buffer, n), now);
    }
}

void PtyServer::writeToHost(const QByteArray& across) {
    unwritten_.append(across.left(kBufferBytes - unwritten_.size())); // the rest overflows
    while (!unwritten_.isEmpty()) {
        const ssize_t n = ::write(master_, unwritten_.constData(), unwritten_.size());
        if (n <= 0)
            break; // the terminal's queue is full; the rest goes with the next tick
        unwritten_.remove(0, n);
    }
}

void PtyServer::tick() {
    const std::uint64_t now = lineTime();
    pollfd p{master_, POLLIN, 0};
    ::poll(&p, 1, 0);
    const bool present = (p.revents & POLLHUP) == 0;
    if (!present) {
        if (std::exchange(hostPresent_, false))
            hostLeft();
        else if (p.revents & POLLIN)
            discardFromHost(); // from a host that came and went between two ticks
        device_.update();
        device_.takeOutput(); // nobody listens
        pace();
        return;
    }
    if (!std::exchange(hostPresent_, true)) {
        device_.update();
        device_.takeOutput();
    }

    if (p.revents & POLLIN)
        readFromHost(now);
    // A firmware whose output is backed up takes no new request until it has drained.
    QByteArray request;
    if (fromDevice_.pending() < kBufferBytes) {
        request = toDevice_.take(now);
    } else {
        toDevice_.hold(now);
        device_.updateWithoutReading();
    }
    if (!request.isEmpty())
        device_.receive(request);
    else
        device_.update();
    fromDevice_.push(device_.takeOutput(), now);
    writeToHost(fromDevice_.take(now));
    pace();
}
