#include "controls/WindowDrag.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace {

bool startWindowSystemMove(QWidget* window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    QWindow* handle = window->window()->windowHandle();
    return handle && handle->startSystemMove();
}

} // namespace

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
