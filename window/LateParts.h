#pragma once
// Parts of the window that need large libraries which many sessions never use: Qt Charts for
// the history window, libzip (and the cryptography library it brings) for firmware packages.
// Calvetta keeps them in a module beside its executable and loads it at their first use, so
// that it starts, and mostly runs, without those libraries. A program that links the parts in
// (the tests, the tools) uses its own.

#include <QString>
#include <memory>

class QWidget;
class THistoryWindow;
class TSessionHistory;

namespace late {

// The module's file, beside the executable.
inline constexpr char kModuleFileName[] = "calvetta-parts.so";

// A new history window over `history`; none when the parts cannot be loaded, with the text
// to show in `failure`.
std::unique_ptr<THistoryWindow> makeHistoryWindow(TSessionHistory& history, QWidget* parent,
                                                  QString& failure);

// Unpacks a firmware package as firmware::extractArchive does. Throws firmware::EPackageError
// as it does, and also when the parts cannot be loaded.
void extractArchive(const QString& archivePath, const QString& dir);

} // namespace late
