#pragma once
// What the fuzz targets share: the application (offscreen, with the interface font), a scratch
// folder of their own, a main window whose dialogs answer themselves, and a check that ends
// the run as a crash, so that libFuzzer keeps the input that broke a rule.

#include <QByteArray>
#include <QString>
#include <memory>

class TVaskelWindow;

// Makes the application once; call from LLVMFuzzerInitialize.
void startFuzzApplication(int* argc, char*** argv);

// A folder of this run, removed at exit. The program runs as if its executable lay there.
QString scratchDir();

// The main window as the program makes it, in the scratch folder, shown offscreen. Its
// dialogs, the outside tool and the error report do nothing.
std::unique_ptr<TVaskelWindow> makeQuietWindow();

// Writes `content` as the whole of the file at `path`; false when it could not.
bool writeInputFile(const QString& path, const QByteArray& content);

// Runs the events that are due (batches of received bytes, zero timers, repaints).
void runDueEvents();

// Ends the handling of one input. With CALVETTA_FUZZ_HEAP_EVERY=N in the environment, prints
// the bytes in use on the heap after every N inputs: run a fixed set of inputs over and over
// (fuzz/run.sh --growth) and what the program keeps shows as a number that keeps rising.
void inputDone();

// A broken rule: prints it and aborts.
[[noreturn]] void fuzzCheckFailed(const char* rule, const char* file, int line);
#define FUZZ_CHECK(rule) ((rule) ? void() : fuzzCheckFailed(#rule, __FILE__, __LINE__))
