#pragma once
// The entry points of the late parts (LateParts.h), by plain C names so that the module's are
// found by name. Built into the module, and into programs that link the parts in.

class QString;
class QWidget;
class THistoryWindow;
class TSessionHistory;

extern "C" {
// A new history window; the caller owns it.
THistoryWindow* calvettaLateHistoryWindow(TSessionHistory* history, QWidget* parent);
// firmware::extractArchive; false with the package error's text in `error`.
bool calvettaLateExtractArchive(const QString* archivePath, const QString* dir, QString* error);
}
