// The window's own frame: the button strip's hit zones and actions, and the title-bar drag.

#include "WindowFixture.h"
#include "app/FontUtils.h"
#include "app/FrameGeometry.h"
#include "controls/WindowDrag.h"

#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QWindow>

namespace {

void moveOver(QWidget* w, QPoint p) {
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

void press(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton,
           QEvent::Type type = QEvent::MouseButtonPress) {
    QMouseEvent e(type, p, w->mapToGlobal(p), b, b, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void release(QWidget* w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    QMouseEvent e(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), b, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

} // namespace

TEST_F(WindowTest, FrameIsOwnBorderlessWindowWithTitleAndStrip) {
    auto& w = open();
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.windowTitle(), "Vaskel robotic microfocuser");
    EXPECT_EQ(w.size(), QSize(800, 640));
    w.resize(600, 460); // as the desktop tiles it on a small screen
    EXPECT_EQ(w.size(), QSize(800, 640)) << "no control is cut off";
    EXPECT_EQ(w.TitlebarPanel->geometry(), QRect(0, 0, 800, 27));
    EXPECT_EQ(w.TitlebarLabel->text(), "  CALVETTA v1.3");
    EXPECT_EQ(w.TitlebarLabel->geometry(), QRect(23, 0, 700, 29));
    // Tahoma where the system has it; never a stand-in the system picks for it.
    const QString titleFamily = QFontInfo(w.TitlebarLabel->font()).family();
    EXPECT_EQ(titleFamily, IsFontInstalled("Tahoma") ? "Tahoma" : "Titillium Web");
    EXPECT_EQ(QFontInfo(w.TitlebarLabel->font()).pixelSize(), 16);
    EXPECT_EQ(w.AppIconImage->geometry(), QRect(0, 0, 27, 27));
    EXPECT_EQ(w.ThreeButtonsPanel->geometry(), QRect(720, 0, 80, 27));
    EXPECT_EQ(w.CenterLayoutPanel->geometry(), QRect(0, 27, 800, 613));
    EXPECT_TRUE(w.ThreeButtonsImage->testAttribute(Qt::WA_TransparentForMouseEvents));
    // Made where it is shown: moved once made, a framing window manager may leave the toolkit
    // believing it at the screen's corner, and menus open that far from their controls.
    const QRect avail = w.screen()->availableGeometry();
    w.winId();
    EXPECT_EQ(w.windowHandle()->position(), placeWithin(w.size(), avail.center(), avail));
}

TEST_F(WindowTest, StripLightsTheButtonUnderThePointer) {
    auto& w = open();
    w.show();
    const struct {
        QPoint at;
        int lit;
    } cases[] = {{{4, 10}, 1},  {{26, 10}, 1}, {{27, 10}, 2}, {{49, 10}, 2}, {{50, 3}, 3},
                 {{72, 26}, 3}, {{73, 10}, -1}, {{3, 10}, -1}, {{30, 2}, -1}};
    for (const auto& c : cases) {
        moveOver(w.ThreeButtonsPanel, c.at);
        EXPECT_EQ(w.topButtonHilited, c.lit) << c.at.x() << "," << c.at.y();
        EXPECT_EQ(w.TopButton1Image->isVisible(), c.lit == 1);
        EXPECT_EQ(w.TopButton2Image->isVisible(), c.lit == 2);
        EXPECT_EQ(w.TopButton3Image->isVisible(), c.lit == 3);
    }
    EXPECT_EQ(frame::buttonAt(30, 29), 2);
    EXPECT_EQ(frame::buttonAt(30, 30), -1);
}

TEST_F(WindowTest, LeavingTheStripClearsTheHighlight) {
    auto& w = open();
    w.show();
    moveOver(w.ThreeButtonsPanel, {60, 10});
    ASSERT_TRUE(w.TopButton3Image->isVisible());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(w.ThreeButtonsPanel, &leave);
    EXPECT_EQ(w.topButtonHilited, -1);
    EXPECT_FALSE(w.TopButton3Image->isVisible());
}

TEST_F(WindowTest, PressingWhereNothingIsLitDoesNothing) {
    auto& w = open();
    w.show();
    moveOver(w.ThreeButtonsPanel, {76, 10});
    press(w.ThreeButtonsPanel, {76, 10});
    EXPECT_EQ(endRequests, 0);
    EXPECT_EQ(w.windowState(), Qt::WindowNoState);
}

TEST_F(WindowTest, CloseEndsTheProgramAndHidesTheHighlight) {
    auto& w = open();
    w.show();
    moveOver(w.ThreeButtonsPanel, {60, 10});
    press(w.ThreeButtonsPanel, {60, 10});
    EXPECT_EQ(endRequests, 1);
    EXPECT_FALSE(w.TopButton3Image->isVisible());
    EXPECT_EQ(w.topButtonHilited, 3) << "kept until the next move or leave";
}

TEST_F(WindowTest, MinimiseMinimises) {
    auto& w = open();
    w.show();
    moveOver(w.ThreeButtonsPanel, {10, 10});
    press(w.ThreeButtonsPanel, {10, 10});
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
}

TEST_F(WindowTest, MaximiseThenRestoreBringsBackTheNormalLayout) {
    auto& w = open();
    w.show();
    moveOver(w.ThreeButtonsPanel, {30, 10});
    press(w.ThreeButtonsPanel, {30, 10});
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    pumpEvents();
    const int expectedLeft = (w.width() - 800) / 2;
    EXPECT_EQ(w.CenterLayoutPanel->x(), expectedLeft);
    EXPECT_EQ(w.ThreeButtonsPanel->x(), w.width() - 80) << "the strip stays at the right edge";

    moveOver(w.ThreeButtonsPanel, {30, 10});
    press(w.ThreeButtonsPanel, {30, 10});
    pumpEvents();
    EXPECT_FALSE(w.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.size(), QSize(800, 640));
    EXPECT_EQ(w.CenterLayoutPanel->geometry(), QRect(0, 27, 800, 613))
        << "no row of the centre area hides under the title bar";
    w.resize(1000, 800); // as maximised on a larger screen
    EXPECT_EQ(w.grab().toImage().pixelColor(5, 700), QColor(48, 48, 48)) << "margins of its colour";
}

TEST_F(WindowTest, DraggingTheTitleMovesTheWindowByTheSameAmount) {
    auto& w = open();
    w.show();
    const QPoint start = w.pos();
    press(w.TitlebarLabel, {100, 10});
    EXPECT_TRUE(w.moveWindowActive);
    moveOver(w.TitlebarLabel, {110, 15});
    EXPECT_EQ(w.pos(), start + QPoint(10, 5));
    release(w.TitlebarLabel, {110, 15});
    EXPECT_FALSE(w.moveWindowActive);
    moveOver(w.TitlebarLabel, {150, 40});
    EXPECT_EQ(w.pos(), start + QPoint(10, 5)) << "a move after the release does nothing";
    press(w.TitlebarLabel, {100, 10}, Qt::LeftButton, QEvent::MouseButtonDblClick); // at once
    moveOver(w.TitlebarLabel, {120, 10});
    EXPECT_EQ(w.pos(), start + QPoint(30, 5));
}

TEST_F(WindowTest, DraggingAMaximisedWindowBringsBackItsNormalSizeUnderThePointer) {
    auto& w = open();
    w.showMaximized();
    pumpEvents();
    const int middle = w.TitlebarLabel->width() / 2;
    const QPoint pointer = w.TitlebarLabel->mapToGlobal(QPoint(middle + 40, 12));
    press(w.TitlebarLabel, {middle, 12});
    moveOver(w.TitlebarLabel, {middle + 40, 12});
    pumpEvents();
    EXPECT_EQ(w.size(), QSize(800, 640));
    EXPECT_EQ(w.TitlebarLabel->mapFromGlobal(pointer), QPoint(350, 12));
    moveOver(w.ThreeButtonsPanel, {30, 10});
    press(w.ThreeButtonsPanel, {30, 10});
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized) << "maximises again";
}

TEST_F(WindowTest, TheTitleMenuOpenedDuringADragEndsIt) {
    auto& w = open();
    w.show();
    const QPoint start = w.pos();
    press(w.TitlebarLabel, {100, 10});
    press(w.TitlebarLabel, {100, 10}, Qt::RightButton);
    ASSERT_TRUE(w.TitlebarPopup->isVisible());
    // Both buttons are let go over the menu, which then closes.
    w.TitlebarPopup->close();
    EXPECT_FALSE(w.moveWindowActive);
    moveOver(w.TitlebarLabel, {160, 40});
    EXPECT_EQ(w.pos(), start) << "the window does not follow a pointer no button holds";
}
