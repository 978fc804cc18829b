#include "emulator/FocuserModel.h"

#include <array>

namespace {

// Travels at 0.00003417 mm per step: 35.0 mm for the VASKEL4 (its 35 mm ruler), 25.0 mm for
// the VASKEL3, 15.0 mm for the older models; the SCT motor unit's 128000 steps.
const std::array<ModelTraits, 5>& allTraits() {
    static const std::array<ModelTraits, 5> traits{{
        {QStringLiteral("VASKEL4"), 1024290, true, false, 6000.0, 15000.0},
        {QStringLiteral("VASKEL3"), 731636, false, false, 6000.0, 15000.0},
        {QStringLiteral("VASKEL2"), 438982, false, false, 5000.0, 12000.0},
        {QStringLiteral("Vaskel"), 438982, false, false, 4000.0, 10000.0},
        {QStringLiteral("HALVORBECK2"), 128000, false, true, 800.0, 4000.0},
    }};
    return traits;
}

} // namespace

const ModelTraits& traitsOf(FocuserModel model) {
    return allTraits()[static_cast<std::size_t>(model)];
}

std::optional<FocuserModel> modelFromName(const QString& name) {
    const auto& traits = allTraits();
    for (std::size_t i = 0; i < traits.size(); ++i) {
        if (traits[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<FocuserModel>(i);
    }
    return std::nullopt;
}

QStringList modelNames() {
    QStringList names;
    for (const auto& t : allTraits())
        names.append(t.name);
    return names;
}
