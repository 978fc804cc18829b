#include "window/Dialogs.h"

#include "controls/Theme.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

namespace {

// The toolkit sizes the size, type and date columns for "128.88 GB", "mp3Folder" and
// "10/29/81 02:02PM": "610 bytes" read "610...tes", and the date lost its year and hour. They
// take the width of what they show, and the dialog grows for them, so that the names keep their
// width. Only the widths change, as when the user drags them: the toolkit keeps them for every
// program's file dialog.
void fitFileColumns(QFileDialog& dialog) {
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* files = dialog.findChild<QFileSystemModel*>();
    if (!list || !files)
        return;
    // The places beside the list ("Ordinateur", the home folder's name) show whole too.
    if (auto* places = dialog.findChild<QListView*>(QStringLiteral("sidebar"))) {
        const QAbstractItemView* view = places;
        places->setMinimumWidth(view->sizeHintForColumn(0) + 2 * places->frameWidth());
    }
    // Once the folder's files are listed, each time another folder is. `beside`: the width the
    // dialog takes beside the list, measured once it is shown.
    QObject::connect(
        files, &QFileSystemModel::directoryLoaded, &dialog,
        [&dialog, list, beside = -1, nameWidth = list->header()->sectionSize(0)]() mutable {
            if (!dialog.isVisible())
                return;
            if (beside < 0) {
                beside = dialog.width() - list->viewport()->width();
                // Room kept for the scroll bar of a longer folder, which would push the date
                // out of sight.
                if (!list->verticalScrollBar()->isVisible())
                    beside += list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
            }
            QHeaderView* header = list->header();
            const QAbstractItemView* view = list;
            int others = 0;
            for (int column = 1; column < header->count(); ++column) {
                header->resizeSection(column, std::max(header->sectionSizeHint(column),
                                                       view->sizeHintForColumn(column)));
                others += header->sectionSize(column);
            }
            const int most = dialog.screen()->availableGeometry().width() -
                             (dialog.frameGeometry().width() - dialog.width());
            const int grow = std::min(nameWidth + others + beside, most) - dialog.width();
            if (grow > 0)
                dialog.setGeometry(dialog.geometry().adjusted(-grow / 2, 0, grow - grow / 2, 0));
            header->resizeSection(0, std::max(nameWidth, dialog.width() - beside - others));
        });
}

// Text pasted into the one-line input is taken up to its first line end, as a one-line field
// takes it. Kept whole, a password copied with its line end showed a blank where the focuser
// was sent a line end, and its network then asked for a password nobody can type.
void keepOneLine(QLineEdit& edit) {
    QObject::connect(&edit, &QLineEdit::textEdited, &edit, [&edit](const QString& text) {
        const auto lineEnd = [](QChar c) { return c == u'\r' || c == u'\n'; };
        const qsizetype end = std::find_if(text.begin(), text.end(), lineEnd) - text.begin();
        if (end == text.size())
            return;
        // The line ends came with what was just put in, which ends at the cursor.
        QString kept = text.left(end) + text.mid(std::max<qsizetype>(edit.cursorPosition(), end));
        kept.removeIf(lineEnd);
        edit.setText(kept);
        edit.setCursorPosition(int(end));
    });
}

} // namespace

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
        // No is the default: Return pressed at night, meant for a field or held, starts no
        // calibration run and changes nothing.
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    d.input = [parent](const QString& caption, const QString& prompt,
                       const QString& initial) -> std::optional<QString> {
        QInputDialog dialog(parent);
        dialog.setWindowTitle(caption);
        dialog.setLabelText(prompt);
        dialog.setTextValue(initial);
        auto* edit = dialog.findChild<QLineEdit*>();
        if (edit)
            keepOneLine(*edit);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        // The dialog's own copy of the text is the one from before the line end was cut.
        return edit ? edit->text() : dialog.textValue();
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
        // "Look in" keeps the icon it took as the dialog was made: a desktop's icon theme
        // (GNOME, KDE) left its blue folder there in night vision.
        dialog.setHistory(dialog.history());
        fitFileColumns(dialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString path = dialog.selectedFiles().constFirst();
        if (path.isEmpty())
            return std::nullopt;
        return path;
    };
    return d;
}
