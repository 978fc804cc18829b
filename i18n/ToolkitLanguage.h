#pragma once
// The toolkit's own texts in the program's language: the buttons and captions of the standard
// dialogs (messages, questions, text inputs, the file dialog), where the system has the
// toolkit's translations for that language.

#include <QString>

// Puts the toolkit's texts into the language of `code` (two letters, any case), replacing the
// language chosen before; English for "EN", an empty code, or a language whose translations
// are not installed. True when a translation is in use.
bool useToolkitLanguage(const QString& code);
