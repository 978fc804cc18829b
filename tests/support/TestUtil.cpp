#include "TestUtil.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

bool pumpUntil(const std::function<bool()>& done, int maxRounds) {
    for (int i = 0; i < maxRounds; ++i) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return done();
}

void pumpEvents(int rounds) {
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

bool fire(QTimer* timer) {
    if (!timer->isActive())
        return false;
    QTimerEvent tick(timer->timerId());
    QCoreApplication::sendEvent(timer, &tick);
    return true;
}

ScopedCurrentDir::ScopedCurrentDir() : previous_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
}

ScopedCurrentDir::~ScopedCurrentDir() { QDir::setCurrent(previous_); }

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
}
