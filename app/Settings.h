#pragma once
// The settings file's line format: key = value, with an optional [index] after the key.

#include <QString>
#include <QStringList>
#include <optional>

struct SettingLine {
    QString key;    // trimmed; an indexed key reduced to its name
    QString value;  // trimmed
    int index = -1; // the index between brackets, -1 when the key had none
};

// Trims blanks and control characters from both ends.
QString trimBlanksAndControls(const QString& s);

// The setting a line holds, or nothing when the line is to be ignored (no "=", or an index
// that is not a whole number of 0 or more).
std::optional<SettingLine> parseSettingLine(const QString& line);

// The lines written to the settings file: the selected port (when one is selected) under
// "PortCombo", the language under "Lang", then "NightVision=Y" while night vision is on and
// "SerialTrace=Y" while the trace log is asked for.
QStringList settingsFileLines(const std::optional<QString>& selectedPort, const QString& language,
                              bool nightVision = false, bool serialTrace = false);

// Night vision from the value of its key: on for exactly "Y", the normal look for anything
// else, so that a damaged or foreign value never leaves the program hard to read.
bool nightVisionSetting(const QString& value);
