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
            if (current != overlay_ && !overlay_->isAncestorOf(current))
                before_ = current;
            overlay_->setFocus(Qt::OtherFocusReason);
            break;
        }
        case QEvent::Hide:
            // Only while the keyboard is still the overlay's.
            if (before_ && before_->isVisible() && before_->isEnabled() &&
                overlay_->window()->focusWidget() == overlay_)
                before_->setFocus(Qt::OtherFocusReason);
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
    QWidget* overlay_;
    QPointer<QWidget> before_;
};

} // namespace

void holdKeyboardWhileShown(QWidget* overlay) {
    overlay->setFocusPolicy(Qt::NoFocus); // it is given the keyboard, never tabbed to
    overlay->installEventFilter(new OverlayKeyboard(overlay));
}
