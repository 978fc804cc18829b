#pragma once
// The advanced settings panel: an overlay over the main window's centre area where the
// Halvorbeck motor's speeds and currents are tuned, the quick settings and user motor presets
// are run and the hold current is switched. What it changes goes to the focuser at once; what
// it shows comes back in the status replies.

#include "controls/VaskelControls.h"

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

// One slider of the panel: a label, the value, a bar filled up to a round thumb. Dragging
// changes the value shown; the release sends it.
class THalvorbeckAdvTrack : public QWidget {
    Q_OBJECT
public:
    explicit THalvorbeckAdvTrack(QWidget* aowner = nullptr);

    // Places the slider on `par` so that (x, y) is the top-left corner of its bar and w x h the
    // bar's size, and sets its caption, key, value and range.
    void SetupAtPos(const QString& aParamName, QWidget* par, int x, int y, int w, int h,
                    const QString& text, int apos, int amin, int amax);

    QString labelText; // drawn at the left, never translated
    QString paramName; // the motor parameter the slider sets
    int mousePos = 0;  // value under the pointer at its last move
    int min = 0;
    int max = 0;
    bool dragging = false;
    int position = 0; // value shown, and sent on release
    // Replies, the one being handled included, that were asked for before the value went
    // out: they speak of the value the user just replaced.
    int repliesBeforeSent = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    bool pressedOnce = false; // a press has reached the slider itself
};

class THalvorbeckAdvPanel : public QWidget {
    Q_OBJECT
public:
    // Covers the whole of `aowner` (the window's centre area) and becomes activeAdvPanel.
    // Throws EResourceError when one of its pictures cannot be loaded.
    explicit THalvorbeckAdvPanel(QWidget* aowner);
    ~THalvorbeckAdvPanel() override;

    // The focuser's speeds, currents and hold-current switch from a status reply. A slider
    // being dragged keeps the user's value.
    void SetRuntimeParameters(int sa, int sr, int sd, int ca, int cr, int cd, int ch, int hs);
    // The names of the three user motor presets; shown at the next paint.
    void SetPresetNames(const QString& pn1, const QString& pn2, const QString& pn3);
    // Switches the hold current off (0) or on (anything else) and shows it at the next paint.
    void UpdateHoldMotor(int val);
    // A modal dialog took the pointer: a slider being dragged is let go of, its value unsent,
    // and shows the focuser's again from the next reply.
    void EndDrag();
    // A reply was handled: one fewer of those asked for before the user's values went out.
    void ReplyHandled();
    // Gone from sight and from activeAdvPanel at once; destroyed once the event being handled
    // (a press on it, a reply) is done with it.
    void Close();
    // The box under a point of the panel, or none (-1), drawn highlighted.
    void HighlightAt(const QPoint& pos);

    // The main window's menus, opened at a screen point: the one of a user preset box, and the
    // hold-motor one.
    std::function<void(const QPoint& globalPos)> showMotorSettingsPopup;
    std::function<void(const QPoint& globalPos)> showOnOffPopup;

    std::unique_ptr<TTolveBitmap> darkeningImage; // the dimmed window behind the dialog
    std::unique_ptr<TTolveBitmap> normalFrame;    // the dialog with every box in its normal look
    std::unique_ptr<TTolveBitmap> hiliteFrame;    // the same with every box highlighted
    int panelX = 0;                               // the frame's place in the panel
    int panelY = 0;
    int hilitedBtn = -1; // region under the pointer: -1 none, 0..6 boxes, 100 close box
    QString holdMotorText;
    std::array<QString, 3> presetNames;
    int selectedPreset = 0; // user preset (1..3) whose menu was opened last
    // As for a slider: replies asked for before the user's hold choice went out.
    int holdRepliesBeforeSent = 0;

    THalvorbeckAdvTrack* trackSpeedAccel = nullptr;
    THalvorbeckAdvTrack* trackSpeedRun = nullptr;
    THalvorbeckAdvTrack* trackSpeedDecel = nullptr;
    THalvorbeckAdvTrack* trackCurrentAccel = nullptr;
    THalvorbeckAdvTrack* trackCurrentRun = nullptr;
    THalvorbeckAdvTrack* trackCurrentDecel = nullptr;
    THalvorbeckAdvTrack* trackCurrentHold = nullptr;

    // The seven sliders in field order.
    std::array<THalvorbeckAdvTrack*, 7> tracks() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void pressAt(const QPoint& pos, Qt::MouseButton button);
    bool pressing_ = false; // a press is being handled: its menus run event loops of their own
    bool closed_ = false;
};

// The open advanced settings panel, or null.
extern THalvorbeckAdvPanel* activeAdvPanel;
