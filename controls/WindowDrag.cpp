#include "controls/WindowDrag.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

bool startWindowSystemMove(QWidget* window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return false;
    QWindow* handle = window->window()->windowHandle();
    return handle && handle->startSystemMove();
}
