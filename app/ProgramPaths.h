#pragma once
// Where the program keeps the files that live beside its executable.

#include <QString>

// The executable's directory, with a trailing separator.
QString ProgramDirectory();

// The settings file: the executable's path with the extension ".ini" (Calvetta.exe gives
// Calvetta.ini, calvetta gives calvetta.ini).
QString settingsFilePath();

// Lets tests run the program as if its executable were `executablePath`; empty restores the
// real one.
void setExecutablePathForTesting(const QString& executablePath);
