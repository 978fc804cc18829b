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
        // The window system hiding and showing the whole window (minimised, restored) changes
        // nothing here.
        const bool shownOrHidden = event->type() == QEvent::Show || event->type() == QEvent::Hide;
        if (shownOrHidden && event->spontaneous())
            return false;
        switch (event->type()) {
        case QEvent::Show: {
            QWidget* current = overlay_->window()->focusWidget();
            if (current == overlay_ || overlay_->isAncestorOf(current))
                break;
            before_ = current;
            // Over another overlay: if that one is gone by the time this one hides (the choice,
            // then the run), the keyboard goes back where it was before that one.
            const OverlayKeyboard* previous = holderOf(current);
            beforeThat_ = previous ? previous->before_ : nullptr;
            overlay_->setFocus(Qt::OtherFocusReason);
            break;
        }
        case QEvent::Hide:
            // Only while the keyboard is still the overlay's. With nowhere to go back to it
            // goes nowhere, rather than to whatever control follows the overlay.
            if (overlay_->window()->focusWidget() == overlay_) {
                if (QWidget* back = takesKeyboard(before_) ? before_.data() : beforeThat_.data();
                    takesKeyboard(back))
                    back->setFocus(Qt::OtherFocusReason);
                else
                    overlay_->clearFocus();
            }
            before_.clear();
            beforeThat_.clear();
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

    static bool takesKeyboard(const QWidget* widget) {
        return widget && widget->isVisible() && widget->isEnabled();
    }

    QWidget* overlay_;
    QPointer<QWidget> before_;     // where the keyboard was when the overlay showed
    QPointer<QWidget> beforeThat_; // where it was before that, when `before_` is an overlay
};

} // namespace

void holdKeyboardWhileShown(QWidget* overlay) {
    overlay->setFocusPolicy(Qt::NoFocus); // it is given the keyboard, never tabbed to
    overlay->installEventFilter(new OverlayKeyboard(overlay));
}
