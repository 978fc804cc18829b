#pragma once
// Small helpers shared by the tests.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>

class QTimer;

// Runs the event loop until `done` holds or `maxRounds` rounds of pending events have run.
// Nothing sleeps: only events that are already due are processed.
bool pumpUntil(const std::function<bool()>& done, int maxRounds = 200);
// Processes pending events a number of rounds.
void pumpEvents(int rounds = 10);
// Waits for a condition with a real-time bound (for tests that involve another process or a
// real device); the bound is generous and only reached when the test fails.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Lets a running timer tick now, as if its interval had passed; false when it is not running.
bool fire(QTimer* timer);

// Makes a temporary directory the current one for the lifetime of the object.
class ScopedCurrentDir {
public:
    ScopedCurrentDir();
    ~ScopedCurrentDir();
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& content);
