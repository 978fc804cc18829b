#pragma once
// The focuser models the emulator can be, and what sets them apart.

#include <QString>
#include <QStringList>
#include <optional>

enum class FocuserModel { Vaskel4, Vaskel3, Vaskel2, Vaskel, Halvorbeck2 };

struct ModelTraits {
    QString name;                   // MODNAME as the firmware reports it
    int nominalTravel;              // steps from the inner to the outer end of the draw tube
    bool endOfRangeSensor;          // HSENDET "1"
    bool halvorbeck;                // the motor unit for SCT focusers, calibrated by hand
    double stepsPerSecondPerSpeed;  // top speed for each unit of FnRUN_SPD
    double stepsPerSecond2PerAccel; // acceleration for each unit of FnRUN_ACC / FnRUN_DEC
};

const ModelTraits& traitsOf(FocuserModel model);

// The model whose name is `name` (letter case ignored); empty for an unknown name.
std::optional<FocuserModel> modelFromName(const QString& name);

// Every model name, in the order of the enumeration.
QStringList modelNames();
