#pragma once
// Starting an outside program (the flashing tool) without waiting for it.

#include <QString>

// Starts the command line (program and arguments); true when it started. Where the desktop has
// a terminal, a console program gets a window of its own to show its progress in.
bool startOutsideProgram(const QString& commandLine);
