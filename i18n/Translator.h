#pragma once
// The language dictionary: English texts are the keys, one plain-text file per language
// ("VaskelManager_XX.txt") beside the executable supplies the translations.

#include <QString>
#include <QStringList>

// The languages offered to the user and the one chosen at start.
struct LanguageList {
    QStringList codes; // two upper-case letters each, in the order they are offered
    int selected = -1;
};

class TLangTranslator {
public:
    // Language files are looked for in `directory`; empty means the executable's directory.
    explicit TLangTranslator(QString directory = {});

    // Lists the language files and loads the dictionary of `defaultLang` when it has one;
    // otherwise `defaultLang` is offered first and the built-in English texts stay.
    LanguageList ScanLanguages(const QString& defaultLang);

    // Replaces the dictionary with the file of `lang`; empty (English) when it cannot be read.
    void SelectLanguage(const QString& lang);

    // The translation of `s`; `s` itself when the dictionary has none, an empty one, or one
    // whose %1 ... placeholders are not those of `s`.
    QString TR(const QString& s) const;

    const QStringList& dictionary() const { return dictionary_; }
    QString directory() const;

private:
    QString languageFilePath(const QString& lang) const;

    QString directory_;
    QStringList dictionary_;
};

// The one dictionary of the program; TR below translates through it.
void setProgramTranslator(TLangTranslator* translator);
TLangTranslator* programTranslator();

// Translates through the program's dictionary; unchanged when there is none.
QString TR(const QString& s);
