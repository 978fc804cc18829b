// Hover, capture and clicks, through pointer events routed by Qt as a real pointer's are.

#include "ControlsFixture.h"
#include "TestUtil.h"
#include "controls/WindowDrag.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <memory>

namespace {

class ButtonPointerTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        writePresetPictures({60, 46});
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        button = new TSimpleBitmapButton(window.get());
        button->AddImage("presetButton");
        button->AddImage("presetButtonHi");
        button->setGeometry(40, 30, 60, 46);
        button->OnClick = [this](TSimpleBitmapButton* sender) {
            ++leftClicks;
            lastSender = sender;
        };
        window->show();
        ASSERT_TRUE(pumpUntil([&] { return window->windowHandle()->isExposed(); }));
        // Qt drops a move to where the pointer already is, and it is wherever the last test
        // left it: start from a known place off the button.
        QTest::mouseMove(window->windowHandle(), QPoint(2, 2));
    }
    void TearDown() override {
        window.reset();
        ControlsTest::TearDown();
    }

    // The pointer at a place given in the button's coordinates.
    QPoint at(int x, int y) const { return button->geometry().topLeft() + QPoint(x, y); }
    void moveTo(int x, int y) { QTest::mouseMove(window->windowHandle(), at(x, y)); }
    void press(Qt::MouseButton b, int x = 30, int y = 20) {
        QTest::mousePress(window->windowHandle(), b, {}, at(x, y));
    }
    void release(Qt::MouseButton b, int x = 30, int y = 20) {
        QTest::mouseRelease(window->windowHandle(), b, {}, at(x, y));
    }
    bool captured() const { return QWidget::mouseGrabber() == button; }

    std::unique_ptr<QWidget> window;
    TSimpleBitmapButton* button = nullptr;
    int leftClicks = 0;
    TSimpleBitmapButton* lastSender = nullptr;
};

TEST_F(ButtonPointerTest, HoverCountsBothFarEdgesAndHoldsThePointerMeanwhile) {
    moveTo(30, 20);
    EXPECT_TRUE(button->hover);
    EXPECT_TRUE(captured());

    // Beyond the last pixel, reached only because the pointer is held.
    moveTo(60, 46);
    EXPECT_TRUE(button->hover);
    EXPECT_TRUE(captured());

    moveTo(61, 46);
    EXPECT_FALSE(button->hover);
    EXPECT_FALSE(captured());

    moveTo(0, 0);
    EXPECT_TRUE(button->hover);
    moveTo(60, 47);
    EXPECT_FALSE(button->hover);
    EXPECT_FALSE(captured());

    moveTo(59, 45);
    EXPECT_TRUE(button->hover);
    moveTo(-1, 10);
    EXPECT_FALSE(button->hover);
    moveTo(10, 0);
    moveTo(10, -1);
    EXPECT_FALSE(button->hover);
    EXPECT_FALSE(captured());

    // Under Wayland no move follows from beyond the window, only its leave.
    moveTo(30, 20);
    QEvent left(QEvent::Leave);
    QCoreApplication::sendEvent(window.get(), &left);
    EXPECT_FALSE(button->hover);

    // Nor of the release of a press the window system moved the window with.
    const auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButtons held) {
        QMouseEvent e(type, p, window->mapToGlobal(p), Qt::MouseButton(int(held)), held, {});
        QCoreApplication::sendEvent(window->windowHandle(), &e);
    };
    send(QEvent::MouseButtonPress, {2, 2}, Qt::LeftButton);
    releaseTakenPress(window.get(), {2, 2});
    QCoreApplication::sendPostedEvents();
    send(QEvent::MouseMove, at(31, 21), Qt::NoButton);
    EXPECT_TRUE(button->hover);
}

TEST_F(ButtonPointerTest, HoverShowsTheHighlightedPicture) {
    moveTo(30, 20);
    EXPECT_EQ(button->grab().toImage().pixelColor(1, 1), hiColor);
    moveTo(100, 20);
    EXPECT_EQ(button->grab().toImage().pixelColor(1, 1), normalColor);
}

TEST_F(ButtonPointerTest, LeftClickCallsTheHandlerAndDropsHoverUntilTheNextMove) {
    moveTo(30, 20);
    press(Qt::LeftButton);
    EXPECT_TRUE(button->clicked);
    release(Qt::LeftButton);
    EXPECT_EQ(leftClicks, 1);
    EXPECT_EQ(lastSender, button);
    EXPECT_FALSE(button->clicked);
    EXPECT_FALSE(button->hover);
    EXPECT_FALSE(captured());

    moveTo(31, 20);
    EXPECT_TRUE(button->hover);
    EXPECT_TRUE(captured());
}

TEST_F(ButtonPointerTest, AClickedButtonShowsNoHighlightOnceThePointerIsElsewhere) {
    // The handler opens a menu, and the pointer goes to one of its items, off the button.
    button->OnClick = [this](auto) { QCursor::setPos(window->mapToGlobal(QPoint(250, 180))); };
    const auto shown = [this] {
        QCoreApplication::processEvents();
        return window->screen()->grabWindow(window->winId()).toImage().pixelColor(at(1, 1));
    };
    moveTo(30, 20);
    ASSERT_EQ(shown(), hiColor);
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    EXPECT_EQ(shown(), normalColor);

    // Clicked where it stays; then the pointer leaves in one jump, with no move over it first.
    button->OnClick = [](auto) {};
    QCursor::setPos(window->mapToGlobal(at(31, 20)));
    moveTo(31, 20);
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    QTest::mouseMove(window->windowHandle(), QPoint(250, 180));
    EXPECT_EQ(shown(), normalColor);
}

TEST_F(ButtonPointerTest, ReleaseAwayFromTheButtonStillClicks) {
    moveTo(30, 20);
    press(Qt::LeftButton);
    moveTo(200, 150);
    release(Qt::LeftButton, 200, 150);
    EXPECT_EQ(leftClicks, 1);
    EXPECT_FALSE(button->clicked);
}

TEST_F(ButtonPointerTest, ThePointerIsNotHeldFromADialogNorLeftDarkOnANeighbour) {
    auto* neighbour = new TSimpleBitmapButton(window.get());
    neighbour->setGeometry(104, 30, 60, 46);
    neighbour->show();
    moveTo(30, 20);
    moveTo(94, 20); // in one jump onto the neighbour
    EXPECT_TRUE(neighbour->hover);
    EXPECT_EQ(QWidget::mouseGrabber(), neighbour);

    moveTo(30, 20);
    QDialog warning(window.get());
    warning.setModal(true);
    warning.setGeometry(QRect(window->geometry().topRight() + QPoint(20, 0), QSize(100, 60)));
    auto* ok = new TSimpleBitmapButton(&warning);
    ok->setGeometry(10, 10, 60, 40);
    warning.show();
    EXPECT_FALSE(button->hover);
    EXPECT_NE(QWidget::mouseGrabber(), button) << "the dialog could not be clicked";
    // From the dialog's button straight onto the blocked window's.
    QTest::mouseMove(warning.windowHandle(), QPoint(20, 20));
    ASSERT_EQ(QWidget::mouseGrabber(), ok);
    QTest::mouseMove(warning.windowHandle(),
                     warning.mapFromGlobal(button->mapToGlobal(QPoint(30, 20))));
    EXPECT_NE(QWidget::mouseGrabber(), button);
}

TEST_F(ButtonPointerTest, ReleaseWithoutAPressDoesNothing) {
    moveTo(30, 20);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(30, 20),
                   button->mapToGlobal(QPointF(30, 20)), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(button, &up);
    EXPECT_EQ(leftClicks, 0);
    EXPECT_TRUE(button->hover);
    EXPECT_TRUE(captured());
}

TEST_F(ButtonPointerTest, RightClickWithoutItsHandlerOnlyClearsClicked) {
    moveTo(30, 20);
    press(Qt::RightButton);
    EXPECT_TRUE(button->clicked);
    release(Qt::RightButton);
    EXPECT_FALSE(button->clicked);
    EXPECT_EQ(leftClicks, 0);
    // Nothing else happened: still lit and still holding the pointer.
    EXPECT_TRUE(button->hover);
    EXPECT_TRUE(captured());

    press(Qt::MiddleButton);
    release(Qt::MiddleButton);
    EXPECT_FALSE(button->clicked);
    EXPECT_EQ(leftClicks, 0);
}

TEST_F(ButtonPointerTest, RightClickCallsOnlyItsOwnHandler) {
    int rightClicks = 0;
    button->OnRightClick = [&](TSimpleBitmapButton* sender) {
        ++rightClicks;
        EXPECT_EQ(sender, button);
    };
    moveTo(30, 20);
    press(Qt::RightButton);
    release(Qt::RightButton);
    EXPECT_EQ(rightClicks, 1);
    EXPECT_EQ(leftClicks, 0);
    EXPECT_FALSE(button->hover);
    EXPECT_FALSE(captured());

    button->OnClick = nullptr;
    moveTo(32, 22);
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    EXPECT_EQ(rightClicks, 1);
    EXPECT_TRUE(button->hover) << "a left click without a handler changes nothing";
}

TEST_F(ButtonPointerTest, DisabledButtonIgnoresThePointer) {
    button->setEnabledState(false);
    moveTo(30, 20);
    EXPECT_FALSE(button->hover);
    EXPECT_FALSE(captured());
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    EXPECT_EQ(leftClicks, 0);
}

TEST_F(ButtonPointerTest, DisablingLetsThePointerGo) {
    moveTo(30, 20);
    ASSERT_TRUE(captured());
    button->setEnabledState(false);
    EXPECT_FALSE(captured());
    EXPECT_FALSE(button->hover);

    // Pressed, then disabled before the release: no click, now or later.
    button->setEnabledState(true);
    moveTo(33, 23);
    press(Qt::LeftButton);
    button->setEnabledState(false);
    release(Qt::LeftButton);
    button->setEnabledState(true);
    EXPECT_EQ(leftClicks, 0);
    moveTo(31, 21);
    EXPECT_TRUE(captured());
}

TEST_F(ButtonPointerTest, HidingLetsThePointerGo) {
    moveTo(30, 20);
    ASSERT_TRUE(captured());
    button->hide();
    EXPECT_FALSE(captured());
    EXPECT_FALSE(button->hover);
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    EXPECT_EQ(leftClicks, 0);

    button->show();
    moveTo(30, 44);
    QCursor::setPos(window->mapToGlobal(at(30, 44)));
    button->move(40, 26); // 4 up from under the pointer, as UPGRADE with the view
    EXPECT_FALSE(captured() || button->hover);
}

TEST_F(ButtonPointerTest, ACoverShownOverTheHeldButtonTakesItsClicks) {
    moveTo(30, 20);
    ASSERT_TRUE(captured());
    QWidget cover(window.get());
    cover.setGeometry(window->rect());
    cover.show();
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    EXPECT_EQ(leftClicks, 0);
}

TEST_F(ButtonPointerTest, HandlerMayDeleteOrReplaceItsButton) {
    button->OnClick = [](TSimpleBitmapButton* sender) { delete sender; };
    QPointer<TSimpleBitmapButton> watch(button);
    moveTo(30, 20);
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    button = new TSimpleBitmapButton(window.get());
    button->AddImage("presetButton");
    button->AddImage("presetButtonHi");
    button->setGeometry(40, 30, 60, 46);
    button->show();
    int calls = 0;
    button->OnClick = [&, big = std::vector<int>(1000, 7)](TSimpleBitmapButton* sender) {
        ++calls;
        sender->OnClick = nullptr; // destroys this very closure's stored copy
        EXPECT_EQ(big.size(), 1000u);
    };
    moveTo(34, 24);
    press(Qt::LeftButton);
    release(Qt::LeftButton);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(button->OnClick);
}

} // namespace
