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
// "PortCombo", then the language under "Lang".
QStringList settingsFileLines(const std::optional<QString>& selectedPort, const QString& language);
