#pragma once
// The main window shown in the Halvorbeck view with the advanced panel opened by its button,
// linked to a fake port on a clock that never moves: the first request waits for its reply
// for ever, so every later one stays in the queue where the link put it.

#include "../window/WindowFixture.h"
#include "advanced/HalvorbeckAdvPanel.h"
#include "serial/TickClock.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <array>
#include <functional>

namespace advtest {

// The motor members of a status reply, as JSON values; an empty one is left out.
struct MotorValues {
    // FnRUN_ACC, FnRUN_SPD, FnRUN_DEC, FnRUN_CURR_ACC, FnRUN_CURR_SPD, FnRUN_CURR_DEC,
    // FnRUN_CURR_HOLD, HOLDCURR_STATUS
    std::array<QString, 8> values{"4", "7", "5", "3", "6", "2", "1", "1"};
};

// A complete status reply of a Halvorbeck focuser.
inline QByteArray halvorbeckStatus(const MotorValues& motor = {},
                                   const std::array<QString, 3>& names = {"Newton", "SCT 8", ""}) {
    static const char* keys[8] = {"FnRUN_ACC",       "FnRUN_SPD",      "FnRUN_DEC",
                                  "FnRUN_CURR_ACC",  "FnRUN_CURR_SPD", "FnRUN_CURR_DEC",
                                  "FnRUN_CURR_HOLD", "HOLDCURR_STATUS"};
    QString mot1 = QStringLiteral(R"("ABS_POS":120000,"CAL_STATUS":"stop","CAL_MAXPOS":731636)");
    for (int i = 0; i < 8; ++i)
        if (!motor.values[i].isEmpty())
            mot1 += QStringLiteral(R"(,"%1":%2)").arg(QLatin1String(keys[i]), motor.values[i]);
    QString presets;
    for (int n = 1; n <= 9; ++n)
        presets += QStringLiteral(R"("PRESET_%1":{"NAME":"","M1POS":0},)").arg(n);
    for (int n = 1; n <= 3; ++n)
        presets += QStringLiteral(R"("RUNPRESET_%1":{"RP_NAME":"%2"},)").arg(n).arg(names[n - 1]);
    presets.chop(1);
    return QStringLiteral(R"({"res":{"get":{"WIFI":{"SSID":"HALVORBECK2_77","PWD":"vega"},)"
                          R"("MOT1":{%1},"SWVERS":{"SWAPP":"1.3","SWWEB":"2.1"},"EXT_T":8.4,)"
                          R"("VIN_12V":12.3,"DIMLEDS":"low","MODNAME":"HALVORBECK2",%2}}})")
        .arg(mot1, presets)
        .toUtf8();
}

// Answers the popup menus that open while it lives: notes which menu opened where, then
// chooses `choice` in it (or closes it when there is none).
class MenuAnswer {
public:
    MenuAnswer() {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        timer.start();
    }
    QAction* choice = nullptr;
    std::function<void()> whileOpen; // runs in the menu's own event loop
    QList<QMenu*> shown;
    QList<QPoint> shownAt;

private:
    void poll() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        shown.append(menu);
        shownAt.append(menu->pos());
        if (whileOpen)
            whileOpen();
        if (choice && menu->actions().contains(choice)) {
            menu->setActiveAction(choice);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
    }
    QTimer timer;
};

} // namespace advtest

class AdvancedTest : public WindowTest {
protected:
    static inline const QString kBusy = QStringLiteral(R"({"req":"busy"})");
    static inline const QString kTail = QStringLiteral(R"({"req":"tail"})");

    void TearDown() override {
        WindowTest::TearDown();
        EXPECT_EQ(activeAdvPanel, nullptr) << "the panel goes with the window";
    }

    // Shows the window, links it (unless told not to) and opens the panel with its button.
    THalvorbeckAdvPanel& openPanel(bool linked = true) {
        auto& w = open();
        w.SetFocuserType(ftHalvorbeck);
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        if (linked) {
            CreateSerialLink(QStringLiteral("FAKE"), w, clock);
            occupyLink();
        }
        click(w.advSettingsButton, w.advSettingsButton->rect().center());
        EXPECT_NE(activeAdvPanel, nullptr);
        panel = activeAdvPanel;
        // Away from the button, onto the dimmed area, so that no box starts highlighted.
        moveTo(panel, QPoint(3, 3));
        return *panel;
    }

    // One request waits for its reply and one is queued behind it: urgent requests go in
    // front of `kTail`, normal ones behind it.
    void occupyLink() {
        serialLink->EnqueueCommand(kBusy);
        serialLink->EnqueueCommand(kTail);
        port.line().takeWritten();
    }
    QStringList queued() const {
        QStringList list;
        for (const QString& r : serialLink->queue())
            list.append(r);
        return list;
    }

    // Pointer actions at a point of a widget, delivered to the window as the system would.
    QPoint inWindow(QWidget* target, QPoint p) const { return target->mapTo(window.get(), p); }
    void moveTo(QWidget* target, QPoint p) {
        QTest::mouseMove(window->windowHandle(), inWindow(target, p));
    }
    void press(QWidget* target, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        moveTo(target, p);
        QTest::mousePress(window->windowHandle(), b, {}, inWindow(target, p));
    }
    void release(QWidget* target, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(window->windowHandle(), b, {}, inWindow(target, p));
    }
    void click(QWidget* target, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        // The press may destroy the target (the close box): the release goes to the place.
        const QPoint at = inWindow(target, p);
        QTest::mouseMove(window->windowHandle(), at);
        QTest::mousePress(window->windowHandle(), b, {}, at);
        QTest::mouseRelease(window->windowHandle(), b, {}, at);
    }
    // A point of the dialog frame, in panel coordinates.
    static QPoint frame(int a, int b) { return QPoint(14 + a, 20 + b); }
    void clickFrame(int a, int b, Qt::MouseButton button = Qt::LeftButton) {
        click(panel, frame(a, b), button);
    }

    // A status reply arriving on the line.
    void reply(const QByteArray& text) {
        port.line().receive(text);
        pumpEvents(3);
    }

    ScopedFakePort port{QStringLiteral("FAKE")};
    ManualClock clock;
    QPointer<THalvorbeckAdvPanel> panel;
};
