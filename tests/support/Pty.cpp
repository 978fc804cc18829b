#include "Pty.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    path_ = QString::fromLocal8Bit(name);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    closeDeviceSide();
    closeMaster();
}

void PtyPair::closeDeviceSide() {
    if (slave_ >= 0)
        ::close(slave_);
    slave_ = -1;
}

void PtyPair::closeMaster() {
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

bool PtyPair::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 100);
                continue;
            }
            return false;
        }
        done += n;
    }
    return true;
}

QByteArray PtyPair::receive(int timeoutMs) {
    QByteArray out;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, n);
    }
    return out;
}

QByteArray PtyPair::receiveExactly(qsizetype expected, int timeoutMs) {
    QByteArray out;
    QDeadlineTimer deadline(timeoutMs);
    while (out.size() < expected && !deadline.hasExpired()) {
        QCoreApplication::processEvents(); // the program's side runs meanwhile
        out += receive(1);
    }
    return out;
}
