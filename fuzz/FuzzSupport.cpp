#include "FuzzSupport.h"

#include "app/FontUtils.h"
#include "app/ProgramPaths.h"
#include "serial/ErrorReport.h"
#include "window/FocuserWin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sanitizer/allocator_interface.h>

namespace {

QTemporaryDir& scratch() {
    // Under /dev/shm when it exists: the targets write files for every input.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/calvetta-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/calvetta-fuzz-XXXXXX"));
    return dir;
}

void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

void startFuzzApplication(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Warnings of the toolkit would flood the fuzzer's output.
    qInstallMessageHandler(quietMessages);
    // Never destroyed: libFuzzer leaves through exit(), after the toolkit's thread storage
    // has gone, and the application's destructor would use it.
    static QApplication* app = new QApplication(*argc, *argv);
    Q_UNUSED(app);
    InstallFonts();
    setDefaultErrorReporter([](const QString&) {});
    setExecutablePathForTesting(scratchDir() + QStringLiteral("/calvetta"));
}

QString scratchDir() {
    return scratch().path();
}

std::unique_ptr<TVaskelWindow> makeQuietWindow() {
    auto window = std::make_unique<TVaskelWindow>();
    window->dialogs.message = [](DialogKind, const QString&) {};
    window->dialogs.confirm = [](const QString&) { return false; };
    window->dialogs.input = [](const QString&, const QString&, const QString&) {
        return std::optional<QString>();
    };
    window->dialogs.openFile = [](const QString&, const QString&) {
        return std::optional<QString>();
    };
    window->startProgram = [](const QString&) { return false; };
    window->endApplication = [] {};
    window->show();
    runDueEvents();
    return window;
}

bool writeInputFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

void runDueEvents() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void inputDone() {
    static const long every = qEnvironmentVariableIntValue("CALVETTA_FUZZ_HEAP_EVERY");
    static long inputs = 0;
    if (every > 0 && ++inputs % every == 0)
        std::fprintf(stderr, "heap after %ld inputs: %zu bytes\n", inputs,
                     __sanitizer_get_current_allocated_bytes());
}

void fuzzCheckFailed(const char* rule, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken rule: %s\n", file, line, rule);
    std::abort();
}
