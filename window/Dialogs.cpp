#include "window/Dialogs.h"

#include "controls/Theme.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
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
        QInputDialog dialog(parent);
        dialog.setWindowTitle(caption);
        dialog.setLabelText(prompt);
        dialog.setTextValue(initial);
        // Dialogs carry no title bar (controls/Theme): the caption (which preset is renamed or
        // recorded, the WiFi password) stands above the prompt.
        dialog.sizeHint(); // lays the dialog out
        if (auto* column = qobject_cast<QBoxLayout*>(dialog.layout())) {
            auto* title = new QLabel(caption, &dialog);
            title->setTextFormat(Qt::PlainText);
            QFont bold = title->font();
            bold.setBold(true);
            title->setFont(bold);
            column->insertWidget(0, title);
        }
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.textValue();
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
        dialog.setSizeGripEnabled(false); // drawn in fixed light greys
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
