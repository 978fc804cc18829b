#include "window/Dialogs.h"

#include "controls/Theme.h"

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
        // The toolkit's own dialog, not the system's: it takes the program's palette and
        // look, night vision included. The working directory stays the program's own.
        theme::FileIcons icons; // outlives the dialog that asks it
        QFileDialog dialog(parent, title, QString(), filter);
        dialog.setOptions(QFileDialog::ReadOnly | QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setSizeGripEnabled(false); // drawn in fixed light greys; the frame resizes it
        dialog.setIconProvider(&icons);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        if (path.isEmpty())
            return std::nullopt;
        return path;
    };
    return d;
}
