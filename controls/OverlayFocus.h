#pragma once
// An overlay drawn over other controls of its window (a panel, a dimmed cover) takes the
// keyboard while it is shown: the controls it hides can neither be reached with Tab nor typed
// into unseen. When it hides, the control that had the keyboard before gets it back.

class QWidget;

void holdKeyboardWhileShown(QWidget* overlay);
