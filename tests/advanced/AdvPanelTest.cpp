// The advanced settings panel driven with the pointer over the shown window: sliders, boxes,
// the close box, and the status replies that refresh it.

#include "AdvancedFixture.h"
#include "controls/VaskelControls.h"
#include "protocol/Requests.h"
#include "protocol/StatusRules.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHelpEvent>
#include <QImage>
#include <QLineEdit>
#include <QTextDocument>
#include <QToolTip>

using namespace advtest;

namespace {

const QColor kRed(205, 15, 42);

QColor pixel(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// A point on a slider's bar row at column x.
QPoint bar(int x) {
    return QPoint(x, 16);
}

// The column of a value on a 1..10 slider.
int column(int value) {
    return 139 + 17 * (value - 1);
}

} // namespace

class AdvPanelTest : public AdvancedTest {
protected:
    // After a reply the link writes what was queued; put the marker back behind the awaited
    // request so that urgent and normal requests stay apart.
    void replyAndRequeue(const QByteArray& text) {
        reply(text);
        if (serialLink && serialLink->queue().empty()) {
            serialLink->EnqueueCommand(kTail);
            port.line().takeWritten();
        }
    }
    static QString param(const char* name, int value) {
        return request::motorParameter(QLatin1String(name), value);
    }
    std::array<int, 7> positions() const {
        std::array<int, 7> p{};
        const auto all = panel->tracks();
        for (int i = 0; i < 7; ++i)
            p[i] = all[i]->position;
        return p;
    }
};

TEST_F(AdvPanelTest, ButtonOpensThePanelOverTheCentreAreaWithItsDefaults) {
    auto& p = openPanel();
    auto& w = *window;
    EXPECT_EQ(p.parentWidget(), w.CenterLayoutPanel);
    EXPECT_EQ(p.mapTo(&w, QPoint(0, 0)), QPoint(0, 27));
    EXPECT_EQ(p.size(), QSize(800, 613));
    EXPECT_TRUE(p.isVisible());
    EXPECT_EQ(w.childAt(QPoint(20, 40)), &p) << "above everything of the centre area";
    EXPECT_EQ(p.panelX, 14);
    EXPECT_EQ(p.panelY, 20);
    EXPECT_EQ(p.holdMotorText, "ON");
    EXPECT_EQ(p.presetNames, (std::array<QString, 3>{}));
    EXPECT_EQ(p.selectedPreset, 0);
    EXPECT_EQ(p.hilitedBtn, -1);

    struct Expected {
        const char* label;
        const char* param;
        int max;
        int top;
    };
    const Expected rows[7] = {
        {"Acceleration", "FnRUN_ACC", 10, 118}, {"Run", "FnRUN_SPD", 10, 162},
        {"Deceleration", "FnRUN_DEC", 10, 206}, {"Acceleration", "FnRUN_CURR_ACC", 10, 315},
        {"Run", "FnRUN_CURR_SPD", 10, 358},     {"Deceleration", "FnRUN_CURR_DEC", 10, 401},
        {"Hold", "FnRUN_CURR_HOLD", 5, 444}};
    const auto tracks = p.tracks();
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(rows[i].param);
        EXPECT_EQ(tracks[i]->parentWidget(), &p);
        EXPECT_EQ(tracks[i]->labelText, rows[i].label);
        EXPECT_EQ(tracks[i]->paramName, rows[i].param);
        EXPECT_EQ(tracks[i]->min, 1);
        EXPECT_EQ(tracks[i]->max, rows[i].max);
        EXPECT_EQ(tracks[i]->position, 1);
        EXPECT_EQ(tracks[i]->geometry(), QRect(14 + 412, 20 + rows[i].top, 309, 34));
    }

    // The one panel stays the one the replies reach.
    w.AdvSettingsButtonClick(w.advSettingsButton);
    EXPECT_EQ(activeAdvPanel, &p);
    EXPECT_EQ(w.CenterLayoutPanel->findChildren<THalvorbeckAdvPanel*>().size(), 1);
}

TEST_F(AdvPanelTest, PressOnTheLabelStartsNoDragAndTheBarDoes) {
    openPanel();
    replyAndRequeue(halvorbeckStatus());
    THalvorbeckAdvTrack* run = panel->trackSpeedRun;
    ASSERT_EQ(run->position, 7);

    press(run, bar(131));
    EXPECT_FALSE(run->dragging);
    moveTo(run, bar(200));
    EXPECT_EQ(run->position, 7) << "no drag, no change";
    release(run, bar(200));
    EXPECT_EQ(queued(), QStringList{kTail}) << "a release without a drag sends nothing";

    press(run, bar(132));
    EXPECT_TRUE(run->dragging);
    EXPECT_EQ(QWidget::mouseGrabber(), run);
    EXPECT_EQ(run->position, 1) << "the value under the pointer, left of the bar";
    moveTo(run, bar(155));
    EXPECT_EQ(run->position, 1);
    moveTo(run, bar(156));
    EXPECT_EQ(run->position, 2);
    release(run, bar(156));
    EXPECT_FALSE(run->dragging);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(queued(), (QStringList{param("FnRUN_SPD", 2), kTail}));
}

TEST_F(AdvPanelTest, DraggingPastTheEndsSendsTheLimits) {
    openPanel();
    THalvorbeckAdvTrack* run = panel->trackSpeedRun;
    press(run, bar(column(5)));
    moveTo(run, bar(-120)); // off the slider, still captured
    EXPECT_EQ(run->position, 1);
    moveTo(run, bar(360));
    EXPECT_EQ(run->position, 10);
    release(run, bar(360));
    EXPECT_EQ(queued().value(0), param("FnRUN_SPD", 10));

    THalvorbeckAdvTrack* hold = panel->trackCurrentHold;
    press(hold, bar(200));
    moveTo(hold, bar(300));
    release(hold, bar(300));
    EXPECT_EQ(hold->position, 5);
    EXPECT_EQ(queued(), (QStringList{param("FnRUN_SPD", 10), param("FnRUN_CURR_HOLD", 5), kTail}))
        << "each release jumps the ordinary requests, in the order made";
}

TEST_F(AdvPanelTest, ADoubleClickOnItsButtonSetsNoSliderThatCameUpUnderIt) {
    auto& w = open();
    w.SetFocuserType(ftHalvorbeck);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    CreateSerialLink(QStringLiteral("FAKE"), w, clock);
    occupyLink();
    const QPoint at = inWindow(w.advSettingsButton, w.advSettingsButton->rect().center());
    QTest::mouseMove(w.windowHandle(), at);
    QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, at);
    panel = activeAdvPanel;
    ASSERT_TRUE(panel);
    THalvorbeckAdvTrack* decel = panel->trackCurrentDecel;
    ASSERT_EQ(w.childAt(at), decel) << "the second click lands on a slider";
    EXPECT_FALSE(decel->dragging);
    EXPECT_EQ(decel->position, 1);
    EXPECT_EQ(queued(), QStringList{kTail}) << "nothing the user did not set";
}

TEST_F(AdvPanelTest, APressWithoutAMoveBeforeItTakesTheValueUnderThePress) {
    // As when a dialog closes over the slider and the pointer has not moved since.
    openPanel();
    THalvorbeckAdvTrack* run = panel->trackSpeedRun;
    moveTo(run, bar(column(9)));
    const QPoint p = bar(column(3));
    QMouseEvent down(QEvent::MouseButtonPress, p, run->mapToGlobal(p), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(run, &down);
    EXPECT_EQ(run->position, 3);
    release(run, p);
    EXPECT_EQ(queued(), (QStringList{param("FnRUN_SPD", 3), kTail}));
}

TEST_F(AdvPanelTest, ReleaseSendsTheValueEvenWhenUnchanged) {
    openPanel();
    replyAndRequeue(halvorbeckStatus());
    THalvorbeckAdvTrack* decel = panel->trackCurrentDecel;
    ASSERT_EQ(decel->position, 2);
    press(decel, bar(column(2)));
    release(decel, bar(column(2)));
    EXPECT_EQ(decel->position, 2);
    EXPECT_EQ(queued(), (QStringList{param("FnRUN_CURR_DEC", 2), kTail}));
}

TEST_F(AdvPanelTest, ReplyDuringADragLeavesTheDraggedSliderAlone) {
    openPanel();
    replyAndRequeue(halvorbeckStatus());
    THalvorbeckAdvTrack* accel = panel->trackSpeedAccel;
    press(accel, bar(column(8)));
    ASSERT_TRUE(accel->dragging);
    ASSERT_EQ(accel->position, 8);

    MotorValues twos;
    twos.values = {"2", "2", "2", "2", "2", "2", "2", "0"};
    replyAndRequeue(halvorbeckStatus(twos));
    EXPECT_EQ(positions(), (std::array<int, 7>{8, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(panel->holdMotorText, "OFF");

    release(accel, bar(column(8)));
    EXPECT_EQ(queued().value(0), param("FnRUN_ACC", 8)) << "the user's value is sent";
    replyAndRequeue(halvorbeckStatus(twos));
    EXPECT_EQ(accel->position, 8) << "the reply awaited at the release was asked for before";
    replyAndRequeue(halvorbeckStatus(twos));
    EXPECT_EQ(accel->position, 2) << "and the focuser's comes back";

    // A dialog coming up meanwhile (the firmware warning) takes the pointer and ends the drag.
    press(accel, bar(column(8)));
    QDialog box(window.get());
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    pumpEvents();
    replyAndRequeue(halvorbeckStatus(twos));
    EXPECT_EQ(accel->position, 2) << "no value stands that the focuser was never sent";
}

TEST_F(AdvPanelTest, RepliesAskedForBeforeTheUsersValueWentOutDoNotUndoIt) {
    openPanel();
    replyAndRequeue(halvorbeckStatus());
    clickFrame(100, 100); // "Light and Fast", queued ahead of what follows
    MenuAnswer menus;
    menus.choice = window->OffItem;
    clickFrame(481, 494);
    THalvorbeckAdvTrack* run = panel->trackSpeedRun;
    press(run, bar(column(10)));
    release(run, bar(column(10)));
    ASSERT_EQ(queued().size(), 4u);

    // Asked for before: the one awaited, then the quick setting's; then the switch's own.
    replyAndRequeue(halvorbeckStatus());
    replyAndRequeue(halvorbeckStatus());
    EXPECT_EQ(run->position, 10);
    EXPECT_EQ(panel->holdMotorText, "OFF");
    replyAndRequeue(R"({"res":{"set":"done"}})");
    replyAndRequeue(R"({"res":{"set":"done"}})");
    MotorValues refused;
    refused.values[1] = "9";
    replyAndRequeue(halvorbeckStatus(refused));
    EXPECT_EQ(run->position, 9) << "a later reply shows the focuser's value";
    EXPECT_EQ(panel->holdMotorText, "ON");
}

TEST_F(AdvPanelTest, ASlowFocusersLateRepliesDoNotUndoTheUsersValue) {
    openPanel();
    // Its replies overdue, the link has written two requests by the time the user's goes out.
    clock.advance(400);
    serialLink->EnqueueCommand(kTail);
    clock.advance(400);
    THalvorbeckAdvTrack* run = panel->trackSpeedRun;
    press(run, bar(column(10)));
    release(run, bar(column(10)));
    reply(halvorbeckStatus());
    reply(halvorbeckStatus());
    EXPECT_EQ(run->position, 10) << "both replies were asked for before";
    reply(R"({"res":{"set":"done"}})");
    reply(halvorbeckStatus());
    EXPECT_EQ(run->position, 7);
}

TEST_F(AdvPanelTest, RepliesReachThePanelThroughTheLink) {
    openPanel();
    replyAndRequeue(halvorbeckStatus({}, {"Newton", "SCT 8", "Refr."}));
    EXPECT_EQ(positions(), (std::array<int, 7>{4, 7, 5, 3, 6, 2, 1}));
    EXPECT_EQ(panel->holdMotorText, "ON");
    EXPECT_EQ(panel->presetNames, (std::array<QString, 3>{"Newton", "SCT 8", "Refr."}));

    MotorValues odd;
    odd.values = {"12", R"("fast")", "0", "-3", "3.5", "10", "5", "2"};
    replyAndRequeue(halvorbeckStatus(odd, {"", "Light", ""}));
    EXPECT_EQ(positions(), (std::array<int, 7>{12, 1, 0, -3, 1, 10, 5}))
        << "not clamped; what is no integer counts as 1";
    EXPECT_EQ(panel->holdMotorText, "ON") << "only 0 is off";
    EXPECT_EQ(panel->presetNames, (std::array<QString, 3>{"", "Light", ""}));

    // Out of range, the thumb stands beyond the bar's end and the fill runs past it.
    const QImage accel = panel->trackSpeedAccel->grab().toImage();
    EXPECT_EQ(pixel(accel, 300, 16), kRed);
    EXPECT_NE(pixel(panel->trackCurrentDecel->grab().toImage(), 300, 16), kRed)
        << "at the top of the range the thumb covers that column";

    odd.values[7] = "0";
    replyAndRequeue(halvorbeckStatus(odd));
    EXPECT_EQ(panel->holdMotorText, "OFF");
    odd.values[7] = R"("on")";
    replyAndRequeue(halvorbeckStatus(odd));
    EXPECT_EQ(panel->holdMotorText, "OFF") << "no integer counts as 0";
}

TEST_F(AdvPanelTest, MotorValuesAreRequiredOnlyWhileThePanelExists) {
    openPanel();
    replyAndRequeue(halvorbeckStatus());
    MotorValues noHold;
    noHold.values[6].clear();
    noHold.values[0] = "9";
    const QByteArray text = halvorbeckStatus(noHold, {"A", "B", "C"});
    rapidjson::Document doc;
    doc.Parse(text.constData(), text.size());
    EXPECT_THROW(window->ParseMessage(&doc["res"], QString::fromUtf8(text)), EReplyError);
    EXPECT_EQ(panel->trackSpeedAccel->position, 4) << "the reply ended before the panel";
    EXPECT_EQ(panel->presetNames[0], "Newton");

    clickFrame(735, 38);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(activeAdvPanel, nullptr);
    MotorValues none;
    none.values = {};
    const QByteArray plain = halvorbeckStatus(none, {"A", "B", "C"});
    doc.Parse(plain.constData(), plain.size());
    EXPECT_TRUE(window->ParseMessage(&doc["res"], QString::fromUtf8(plain)));
    EXPECT_EQ(window->motorPresetNames[2], "C");
}

TEST_F(AdvPanelTest, PointerHighlightsTheBoxUnderIt) {
    openPanel();
    // A pixel of the first quick setting's rim, where the two frames differ.
    QPoint rim(-1, -1);
    for (int x = 63; x < 359 && rim.x() < 0; ++x)
        for (int y = 89; y < 93; ++y)
            if (panel->normalFrame->pixel(x, y) != panel->hiliteFrame->pixel(x, y) &&
                qAlpha(panel->hiliteFrame->pixel(x, y)) == 255 &&
                qAlpha(panel->normalFrame->pixel(x, y)) == 255) {
                rim = QPoint(x, y);
                break;
            }
    ASSERT_GE(rim.x(), 0) << "the highlighted frame differs on the box";
    const QColor hi(panel->hiliteFrame->pixel(rim));
    const QColor normal(panel->normalFrame->pixel(rim));

    moveTo(panel, frame(358, 131));
    EXPECT_EQ(panel->hilitedBtn, 0);
    EXPECT_EQ(pixel(panel->grab().toImage(), 14 + rim.x(), 20 + rim.y()), hi);

    moveTo(panel, frame(359, 131));
    EXPECT_EQ(panel->hilitedBtn, -1);
    EXPECT_EQ(pixel(panel->grab().toImage(), 14 + rim.x(), 20 + rim.y()), normal);

    moveTo(panel, frame(200, 300));
    EXPECT_EQ(panel->hilitedBtn, 4);
    moveTo(panel, frame(600, 510));
    EXPECT_EQ(panel->hilitedBtn, 6);
    // Straight up onto the hold slider, or out of the window: the panel sees no move there.
    moveTo(panel, frame(600, 470));
    EXPECT_EQ(panel->hilitedBtn, -1);
    moveTo(panel, frame(600, 510));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(panel, &leave);
    EXPECT_EQ(panel->hilitedBtn, -1);
    moveTo(panel, frame(730, 30));
    EXPECT_EQ(panel->hilitedBtn, 100);
}

TEST_F(AdvPanelTest, LeftAndMiddleClicksRunQuickSettingsAndUserPresets) {
    openPanel();
    clickFrame(100, 100);                   // light and fast
    clickFrame(100, 150, Qt::MiddleButton); // medium
    clickFrame(358, 231);                   // heavy and slow, its last pixel
    clickFrame(54, 250);                    // user preset 1
    clickFrame(200, 300, Qt::MiddleButton); // user preset 2
    clickFrame(367, 325);                   // user preset 3
    // A double click loads once.
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {},
                       inWindow(panel, frame(200, 300)));
    using request::QuickSetting;
    EXPECT_EQ(queued(),
              (QStringList{request::runPresetQuick(QuickSetting::Light),
                           request::runPresetQuick(QuickSetting::Medium),
                           request::runPresetQuick(QuickSetting::Slow), request::runPresetLoad(1),
                           request::runPresetLoad(2), request::runPresetLoad(3),
                           request::runPresetLoad(2), kTail}));
    EXPECT_EQ(panel->selectedPreset, 0) << "a left click runs a preset without choosing it";
}

TEST_F(AdvPanelTest, ClicksOutsideTheBoxesDoNothing) {
    openPanel();
    MenuAnswer menus;
    click(panel, QPoint(3, 3)); // the dimmed window
    click(panel, QPoint(790, 600), Qt::RightButton);
    clickFrame(400, 400);                  // the frame between the boxes
    clickFrame(100, 100, Qt::RightButton); // a quick setting wants the left button
    clickFrame(600, 510, Qt::RightButton); // so does the hold switch
    clickFrame(735, 38, Qt::RightButton);  // and the close box
    click(panel, frame(100, 100), Qt::BackButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(activeAdvPanel, panel.data());
    EXPECT_TRUE(menus.shown.isEmpty());
    EXPECT_EQ(panel->selectedPreset, 0);
    EXPECT_EQ(queued(), QStringList{kTail});
}

TEST_F(AdvPanelTest, RightClickOnAUserPresetOpensTheMenuBelowItsBox) {
    openPanel();
    MenuAnswer menus; // closes the menu without a choice
    clickFrame(200, 300, Qt::RightButton);
    EXPECT_EQ(panel->selectedPreset, 2);
    ASSERT_EQ(menus.shown.size(), 1);
    EXPECT_EQ(menus.shown[0], window->MotorSettinfsPopup);
    EXPECT_EQ(menus.shownAt[0], window->mapToGlobal(QPoint(14 + 164, 27 + 20 + 326)));
    EXPECT_EQ(queued(), QStringList{kTail}) << "a closed menu sends nothing";

    clickFrame(300, 260, Qt::RightButton);
    EXPECT_EQ(panel->selectedPreset, 3);
    ASSERT_EQ(menus.shown.size(), 2);
    EXPECT_EQ(menus.shownAt[1], window->mapToGlobal(QPoint(14 + 274, 27 + 20 + 326)));

    // The menu closed, the pointer on a quick setting with no move reported: a press there
    // runs the quick setting, not the preset whose box was lit.
    const QPoint at = frame(100, 100);
    QMouseEvent press(QEvent::MouseButtonPress, at, panel->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, {});
    QCoreApplication::sendEvent(panel, &press);
    EXPECT_EQ(queued(), (QStringList{request::runPresetQuick(request::QuickSetting::Light), kTail}));
}

TEST_F(AdvPanelTest, HoldMotorMenuSwitchesTheHoldCurrent) {
    openPanel();
    MenuAnswer menus;
    menus.choice = window->OffItem;
    clickFrame(481, 494);
    ASSERT_EQ(menus.shown.size(), 1);
    EXPECT_EQ(menus.shown[0], window->OnOffPopup);
    EXPECT_EQ(menus.shownAt[0].x(), window->mapToGlobal(QPoint(14 + 481, 0)).x());
    EXPECT_EQ(panel->holdMotorText, "OFF");
    EXPECT_EQ(queued(), (QStringList{request::holdCurrentStatus(0), kTail}));

    menus.choice = window->OnItem;
    clickFrame(730, 534);
    EXPECT_EQ(panel->holdMotorText, "ON");
    EXPECT_EQ(queued(),
              (QStringList{request::holdCurrentStatus(0), request::holdCurrentStatus(1), kTail}))
        << "the focuser ends with the last choice";
}

TEST_F(AdvPanelTest, CloseBoxDestroysThePanelAndRepliesStopReachingIt) {
    openPanel();
    QPointer<THalvorbeckAdvTrack> slider = panel->trackSpeedRun;
    clickFrame(721, 24);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
    EXPECT_TRUE(slider.isNull()) << "the sliders go with it";
    EXPECT_EQ(activeAdvPanel, nullptr);
    EXPECT_EQ(queued(), QStringList{kTail});

    // A reply without the motor values now runs to its end.
    MotorValues none;
    none.values = {};
    reply(halvorbeckStatus(none, {"X", "Y", "Z"}));
    EXPECT_EQ(window->motorPresetNames[1], "Y");

    // The button opens a fresh one with its defaults.
    click(window->advSettingsButton, window->advSettingsButton->rect().center());
    ASSERT_NE(activeAdvPanel, nullptr);
    EXPECT_EQ(activeAdvPanel->trackSpeedRun->position, 1);
    EXPECT_EQ(activeAdvPanel->holdMotorText, "ON");
}

TEST_F(AdvPanelTest, AVaskelsReplyClosesThePanel) {
    openPanel();
    MotorValues none;
    none.values = {};
    reply(halvorbeckStatus(none).replace("\"HALVORBECK2\"", "\"VASKEL4\""));
    EXPECT_EQ(window->focuserType, ftVaskel);
    EXPECT_EQ(activeAdvPanel, nullptr);
    EXPECT_TRUE(panel.isNull() || panel->isHidden());

    // So does one that comes while a preset's menu is open: the press that opened it is not
    // over, and the panel must outlive it.
    reply(halvorbeckStatus(none));
    click(window->advSettingsButton, window->advSettingsButton->rect().center());
    panel = activeAdvPanel;
    MenuAnswer menus;
    menus.whileOpen = [&] {
        reply(halvorbeckStatus(none).replace("\"HALVORBECK2\"", "\"VASKEL4\""));
        EXPECT_FALSE(window->MotorSettinfsPopup->isVisible()) << "the menu goes with the panel";
    };
    clickFrame(200, 300, Qt::RightButton);
    EXPECT_EQ(activeAdvPanel, nullptr);
}

TEST_F(AdvPanelTest, ReopenedWithoutAReplyItShowsTheLastReportedValuesNotTheDefaults) {
    // During a move no status is asked for: the panel opened then must not show 1 everywhere,
    // or the user would take those for the focuser's values and record them in a preset.
    openPanel();
    MotorValues off;
    off.values[7] = "0";
    replyAndRequeue(halvorbeckStatus(off, {"Newton", "SCT 8", "Refr."}));
    clickFrame(735, 38);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    click(window->advSettingsButton, window->advSettingsButton->rect().center());
    panel = activeAdvPanel;
    ASSERT_TRUE(panel);
    EXPECT_EQ(positions(), (std::array<int, 7>{4, 7, 5, 3, 6, 2, 1}));
    EXPECT_EQ(panel->holdMotorText, "OFF");
    EXPECT_EQ(panel->presetNames, (std::array<QString, 3>{"Newton", "SCT 8", "Refr."}));

    // Another connection's values are not this one's.
    clickFrame(735, 38);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->OpenCloseButtonLabelClick(nullptr); // the link lost
    ASSERT_FALSE(serialLink);
    click(window->advSettingsButton, window->advSettingsButton->rect().center());
    panel = activeAdvPanel;
    ASSERT_TRUE(panel);
    EXPECT_EQ(positions(), (std::array<int, 7>{1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(panel->holdMotorText, "ON");
}

TEST_F(AdvPanelTest, KeysTypedWhileOpenStayOffTheControlsItCovers) {
    auto& w = open();
    w.SetFocuserType(ftHalvorbeck);
    w.show();
    QApplication::setActiveWindow(&w);
    w.StepInput->setFocus();
    CreateSerialLink(QStringLiteral("FAKE"), w, clock);
    click(w.advSettingsButton, QPoint(5, 5));
    panel = activeAdvPanel;
    QTest::keyClick(w.windowHandle(), Qt::Key_Tab);
    QTest::keyClick(w.windowHandle(), '7');
    EXPECT_EQ(w.StepInput->text(), "1");
    // A run started on the focuser covers the panel a while; the keyboard stays with the panel.
    reply(halvorbeckStatus().replace(R"("CAL_STATUS":"stop")", R"("CAL_STATUS":"exec")"));
    reply(R"({"res":{"get":{"MOT1":{"CAL_STATUS":"stop"}}}})");
    EXPECT_EQ(w.focusWidget(), panel.data());
    QTest::keyClick(w.windowHandle(), Qt::Key_Escape); // as the close box
    EXPECT_EQ(activeAdvPanel, nullptr);
    EXPECT_EQ(w.focusWidget(), w.StepInput) << "back where it was";
}

TEST_F(AdvPanelTest, WithoutALinkNothingIsSentButThePanelFollowsTheUser) {
    openPanel();
    serialLink->ReleaseLater(); // the focuser went away while the panel was open
    ASSERT_FALSE(serialLink);
    port.line().takeWritten();

    THalvorbeckAdvTrack* run = panel->trackSpeedRun;
    press(run, bar(column(6)));
    release(run, bar(column(6)));
    EXPECT_EQ(run->position, 6);

    MenuAnswer menus;
    menus.choice = window->OffItem;
    clickFrame(600, 510);
    EXPECT_EQ(panel->holdMotorText, "OFF");
    clickFrame(100, 100);
    clickFrame(100, 280);
    EXPECT_TRUE(port.line().written.isEmpty());
    EXPECT_EQ(activeAdvPanel, panel.data()) << "a disconnection does not close the panel";
}

TEST_F(AdvPanelTest, CaptionsAreTranslatedWhenPaintedButSliderLabelsAreNot) {
    programFile(QStringLiteral("VaskelManager_IT.txt"),
                "\xEF\xBB\xBF"
                "Advanced settings=Impostazioni avanzate\r\nAcceleration=Accelerazione\r\n");
    openPanel();
    const QRect title(14 + 200, 20 + 10, 372, 40);
    const QRect label(0, 0, 90, 34);
    const QImage titleBefore = panel->grab(title).toImage();
    const QImage labelBefore = panel->trackSpeedAccel->grab(label).toImage();

    window->LanguageCombo->setCurrentIndex(window->LanguageCombo->findText(QStringLiteral("IT")));
    window->LanguageComboChange(window->LanguageCombo);
    ASSERT_EQ(TR(QStringLiteral("Advanced settings")), "Impostazioni avanzate");

    EXPECT_NE(panel->grab(title).toImage(), titleBefore);
    EXPECT_EQ(panel->trackSpeedAccel->grab(label).toImage(), labelBefore);
}

TEST_F(AdvPanelTest, ALongPresetNameStaysInsideItsBox) {
    openPanel();
    // Beside the first box: the frame between it and the second, and left of it.
    const QRect between(14 + 149, 20 + 252, 14, 34), left(14 + 40, 20 + 252, 13, 34);
    const QRect box(14 + 54, 20 + 252, 94, 34);
    const QImage betweenBefore = panel->grab(between).toImage();
    const QImage leftBefore = panel->grab(left).toImage();
    const QImage boxBefore = panel->grab(box).toImage();
    panel->SetPresetNames(QStringLiteral("Refractor with the heavy camera"), {}, {});
    EXPECT_NE(panel->grab(box).toImage(), boxBefore) << "the name is written";
    EXPECT_EQ(panel->grab(between).toImage(), betweenBefore);
    EXPECT_EQ(panel->grab(left).toImage(), leftBefore);
    // Whole in its tooltip, as it is.
    panel->SetPresetNames(QStringLiteral("Refractor <b>with</b> the heavy camera"), {}, {});
    QHelpEvent help(QEvent::ToolTip, frame(100, 300), panel->mapToGlobal(frame(100, 300)));
    QCoreApplication::sendEvent(panel, &help);
    QTextDocument tip;
    tip.setHtml(QToolTip::text());
    EXPECT_EQ(tip.toPlainText(), "Refractor <b>with</b> the heavy camera");
    QToolTip::hideText();
}

TEST_F(AdvPanelTest, SlidersPaintTheirValue) {
    openPanel();
    replyAndRequeue(halvorbeckStatus());
    const QImage accel = panel->trackSpeedAccel->grab().toImage(); // 4
    EXPECT_EQ(pixel(accel, column(4), 16), QColor(Qt::white)) << "the thumb";
    EXPECT_EQ(pixel(accel, 150, 16), kRed) << "the fill left of it";
    EXPECT_NE(pixel(accel, column(4) + 20, 16), kRed);
    const QImage hold = panel->trackCurrentHold->grab().toImage(); // 1: nothing filled
    for (int x = 141; x < 292; x += 3)
        EXPECT_NE(pixel(hold, x, 16), kRed) << x;

    // For review: the panel over the window, a box highlighted.
    moveTo(panel, frame(200, 300));
    const QString dir = qEnvironmentVariable("CALVETTA_RENDER_DIR");
    if (!dir.isEmpty())
        window->grab().save(QDir(dir).filePath(QStringLiteral("advanced-panel.png")));
}
