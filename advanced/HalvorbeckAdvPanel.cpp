// The advanced settings panel and its sliders: drawing, pointer handling, the requests.

#include "advanced/HalvorbeckAdvPanel.h"

#include "advanced/AdvTrackRules.h"
#include "advanced/AdvancedGeometry.h"
#include "controls/OverlayFocus.h"
#include "controls/Theme.h"
#include "i18n/Translator.h"
#include "protocol/Requests.h"
#include "serial/SerInterface.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QtMath>
#include <algorithm>

using namespace advanced;

THalvorbeckAdvPanel* activeAdvPanel = nullptr;

namespace {

// The height of the panel's captions, the preset names among them.
constexpr int kCaptionFontHeight = 26;

// Every request of the panel jumps the queue; without a link nothing goes out.
void sendUrgent(const QString& request) {
    if (serialLink)
        serialLink->EnqueueUrgentCommand(request);
}

// Sends a value the user set; how many replies will still show the value before it.
int sendUsersValue(const QString& request) {
    const int before = serialLink ? int(serialLink->RepliesBeforeUrgent()) : 0;
    sendUrgent(request);
    return before;
}

// Counts a handled reply off those that come before the user's value went out.
void countReply(int& repliesBefore) { repliesBefore = std::max(repliesBefore - 1, 0); }

// The frame rectangle of a highlightable box, or null (none, or the close box).
const Rect* boxRect(int region) {
    if (region >= 0 && region <= 2)
        return &kQuickSettingBoxes[region];
    if (region >= 3 && region <= 5)
        return &kUserPresetBoxes[region - 3];
    if (region == 6)
        return &kHoldMotorBox;
    return nullptr;
}

// Text whose cell starts at (x, y), as the program writes on its pictures.
void textAt(QPainter& p, int x, int y, const QString& text) {
    p.drawText(x, y + p.fontMetrics().ascent(), text);
}

void centredAt(QPainter& p, int x, int y, const QString& text) {
    textAt(p, x - p.fontMetrics().horizontalAdvance(text) / 2, y, text);
}

// A user preset's name as its box shows it: on one line, and a long one cut short inside the
// box, never written over the next one.
QString shownPresetName(const QString& name) {
    return QFontMetrics(interfaceFont(kCaptionFontHeight))
        .elidedText(oneLineText(name), Qt::ElideRight, kUserPresetBoxes[0].width - 8);
}

int pointerX(const QMouseEvent* event) {
    return qFloor(event->position().x());
}

QPoint pointerAt(const QMouseEvent* event) {
    return {pointerX(event), qFloor(event->position().y())};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// THalvorbeckAdvTrack

THalvorbeckAdvTrack::THalvorbeckAdvTrack(QWidget* aowner) : QWidget(aowner) {
    // The value under the pointer is followed even before a press.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void THalvorbeckAdvTrack::SetupAtPos(const QString& aParamName, QWidget* par, int x, int y, int w,
                                     int h, const QString& text, int apos, int amin, int amax) {
    if (par != parentWidget())
        setParent(par);
    setGeometry(x - kSliderBarStart, y - 7, w + kSliderBarMargins, h + 16);
    labelText = text;
    position = apos;
    min = amin;
    max = amax;
    paramName = aParamName;
}

void THalvorbeckAdvTrack::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Every slider lies on the same groove and value plate: the frame's area under the first.
    if (auto* panel = qobject_cast<THalvorbeckAdvPanel*>(parentWidget());
        panel && panel->normalFrame) {
        matchDisplay(*panel->normalFrame, devicePixelRatio());
        drawBitmapPart(p, QPoint(0, 0), *panel->normalFrame,
                       QRect(kSliderBackgroundX, kSliderBackgroundY, width(), height()));
    }

    p.setFont(interfaceFont(18));
    p.setBackgroundMode(Qt::TransparentMode);
    p.setPen(theme::shown(Qt::white));
    textAt(p, 1, 7, labelText);

    const int thumbX = trackThumbX(position, width(), min, max);
    const QRect fill(QPoint(141, 9), QPoint(thumbX - 3, 22)); // empty at the lowest value
    if (fill.isValid())
        p.fillRect(fill, theme::shown(palette::kAccent));

    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(theme::shown(Qt::black), 1));
    p.setBrush(theme::shown(Qt::white));
    p.drawRoundedRect(QRectF(thumbX - 11.5, 4.5, 23, 23), 4, 4);
    p.setRenderHint(QPainter::Antialiasing, false);

    p.setPen(theme::shown(Qt::black));
    textAt(p, 95, 7, QString::number(position));
}

void THalvorbeckAdvTrack::mouseMoveEvent(QMouseEvent* event) {
    mousePos = trackValueAt(pointerX(event), width(), min, max);
    if (dragging && position != mousePos) {
        position = mousePos;
        update();
    }
}

void THalvorbeckAdvTrack::mousePressEvent(QMouseEvent* event) {
    const int x = pointerX(event);
    if (x < kSliderPressStart)
        return;
    // The value under the press itself: a slider that came up under a still pointer has had no
    // move yet, or only an old one.
    mousePos = trackValueAt(x, width(), min, max);
    pressedOnce = true;
    grabMouse();
    dragging = true;
    position = mousePos;
    update();
}

void THalvorbeckAdvTrack::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click counts only where the first one was: a double click
    // on the button that opens the panel must not set the slider that came up under it.
    if (pressedOnce)
        mousePressEvent(event);
}

void THalvorbeckAdvTrack::enterEvent(QEnterEvent* event) {
    // The panel sees no move over its sliders: the box it lit last is no longer under the
    // pointer (the hold box lies just below the hold slider).
    if (auto* panel = qobject_cast<THalvorbeckAdvPanel*>(parentWidget()))
        panel->HighlightAt(QPoint(-1, -1));
    QWidget::enterEvent(event);
}

void THalvorbeckAdvTrack::mouseReleaseEvent(QMouseEvent*) {
    if (!dragging)
        return;
    dragging = false;
    releaseMouse();
    // Sent even when unchanged: the user asked for this value.
    repliesBeforeSent = sendUsersValue(request::motorParameter(paramName, position));
}

// ---------------------------------------------------------------------------------------------
// THalvorbeckAdvPanel

THalvorbeckAdvPanel::THalvorbeckAdvPanel(QWidget* aowner) : QWidget(aowner) {
    // The pictures first: a panel that cannot be drawn is never announced as open.
    const qreal ratio = devicePixelRatio();
    darkeningImage = LoadResourceBitmap(QStringLiteral("halvorbeckDarkening"), ratio);
    normalFrame = LoadResourceBitmap(QStringLiteral("advancedMask"), ratio);
    hiliteFrame = LoadResourceBitmap(QStringLiteral("advancedMaskHi"), ratio);
    activeAdvPanel = this;

    // The owner is the window's centre area, the whole window below its title bar.
    setGeometry(0, 0, advanced::kPanelWidth, advanced::kPanelHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    holdKeyboardWhileShown(this);
    holdMotorText = QStringLiteral("ON");
    panelX = (width() - normalFrame->logicalSize.width()) / 2;
    panelY = (height() - normalFrame->logicalSize.height()) / 2;
    hilitedBtn = -1;

    struct Row {
        THalvorbeckAdvTrack* THalvorbeckAdvPanel::*field;
        const char* label;
        const char* param;
        int max;
    };
    static constexpr Row rows[7] = {
        {&THalvorbeckAdvPanel::trackSpeedAccel, "Acceleration", "FnRUN_ACC", 10},
        {&THalvorbeckAdvPanel::trackSpeedRun, "Run", "FnRUN_SPD", 10},
        {&THalvorbeckAdvPanel::trackSpeedDecel, "Deceleration", "FnRUN_DEC", 10},
        {&THalvorbeckAdvPanel::trackCurrentAccel, "Acceleration", "FnRUN_CURR_ACC", 10},
        {&THalvorbeckAdvPanel::trackCurrentRun, "Run", "FnRUN_CURR_SPD", 10},
        {&THalvorbeckAdvPanel::trackCurrentDecel, "Deceleration", "FnRUN_CURR_DEC", 10},
        {&THalvorbeckAdvPanel::trackCurrentHold, "Hold", "FnRUN_CURR_HOLD", 5},
    };
    for (int i = 0; i < 7; ++i) {
        auto* track = new THalvorbeckAdvTrack(this);
        track->SetupAtPos(QLatin1String(rows[i].param), this,
                          panelX + kSliderLeft + kSliderBarStart, panelY + kSliderTops[i] + 7,
                          kSliderBarEnd - kSliderBarStart, kSliderHeight - 16,
                          QLatin1String(rows[i].label), 1, 1, rows[i].max);
        this->*rows[i].field = track;
    }
}

THalvorbeckAdvPanel::~THalvorbeckAdvPanel() {
    if (activeAdvPanel == this)
        activeAdvPanel = nullptr;
}

std::array<THalvorbeckAdvTrack*, 7> THalvorbeckAdvPanel::tracks() const {
    return {trackSpeedAccel, trackSpeedRun,     trackSpeedDecel, trackCurrentAccel,
            trackCurrentRun, trackCurrentDecel, trackCurrentHold};
}

void THalvorbeckAdvPanel::SetRuntimeParameters(int sa, int sr, int sd, int ca, int cr, int cd,
                                               int ch, int hs) {
    const int values[7] = {sa, sr, sd, ca, cr, cd, ch};
    const auto all = tracks();
    for (int i = 0; i < 7; ++i) {
        if (!all[i]->dragging && all[i]->repliesBeforeSent == 0)
            all[i]->position = values[i];
        all[i]->update();
    }
    if (holdRepliesBeforeSent == 0)
        holdMotorText = hs == 0 ? QStringLiteral("OFF") : QStringLiteral("ON");
    update();
}

void THalvorbeckAdvPanel::EndDrag() {
    for (THalvorbeckAdvTrack* track : tracks()) {
        if (track->dragging)
            track->releaseMouse();
        track->dragging = false;
    }
}

void THalvorbeckAdvPanel::ReplyHandled() {
    for (THalvorbeckAdvTrack* track : tracks())
        countReply(track->repliesBeforeSent);
    countReply(holdRepliesBeforeSent);
}

void THalvorbeckAdvPanel::SetPresetNames(const QString& pn1, const QString& pn2,
                                         const QString& pn3) {
    presetNames = {pn1, pn2, pn3};
}

void THalvorbeckAdvPanel::UpdateHoldMotor(int val) {
    holdMotorText = val == 0 ? QStringLiteral("OFF") : QStringLiteral("ON");
    holdRepliesBeforeSent = sendUsersValue(request::holdCurrentStatus(val));
}

void THalvorbeckAdvPanel::paintEvent(QPaintEvent*) {
    for (TTolveBitmap* picture : {darkeningImage.get(), normalFrame.get(), hiliteFrame.get()})
        matchDisplay(*picture, devicePixelRatio());
    QPainter p(this);
    p.drawImage(0, 0, *darkeningImage);
    p.drawImage(panelX, panelY, *normalFrame);
    if (const Rect* box = boxRect(hilitedBtn))
        drawBitmapPart(p, QPoint(panelX + box->left, panelY + box->top), *hiliteFrame,
                       QRect(box->left, box->top, box->width, box->height));

    p.setBackgroundMode(Qt::TransparentMode);
    p.setPen(theme::shown(Qt::white));
    p.setFont(interfaceFont(34, true));
    centredAt(p, panelX + normalFrame->logicalSize.width() / 2, panelY + kTitleY,
              TR(QStringLiteral("Advanced settings")));

    p.setFont(interfaceFont(kCaptionFontHeight));
    centredAt(p, panelX + kQuickCaptionX, panelY + 97, TR(QStringLiteral("Light and Fast")));
    centredAt(p, panelX + kQuickCaptionX, panelY + 147, TR(QStringLiteral("Medium")));
    centredAt(p, panelX + kQuickCaptionX, panelY + 197, TR(QStringLiteral("Heavy and Slow")));
    // The section captions stand at a fixed place of the panel, whatever the frame's size.
    textAt(p, kFrameLeft + kSectionCaptionX, panelY + 61, TR(QStringLiteral("Speed")));
    textAt(p, kFrameLeft + kSectionCaptionX, panelY + 259, TR(QStringLiteral("Current")));
    textAt(p, panelX + kHoldCaptionX, panelY + 490, TR(QStringLiteral("Hold")));
    textAt(p, panelX + kHoldCaptionX, panelY + 508, TR(QStringLiteral("motor")));
    textAt(p, panelX + kQuickTitleX, panelY + kQuickTitleY, TR(QStringLiteral("Quick settings")));
    centredAt(p, panelX + kHoldStateX, panelY + kHoldStateY, holdMotorText);
    for (int i = 0; i < 3; ++i)
        centredAt(p, panelX + kPresetNameX0 + kPresetNameStep * i, panelY + kPresetNameY,
                  shownPresetName(presetNames[i]));
}

bool THalvorbeckAdvPanel::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    // The name cut short in its box shows whole in a tooltip: nowhere else can it be read.
    const auto* help = static_cast<QHelpEvent*>(event);
    const int region = regionAt(help->pos().x() - panelX, help->pos().y() - panelY);
    const QString name = region >= 3 && region <= 5 ? presetNames[region - 3] : QString();
    if (shownPresetName(name) != name)
        showPlainToolTip(help->globalPos(), name, this);
    else
        QToolTip::hideText();
    return true;
}

void THalvorbeckAdvPanel::Close() {
    if (activeAdvPanel == this)
        activeAdvPanel = nullptr;
    // Hidden at once, which hands the keyboard back.
    hide();
    closed_ = true;
    if (!pressing_)
        deleteLater();
    // A menu of the panel left open would act on a panel that is gone.
    else if (QWidget* menu = QApplication::activePopupWidget())
        menu->close();
}

void THalvorbeckAdvPanel::keyPressEvent(QKeyEvent* event) {
    // Escape leaves the panel as its close box does; it sends nothing.
    if (event->key() == Qt::Key_Escape)
        Close();
    else
        QWidget::keyPressEvent(event);
}

void THalvorbeckAdvPanel::HighlightAt(const QPoint& pos) {
    const int region = rect().contains(pos) ? regionAt(pos.x() - panelX, pos.y() - panelY) : -1;
    if (region != hilitedBtn) {
        hilitedBtn = region;
        update();
        // A preset's name shown whole belongs to the box the pointer has left.
        QToolTip::hideText();
    }
}

void THalvorbeckAdvPanel::mouseMoveEvent(QMouseEvent* event) {
    HighlightAt(pointerAt(event));
}

void THalvorbeckAdvPanel::leaveEvent(QEvent* event) {
    // Out of the window in one quick move: no move over the panel says so.
    HighlightAt(QPoint(-1, -1));
    QWidget::leaveEvent(event);
}

void THalvorbeckAdvPanel::mousePressEvent(QMouseEvent* event) {
    // A reply handled while a menu or a name dialog opened by the press is up may close the
    // panel; destroyed there, it was gone when the toolkit came back to it with the press.
    pressing_ = true;
    pressAt(pointerAt(event), event->button());
    pressing_ = false;
    if (closed_)
        deleteLater();
}

void THalvorbeckAdvPanel::pressAt(const QPoint& pos, Qt::MouseButton button) {
    // The box under the press itself: after a menu of the panel closed, the pointer stands
    // elsewhere with no move reported, and the box lit last would act in its place.
    HighlightAt(pos);
    if (button == Qt::RightButton) {
        if (hilitedBtn < 3 || hilitedBtn > 5)
            return;
        selectedPreset = hilitedBtn - 2;
        const Rect& box = kUserPresetBoxes[hilitedBtn - 3];
        // Below the box, at its left edge.
        if (showMotorSettingsPopup)
            showMotorSettingsPopup(
                mapToGlobal(QPoint(panelX + box.left, panelY + box.top + box.height)));
        return;
    }
    if (button != Qt::LeftButton && button != Qt::MiddleButton)
        return;
    switch (hilitedBtn) {
    case 0:
        sendUrgent(request::runPresetQuick(request::QuickSetting::Light));
        break;
    case 1:
        sendUrgent(request::runPresetQuick(request::QuickSetting::Medium));
        break;
    case 2:
        sendUrgent(request::runPresetQuick(request::QuickSetting::Slow));
        break;
    case 3:
    case 4:
    case 5:
        sendUrgent(request::runPresetLoad(hilitedBtn - 2));
        break;
    case 6:
        if (showOnOffPopup)
            showOnOffPopup(mapToGlobal(QPoint(panelX + kHoldMotorBox.left,
                                              panelY + kHoldMotorBox.top + kHoldMotorBox.height)));
        break;
    case kCloseRegion:
        Close();
        break;
    default:
        break;
    }
}

void THalvorbeckAdvPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    // The toolkit reports the second press of a double click as this event: the first press
    // acted already, and a preset or quick setting would go out twice.
    HighlightAt(pointerAt(event));
}

void THalvorbeckAdvPanel::mouseReleaseEvent(QMouseEvent*) {
    // Presses act; releases do nothing, and go no further than the panel.
}
