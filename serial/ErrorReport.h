#pragma once
// Errors that nobody handles (a port that cannot be opened, a refused write of a queued
// request) end in the program's default error report: a message box in the program,
// a recorder in tests.

#include <QString>
#include <functional>
#include <stdexcept>

// A failure of the serial port or of the link, carrying the text to show.
class EComError : public std::runtime_error {
public:
    explicit EComError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

using ErrorReporter = std::function<void(const QString& message)>;

// Replaces the default error report; returns the one it replaces.
ErrorReporter setDefaultErrorReporter(ErrorReporter reporter);

// Shows the message through the default error report.
void reportError(const QString& message);

// The text of an exception caught at an event boundary.
QString errorText(const std::exception& e);
