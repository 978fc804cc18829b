#pragma once
// Makes the interface font available to the program's windows.

#include <QString>

// True when the family is among the font families the program can use (case ignored).
bool IsFontInstalled(const QString& family);

// Starts reading the system's font configuration on a thread of its own, to be called first
// thing: it takes as long as connecting to the display, which then goes on beside it. The
// first use of fonts (InstallFonts) waits for it. Does nothing where the system has no
// fontconfig.
void prepareFontConfiguration();

// When "Titillium Web" is missing, adds the embedded regular and bold faces (resources
// fontNormal and fontBold) as application fonts. Nothing is written to disk or to the user's
// session. Returns the number of faces added.
int InstallFonts();
