// calvetta-bare-window: the reference for the start-up and memory figures, an empty Qt Widgets
// window of the main window's size and nothing else.

#include "app/FrameGeometry.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(frame::kWindowWidth, frame::kWindowHeight);
    window.show();
    return app.exec();
}
