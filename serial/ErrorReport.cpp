#include "serial/ErrorReport.h"

#include <QDebug>

namespace {

ErrorReporter& reporter() {
    static ErrorReporter r = [](const QString& message) { qWarning().noquote() << message; };
    return r;
}

} // namespace

ErrorReporter setDefaultErrorReporter(ErrorReporter replacement) {
    ErrorReporter previous = std::move(reporter());
    reporter() = std::move(replacement);
    return previous;
}

void reportError(const QString& message) {
    if (reporter())
        reporter()(message);
}

QString errorText(const std::exception& e) {
    if (const auto* com = dynamic_cast<const EComError*>(&e))
        return com->message();
    return QString::fromLocal8Bit(e.what());
}
