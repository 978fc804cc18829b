// The virtual handpad: steps, fast steps, GO and STOP; the position field, the draw tube and the
// slider thumb; the choice of units.

#include "controls/VaskelControls.h"
#include "i18n/Translator.h"
#include "protocol/PositionRules.h"
#include "protocol/Requests.h"
#include "window/FocuserWin.h"
#include "window/LayoutGeometry.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <optional>

using namespace position;

namespace {
// What a line edit keeps beside its text: its own margin on each side, and the cursor.
constexpr int kLineEditMargin = 3;
} // namespace

void TVaskelWindow::HandpadButtonClick(TSimpleBitmapButton* sender) {
    if (!serialLink)
        return;
    const bool steps = StepsCheck->isChecked();
    const std::int64_t a = stepAmount(StepInput->text(), steps);
    const int p = lastMotorPosition;
    std::optional<int> sent;
    auto gotoTarget = [this, &sent](int t) {
        // Reckoned from a position this focuser has not reported, a step could send it
        // anywhere; the status request below brings the position.
        if (!positionReported)
            return;
        serialLink->EnqueueCommand(request::verboseTimeGoto(t));
        motorMoving = true;
        lastMoveNewsT = clock->tickCount();
        sent = t;
    };
    switch (sender->Tag) {
    case 0:
        gotoTarget(stepTarget(p, -a));
        break;
    case 1:
        gotoTarget(stepTarget(p, a));
        break;
    case 2:
        gotoTarget(stepTarget(p, -10 * a));
        break;
    case 3:
        gotoTarget(stepTarget(p, 10 * a));
        break;
    case 4:
        // Moves clicked before STOP and still waiting behind a slow reply would run after the
        // stop, and the stop itself would wait behind them: they are dropped, and the stop
        // goes out first.
        serialLink->DropQueued(request::startsMove);
        serialLink->EnqueueUrgentCommand(request::motorStop());
        motorMoving = false;
        break;
    case 5:
        // During a move the field shows where the motor passes, not a target: GO pressed again
        // without a new target typed or dragged would stop the move short there.
        if (motorMoving && !CurrentPositionEdit->isModified())
            break;
        gotoTarget(goTarget(CurrentPositionEdit->text(), steps, p, maxFocuserDist));
        break;
    default:
        break;
    }
    // A typed or dragged target is sent or given up with any button. The field shows the target
    // that went out, or else the position last reported: a status reply finding the motor where
    // it stood redraws nothing, and the target given up would stand as the position.
    if (CurrentPositionEdit->isModified()) {
        if (sender->Tag == 5 && sent)
            ShowPosition(*sent);
        else
            DropTypedTarget();
    }
    // A move may have released the link (a failed write disconnects).
    RequestStatus();
}

void TVaskelWindow::ShowPosition(int s) {
    SetPositionText(formatPosition(s, StepsCheck->isChecked()));
}

void TVaskelWindow::SetPositionText(const QString& text) {
    // A number wider than the field showed only its end, which read as another number
    // ("7483647" for 2147483647, a positive one for -12345678): it is drawn smaller instead.
    QFont font = interfaceFont(layout::kPositionFontHeight, true);
    const int room = CurrentPositionEdit->width() - 2 * kLineEditMargin;
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPixelSize(font.pixelSize() - 1);
    CurrentPositionEdit->setFont(font);
    CurrentPositionEdit->setText(text);
}

void TVaskelWindow::ShowReportedPosition(int s) {
    // A thumb being dragged stays under the pointer; the reports of a running move would pull
    // it back to the motor five times a second.
    if (posTracking)
        return;
    // The reports of a running move come five times a second and would write over a target
    // half typed, which GO would then send, or over part of the number selected to be typed
    // over. A whole number selected stays selected: written over, the digits typed next ran on
    // after the position ("312500" and "1000" made the far end).
    QLineEdit* field = CurrentPositionEdit;
    const bool wholeSelected = field->hasSelectedText() && field->selectedText() == field->text();
    const bool editing = field->isModified() || (field->hasSelectedText() && !wholeSelected);
    if (!(field->hasFocus() && editing)) {
        ShowPosition(s);
        if (field->hasFocus() && wholeSelected)
            field->selectAll();
    }
    PlacePositionGraphics(s);
}

void TVaskelWindow::DropTypedTarget() {
    if (!CurrentPositionEdit->isModified())
        return;
    // Until this focuser has reported where it stands, the position kept is another session's.
    if (serialLink && positionReported)
        ShowPosition(lastMotorPosition);
    else
        SetPositionText(QStringLiteral("---"));
    if (serialLink)
        PlacePositionGraphics(lastMotorPosition); // a dragged thumb goes back as well
}

void TVaskelWindow::PlacePositionGraphics(int s) {
    placedTravel = maxFocuserDist;
    FocuserOpticImage->move(layout::kTubeLeftMin + tubeOffset(s, maxFocuserDist),
                            FocuserOpticImage->y());
    TrackerThumb->move(layout::kThumbLeftMin + thumbOffset(s, maxFocuserDist), TrackerThumb->y());
}

void TVaskelWindow::TrackerThumbMouseDown(int x) {
    if (!serialLink)
        return;
    posTracking = true;
    posTrackingX = x;
    TrackerThumb->grabMouse();
    // The target is picked into the position field, which then holds it as a typed one:
    // Return sends it, Escape drops it, and a running move does not write over it.
    CurrentPositionEdit->setFocus(Qt::MouseFocusReason);
}

void TVaskelWindow::TrackerThumbMouseMove(int x) {
    if (!posTracking)
        return;
    const int left = std::clamp(TrackerThumb->x() + x - posTrackingX, layout::kThumbLeftMin,
                                layout::kThumbLeftMin + layout::kThumbTravel);
    TrackerThumb->move(left, TrackerThumb->y());
    const int s = positionAtThumbOffset(left - layout::kThumbLeftMin, maxFocuserDist);
    PlacePositionGraphics(s);
    ShowPosition(s);
    CurrentPositionEdit->setModified(true);
}

void TVaskelWindow::TrackerThumbMouseUp() {
    if (posTracking)
        TrackerThumb->releaseMouse();
    posTracking = false;
}

void TVaskelWindow::OnChangeRadioClick(QRadioButton* sender) {
    if (sender == StepsCheck) {
        StepInput->setText(stepInputInSteps(StepInput->text()));
        StepLabel->setText(TR(QStringLiteral("STEP")));
    } else if (sender == MmCheck) {
        StepInput->setText(stepInputInMillimetres(StepInput->text()));
        StepLabel->setText(TR(QStringLiteral("MM")));
    }
    // The position field still reads in the unit left: GO pressed before the next reply took
    // 10000 steps for 10000 mm, the far end. A target typed in it is given up, as the reply
    // would give it up.
    if ((sender == StepsCheck || sender == MmCheck) && serialLink && positionReported) {
        ShowPosition(lastMotorPosition);
        PlacePositionGraphics(lastMotorPosition);
    }
    ForcePositionRedraw();
    RequestStatus();
}
