#include "history/Compensation.h"

#include "history/HistoryFile.h"
#include "protocol/PositionRules.h"

#include <algorithm>
#include <cmath>

namespace history {

namespace {

const QString kEnabledKey = QStringLiteral("TempCompensation");
const QString kCoefficientKey = QStringLiteral("TempCompCoefficient");
const QString kSourceKey = QStringLiteral("TempCompSource");
const QString kDeadBandKey = QStringLiteral("TempCompDeadBand");
const QString kMaxStepKey = QStringLiteral("TempCompMaxStep");

bool within(int v, int a, int b) {
    return v >= std::min(a, b) && v <= std::max(a, b);
}

} // namespace

bool applyCompensationSetting(CompensationSettings& settings, const QString& key,
                              const QString& value) {
    const CompensationSettings defaults;
    if (key == kEnabledKey) {
        settings.enabled = value == QLatin1String("Y");
    } else if (key == kCoefficientKey) {
        const auto v = parseDecimal(value);
        settings.coefficient =
            v && validCoefficient(*v) ? *v : defaults.coefficient;
    } else if (key == kSourceKey) {
        if (value.compare(QLatin1String("Internal"), Qt::CaseInsensitive) == 0)
            settings.source = TemperatureSource::Internal;
        else
            settings.source = TemperatureSource::External;
    } else if (key == kDeadBandKey) {
        const auto v = parseDecimal(value);
        settings.deadBand =
            v && validDeadBand(*v) ? *v : defaults.deadBand;
    } else if (key == kMaxStepKey) {
        bool ok = false;
        const int v = value.toInt(&ok);
        settings.maxStep = ok && validMaxStep(v) ? v : defaults.maxStep;
    } else {
        return false;
    }
    return true;
}

QStringList compensationSettingLines(const CompensationSettings& settings) {
    const CompensationSettings defaults;
    QStringList lines;
    if (settings.enabled != defaults.enabled)
        lines.append(kEnabledKey + (settings.enabled ? QStringLiteral("=Y") : QStringLiteral("=N")));
    if (settings.coefficient != defaults.coefficient)
        lines.append(kCoefficientKey + u'=' + plainDecimal(settings.coefficient, 4));
    if (settings.source != defaults.source)
        lines.append(kSourceKey + QStringLiteral("=Internal"));
    if (settings.deadBand != defaults.deadBand)
        lines.append(kDeadBandKey + u'=' + plainDecimal(settings.deadBand, 4));
    if (settings.maxStep != defaults.maxStep)
        lines.append(kMaxStepKey + u'=' + QString::number(settings.maxStep));
    return lines;
}

void TemperatureCompensation::setSettings(const CompensationSettings& settings) {
    if (settings.source != settings_.source) {
        smoothed_.reset(); // another sensor: nothing of the old one carries over
        recentReadings_ = 0;
        reference_.reset();
    }
    if (settings.enabled && !settings_.enabled)
        needsReference_ = true; // switching on never corrects what happened while off
    settings_ = settings;
    if (!settings_.enabled)
        state_ = State::Off;
    else if (state_ == State::Off)
        state_ = State::NoReading; // until the next reading
}

void TemperatureCompensation::userCommand(std::uint32_t tick) {
    lastActivity_ = tick;
    settleOwnMove(false); // what moves next is the user's doing
}

void TemperatureCompensation::settleOwnMove(bool mayGoOn) {
    if (!ownTarget_)
        return;
    // Short of its target (a link lost with the goto still queued, a request the focuser
    // dropped): the focus is where the focuser stands, and what was not moved stays owed.
    if (lastPosition_ != ownTarget_) {
        if (lastPosition_ && reference_ && previousReference_ && settings_.coefficient != 0) {
            reference_ = *previousReference_ +
                         static_cast<double>(*lastPosition_ - *ownFrom_) / settings_.coefficient;
            cutOff_ = CutOff{*lastPosition_, *ownTarget_, mayGoOn};
        } else {
            needsReference_ = true;
        }
    }
    ownTarget_.reset();
}

bool TemperatureCompensation::followCutOff(int position) {
    if (!cutOff_)
        return false;
    const CutOff cut = *std::exchange(cutOff_, std::nullopt);
    if (position == cut.seenAt) {
        shortfall_ = Decision{Decision::FellShort, cut.seenAt, cut.target};
        return false;
    }
    // The goto went on in the focuser unseen (a click came first, the link was lost and found
    // again) or slowly: what it moved is the compensation's, not a refocus. Anywhere else, the
    // focuser was moved by somebody.
    const bool onItsWay =
        position == cut.target || (cut.mayGoOn && within(position, cut.seenAt, cut.target));
    if (!onItsWay || !reference_ || settings_.coefficient == 0)
        return false;
    *reference_ += static_cast<double>(position - cut.seenAt) / settings_.coefficient;
    if (position != cut.target)
        cutOff_ = CutOff{position, cut.target, true};
    return true;
}

bool TemperatureCompensation::quietAt(std::uint32_t tick) const {
    return !lastActivity_ || tick - *lastActivity_ >= kIdleMs;
}

void TemperatureCompensation::followFocuser(std::size_t focuser) {
    if (focuser_ == focuser)
        return;
    // Another focuser, maybe parked where the last one stood: neither its sensor's temperature
    // nor its focus follows from the last one's. The same one connected again keeps its focus,
    // and what the air did meanwhile is corrected.
    if (focuser_) {
        smoothed_.reset();
        recentReadings_ = 0;
        lastPosition_.reset();
        ownTarget_.reset();
        cutOff_.reset();
        needsReference_ = true;
    }
    focuser_ = focuser;
}

void TemperatureCompensation::takePosition(int position, std::uint32_t tick) {
    const bool followed = followCutOff(position);
    const bool own = followed || (ownTarget_ && within(position, *ownFrom_, *ownTarget_));
    if (lastPosition_ && position != *lastPosition_) {
        lastActivity_ = tick;
        if (own) {
            lastChangeOwn_ = true;
        } else {
            needsReference_ = true; // somebody refocused: that is the new focus
            ownTarget_.reset();
        }
    }
    lastPosition_ = position;
}

void TemperatureCompensation::takeReading(double celsius, std::uint32_t tick) {
    // The median of the last three readings: a single wild one (a probe that resets reads 85
    // degrees once, and one just powered up with the focuser at its first reading) would move
    // the focuser, and back again as it fades. Readings that begin afresh (another focuser or
    // sensor, the start) are smoothed from the third on; after a silence the two before it
    // still count, or its first reading would be taken alone.
    const bool three = recentReadings_ == 2;
    const double reading = three ? std::max(std::min(recent_[0], recent_[1]),
                                            std::min(std::max(recent_[0], recent_[1]), celsius))
                                 : celsius;
    recent_ = {recent_[1], celsius};
    recentReadings_ = std::min(recentReadings_ + 1, 2);
    if (!three)
        return;
    if (!smoothed_ || tick - smoothedAt_ > kStaleMs) {
        smoothed_ = reading;
    } else {
        const double dt = static_cast<double>(tick - smoothedAt_);
        *smoothed_ += (1 - std::exp(-dt / kSmoothingMs)) * (reading - *smoothed_);
    }
    smoothedAt_ = tick;
}

TemperatureCompensation::Decision TemperatureCompensation::sample(const Sample& s) {
    lastChangeOwn_ = false;
    followFocuser(s.focuser);
    if (s.calibrating || s.busy)
        lastActivity_ = s.tick;
    if (s.position)
        takePosition(*s.position, s.tick);
    if (ownTarget_ && (lastPosition_ == ownTarget_ || s.tick - ownSentAt_ > kOwnMoveMs))
        settleOwnMove(true);
    if (s.temperature)
        takeReading(*s.temperature, s.tick);

    if (!settings_.enabled) {
        state_ = State::Off;
        return {};
    }
    if (!s.temperature || !smoothed_ || !s.position) {
        state_ = State::NoReading;
        return {};
    }
    if (!quietAt(s.tick)) {
        state_ = State::Busy;
        return {};
    }
    state_ = State::Watching;
    return correction(*s.position, s.travelSteps, s.tick);
}

TemperatureCompensation::Decision TemperatureCompensation::correction(int position, int travelSteps,
                                                                      std::uint32_t tick) {
    Decision d;
    d.from = d.to = position;
    if (needsReference_ || !reference_) {
        reference_ = smoothed_;
        needsReference_ = false;
        catchingUp_ = false;
        d.kind = Decision::Reference;
        d.reference = *reference_;
        return d;
    }

    // One goto at a time: the next waits until this one has arrived or is given up, or what
    // this one left owed would be forgotten with it.
    if (ownTarget_ || cutOff_)
        return d;
    const double change = *smoothed_ - *reference_;
    // A correction cut short by the per-step limit is finished even inside the dead band.
    if (std::abs(change) <= settings_.deadBand && !catchingUp_)
        return d;
    const int wanted = position::roundHalfEven(settings_.coefficient * change);
    const int step = std::clamp(wanted, -settings_.maxStep, settings_.maxStep);
    catchingUp_ = step != wanted;
    if (wanted == 0)
        return d;
    const std::int64_t travel = std::max(0, travelSteps);
    const int target =
        static_cast<int>(std::clamp<std::int64_t>(std::int64_t(position) + step, 0, travel));
    const std::int64_t moved = std::int64_t(target) - position;
    d.change = change;
    previousReference_ = reference_;
    // Held to the travel: a focuser already beyond it is never brought back by a big jump.
    if (moved == 0 || (moved > 0) != (step > 0) || std::abs(moved) > settings_.maxStep) {
        reference_ = smoothed_;
        catchingUp_ = false;
        d.kind = Decision::HeldAtTravelEnd;
        d.reference = *reference_;
        return d;
    }
    // What was not moved (the per-step limit) stays owed to the next step.
    *reference_ += static_cast<double>(moved) / settings_.coefficient;
    ownFrom_ = position;
    ownTarget_ = target;
    ownSentAt_ = tick;
    lastActivity_ = tick;
    d.kind = Decision::Move;
    d.to = target;
    d.reference = *reference_;
    return d;
}

void TemperatureCompensation::linkLost() {
    settleOwnMove(true);
    if (cutOff_)
        cutOff_->mayGoOn = true;
    if (state_ != State::Off)
        state_ = State::NoReading;
}

void TemperatureCompensation::moveFailed() {
    reference_ = previousReference_;
    catchingUp_ = false;
    ownTarget_.reset();
}

} // namespace history
