#include "controls/WindowDrag.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

bool startWindowSystemMove(QWidget* window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    QWindow* handle = window->window()->windowHandle();
    return handle && handle->startSystemMove();
}

} // namespace

QPoint placeWithin(QSize size, QPoint centre, const QRect& available) {
    QRect box(QPoint(), size);
    box.moveCenter(centre);
    const auto keep = [](int start, int length, int first, int span) {
        return std::max(first, std::min(start, first + span - length));
    };
    return {keep(box.left(), size.width(), available.left(), available.width()),
            keep(box.top(), size.height(), available.top(), available.height())};
}

void TitleDrag::beginTitleDrag(QWidget* window, QWidget* grabber, int x, int y) {
    if (startWindowSystemMove(window))
        return;
    moveWindowActive = true;
    moveWindowClickX = x;
    moveWindowClickY = y;
    grabber->grabMouse();
}

void TitleDrag::continueTitleDrag(QWidget* window, int x, int y) const {
    if (moveWindowActive)
        window->move(window->x() + x - moveWindowClickX, window->y() + y - moveWindowClickY);
}

void TitleDrag::endTitleDrag(QWidget* grabber) {
    grabber->releaseMouse();
    moveWindowActive = false;
}
