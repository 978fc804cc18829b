#pragma once
// The window's three kinds of dialog, behind functions so that tests can answer them.

#include <QString>
#include <functional>
#include <optional>

class QWidget;

enum class DialogKind { Error, Information, Warning };

struct WindowDialogs {
    // A message with an OK button.
    std::function<void(DialogKind kind, const QString& text)> message;
    // A question with Yes and No; true for Yes.
    std::function<bool(const QString& text)> confirm;
    // A text input; the edited text on OK, nothing on Cancel.
    std::function<std::optional<QString>(const QString& caption, const QString& prompt,
                                         const QString& initial)>
        input;

    // A file to open, chosen by the user; nothing when cancelled.
    std::function<std::optional<QString>(const QString& title, const QString& filter)> openFile;

    // Modal dialogs over `parent`.
    static WindowDialogs modal(QWidget* parent);
};
