#include "controls/OverlayFocus.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace {

class OverlayKeyboard : public QObject {
public:
    explicit OverlayKeyboard(QWidget* overlay) : QObject(overlay), overlay_(overlay) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != overlay_)
            return false;
        switch (event->type()) {
        case QEvent::Show: {
            QWidget* current = overlay_->window()->focusWidget();
            // One overlay following another (the choice, then the run) passes on where the
            // keyboard was before the first.
            if (const auto* previous = holderOf(current))
                before_ = previous->before_;
            else if (current != overlay_ && !overlay_->isAncestorOf(current))
                before_ = current;
            overlay_->setFocus(Qt::OtherFocusReason);
            break;
        }
        case QEvent::Hide:
            // Only while the keyboard is still the overlay's. With nowhere to go back to it
            // goes nowhere, rather than to whatever control follows the overlay.
            if (overlay_->window()->focusWidget() == overlay_) {
                if (before_ && before_->isVisible() && before_->isEnabled())
                    before_->setFocus(Qt::OtherFocusReason);
                else
                    overlay_->clearFocus();
            }
            before_.clear();
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            return key == Qt::Key_Tab || key == Qt::Key_Backtab;
        }
        default:
            break;
        }
        return false;
    }

private:
    static const OverlayKeyboard* holderOf(const QWidget* widget) {
        if (!widget)
            return nullptr;
        for (const QObject* child : widget->children()) {
            if (const auto* holder = dynamic_cast<const OverlayKeyboard*>(child))
                return holder;
        }
        return nullptr;
    }

    QWidget* overlay_;
    QPointer<QWidget> before_;
};

} // namespace

void holdKeyboardWhileShown(QWidget* overlay) {
    overlay->setFocusPolicy(Qt::NoFocus); // it is given the keyboard, never tabbed to
    overlay->installEventFilter(new OverlayKeyboard(overlay));
}
