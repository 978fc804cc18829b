#pragma once
// Moving a borderless window by its own title strip.

class QWidget;

// Where the window system does not let a program place its own window (Wayland), asks it to
// move `window` with the pointer, as a title bar would, and returns true. Returns false where
// the program moves the window itself.
bool startWindowSystemMove(QWidget* window);
