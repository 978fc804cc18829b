#include "window/Dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

WindowDialogs WindowDialogs::modal(QWidget* parent) {
    WindowDialogs d;
    const QString title = QStringLiteral("Calvetta");
    d.message = [parent, title](DialogKind kind, const QString& text) {
        switch (kind) {
        case DialogKind::Error:
            QMessageBox::critical(parent, title, text);
            break;
        case DialogKind::Information:
            QMessageBox::information(parent, title, text);
            break;
        case DialogKind::Warning:
            QMessageBox::warning(parent, title, text);
            break;
        }
    };
    d.confirm = [parent, title](const QString& text) {
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    d.input = [parent](const QString& caption, const QString& prompt,
                       const QString& initial) -> std::optional<QString> {
        bool ok = false;
        const QString text =
            QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, initial, &ok);
        if (!ok)
            return std::nullopt;
        return text;
    };
    d.openFile = [parent](const QString& title,
                          const QString& filter) -> std::optional<QString> {
        // The working directory stays the program's own.
        const QString path = QFileDialog::getOpenFileName(parent, title, QString(), filter, nullptr,
                                                          QFileDialog::ReadOnly);
        if (path.isEmpty())
            return std::nullopt;
        return path;
    };
    return d;
}
