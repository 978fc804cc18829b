#include "controls/WindowDrag.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <functional>

namespace {

bool startWindowSystemMove(QWidget* window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    QWindow* handle = window->window()->windowHandle();
    return handle && handle->startSystemMove();
}

// The strip holds the pointer while it drags: a modal dialog opened meanwhile (a message that
// came with a reply, an error) would get no click, and the window would follow the pointer,
// every button let go, once the dialog closed.
class BlockedEndsDrag : public QObject {
public:
    BlockedEndsDrag(QWidget* window, std::function<void()> end)
        : QObject(window), end_(std::move(end)) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowBlocked)
            end_();
        return false;
    }

private:
    std::function<void()> end_;
};

} // namespace

void releaseTakenPress(QWidget* grabber, QPoint at) {
    QWidget* window = grabber->window();
    if (QWindow* handle = window->windowHandle())
        QCoreApplication::postEvent(
            handle, new QMouseEvent(QEvent::MouseButtonRelease, grabber->mapTo(window, at),
                                    grabber->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                                    Qt::NoModifier));
}

QPoint placeWithin(QSize size, QPoint centre, const QRect& available) {
    QRect box(QPoint(), size);
    box.moveCenter(centre);
    const auto keep = [](int start, int length, int first, int span) {
        return std::max(first, std::min(start, first + span - length));
    };
    return {keep(box.left(), size.width(), available.left(), available.width()),
            keep(box.top(), size.height(), available.top(), available.height())};
}

void keepSizeOnNewScreen(QObject* object) {
    // The window system keeps a window's size in the screen's own pixels: taken from a laptop at
    // 200% to a monitor at 100% a window doubled, and the other way it halved. Put back once the
    // toolkit has taken in the new size; a menu or tooltip sizes itself as it opens.
    auto* window = qobject_cast<QWidget*>(object);
    if (!window || !window->isWindow() || !window->isVisible() ||
        window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip)
        return;
    const auto normal = [window] {
        return !(window->windowState() &
                 (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    };
    // Dragged quickly across the edge, the window may come back before its size is put back:
    // the size the toolkit gave it meanwhile is not the one to keep.
    static constexpr char kKept[] = "sizeKeptOnNewScreen";
    if (!normal() || window->property(kKept).isValid())
        return;
    window->setProperty(kKept, window->size());
    // Around its centre, which decides its screen: kept at its top left, a window that ended
    // across the edge had its centre thrown back onto the other screen, and went on changing
    // screen and size for as long as it lay there.
    QTimer::singleShot(0, window, [window, normal] {
        QRect box(QPoint(), window->property(kKept).toSize());
        window->setProperty(kKept, QVariant());
        box.moveCenter(window->geometry().center());
        if (normal())
            window->setGeometry(box);
    });
}

void TitleDrag::beginTitleDrag(QWidget* window, QWidget* grabber, int x, int y) {
    if (startWindowSystemMove(window)) {
        releaseTakenPress(grabber, QPoint(x, y));
        return;
    }
    moveWindowActive = true;
    moveWindowClickX = x;
    moveWindowClickY = y;
    grabber->grabMouse();
    delete blockWatch_;
    blockWatch_ = new BlockedEndsDrag(window, [this, grabber] { endTitleDrag(grabber); });
}

void TitleDrag::continueTitleDrag(QWidget* window, int x, int y) const {
    if (moveWindowActive)
        window->move(window->x() + x - moveWindowClickX, window->y() + y - moveWindowClickY);
}

void TitleDrag::endTitleDrag(QWidget* grabber) {
    grabber->releaseMouse();
    moveWindowActive = false;
    if (blockWatch_)
        blockWatch_->deleteLater(); // it may be the caller
    blockWatch_ = nullptr;
}
