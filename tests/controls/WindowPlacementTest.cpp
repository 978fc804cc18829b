// Where a window opened over another lands: centred on it, yet whole on the screen; and its
// drag by the title strip.

#include "controls/WindowDrag.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <gtest/gtest.h>

TEST(WindowPlacement, CentredWhereItFitsMovedInFromAnEdgeElseItsTopLeftKept) {
    const QRect screen(0, 30, 1366, 738); // a laptop's screen below a panel
    const QSize history(1000, 620);
    EXPECT_EQ(placeWithin(history, {683, 399}, screen), QPoint(184, 90)) << "fits: centred";
    EXPECT_EQ(placeWithin(history, {300, 399}, screen), QPoint(0, 90)) << "past the left edge";
    EXPECT_EQ(placeWithin(history, {1200, 399}, screen), QPoint(366, 90)) << "past the right";
    EXPECT_EQ(placeWithin(history, {683, 100}, screen), QPoint(184, 30)) << "under the panel";
    EXPECT_EQ(placeWithin(history, {683, 700}, screen), QPoint(184, 148)) << "past the bottom";
    // A screen smaller than the window: its title strip's start stays on it.
    EXPECT_EQ(placeWithin(history, {1100, 700}, QRect(0, 0, 800, 600)), QPoint(0, 0));
    EXPECT_EQ(placeWithin(history, {0, 0}, QRect(1920, 0, 800, 600)), QPoint(1920, 0))
        << "on a second screen";
}

// A modal dialog would get no click while the strip holds the pointer, and the window would
// follow the pointer once it closed.
TEST(WindowPlacement, AModalDialogBlockingTheWindowEndsItsTitleDrag) {
    struct Dragged : QWidget, TitleDrag {
        QWidget strip{this};
        void press() { beginTitleDrag(this, &strip, 5, 5); }
    } window;
    window.show();
    window.press();
    ASSERT_TRUE(window.moveWindowActive);
    QEvent blocked(QEvent::WindowBlocked);
    QCoreApplication::sendEvent(&window, &blocked);
    EXPECT_FALSE(window.moveWindowActive);
    EXPECT_NE(QWidget::mouseGrabber(), &window.strip);
}
