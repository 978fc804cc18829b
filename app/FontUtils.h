#pragma once
// Makes the interface font available to the program's windows.

#include <QString>

// True when the family is among the font families the program can use (case ignored).
bool IsFontInstalled(const QString& family);

// When "Titillium Web" is missing, adds the embedded regular and bold faces (resources
// fontNormal and fontBold) as application fonts. Nothing is written to disk or to the user's
// session. Returns the number of faces added.
int InstallFonts();
