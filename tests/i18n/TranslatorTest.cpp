// The language dictionary: which files are offered, how they are read, how texts are found.

#include "TestUtil.h"
#include "i18n/Translator.h"

#include <QDir>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class TranslatorTest : public ::testing::Test {
protected:
    void file(const QString& name, const QByteArray& content) {
        writeFile(dir.filePath(name), content);
    }
    TLangTranslator translator{QString()};
    QTemporaryDir dir;
    void SetUp() override { translator = TLangTranslator(dir.path()); }
};

TEST_F(TranslatorTest, EnglishIsOfferedFirstWhenItHasNoFile) {
    file("VaskelManager_IT.txt", "Settings=Impostazioni\n");
    file("VaskelManager_de.txt", "Settings=Einstellungen\n");
    const LanguageList list = translator.ScanLanguages("EN");
    EXPECT_EQ(list.codes, (QStringList{"EN", "DE", "IT"}));
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(translator.TR("Settings"), "Settings");
}

TEST_F(TranslatorTest, DefaultLanguageWithAFileIsSelectedAndLoaded) {
    file("VaskelManager_en.txt", "Settings=Setup\n");
    file("VaskelManager_FR.txt", "Settings=Réglages\n");
    const LanguageList list = translator.ScanLanguages("EN");
    EXPECT_EQ(list.codes, (QStringList{"EN", "FR"}));
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(translator.TR("Settings"), "Setup");
}

TEST_F(TranslatorTest, OnlyExactPrefixSuffixAndTwoLetterCodesAreListed) {
    file("VaskelManager_ITA.txt", "");
    file("vaskelmanager_DE.txt", "");
    file("VaskelManager_FR.TXT", "");
    file("VaskelManager_E.txt", "");
    file("VaskelManager_es.txt", "");
    QDir(dir.path()).mkdir("VaskelManager_PT.txt");
    EXPECT_EQ(translator.ScanLanguages("EN").codes, (QStringList{"EN", "ES"}));
}

TEST_F(TranslatorTest, ListedCodeFindsItsFileWhateverTheCaseOfTheFileName) {
    file("VaskelManager_de.txt", "Travel=Verfahrweg\n");
    translator.ScanLanguages("EN");
    translator.SelectLanguage("DE");
    EXPECT_EQ(translator.TR("Travel"), "Verfahrweg");

    // A file beside one of the same code in other letters: one item, not two alike.
    file("VaskelManager_DE.txt", "Travel=Weg\n");
    EXPECT_EQ(translator.ScanLanguages("EN").codes, (QStringList{"EN", "DE"}));

    // A folder named as the code in the list's letters is not the language's file.
    file("VaskelManager_fr.txt", "Travel=Course\n");
    QDir(dir.path()).mkdir("VaskelManager_FR.txt");
    translator.SelectLanguage("FR");
    EXPECT_EQ(translator.TR("Travel"), "Course");
}

TEST_F(TranslatorTest, LookupIgnoresCaseAndNeedsTheEqualsRightAfterTheKey) {
    file("VaskelManager_IT.txt", "Settings=Impostazioni\r\nConnect =Connetti\rmm=millimetri\nMM=MILLI\n"
                                 "Disconnect=\nLabel=a=b\n");
    translator.SelectLanguage("IT");
    EXPECT_EQ(translator.TR("Settings"), "Impostazioni");
    EXPECT_EQ(translator.TR("SETTINGS"), "Impostazioni");
    EXPECT_EQ(translator.TR("Connect"), "Connect") << "a blank before = belongs to the key";
    EXPECT_EQ(translator.TR("MM"), "millimetri") << "the first matching line wins";
    EXPECT_EQ(translator.TR("Disconnect"), "Disconnect") << "an empty value leaves it untranslated";
    EXPECT_EQ(translator.TR("Label"), "a=b");
    EXPECT_EQ(translator.TR("Setting"), "Setting");
    EXPECT_EQ(translator.TR("Re&name"), "Re&name");
}

TEST_F(TranslatorTest, AValueWithOtherPlaceholdersThanItsKeyStaysEnglish) {
    file("VaskelManager_DE.txt", "Cannot open %1: no such port.=Port fehlt.\n"
                                 "%1: moved %2 steps to %3=%2 Schritte nach %3\n"
                                 "History file: %1=Verlauf: %1 (%1)\nGO=LOS %1\n");
    translator.SelectLanguage("DE");
    EXPECT_EQ(translator.TR("Cannot open %1: no such port."), "Cannot open %1: no such port.");
    EXPECT_EQ(translator.TR("%1: moved %2 steps to %3"), "%1: moved %2 steps to %3");
    EXPECT_EQ(translator.TR("History file: %1"), "Verlauf: %1 (%1)");
    EXPECT_EQ(translator.TR("GO"), "LOS %1") << "a text that takes no value is not looked at";
}

TEST_F(TranslatorTest, LastLineWithoutLineEndCounts) {
    file("VaskelManager_IT.txt", "GO=VAI\nSTOP=FERMA");
    translator.SelectLanguage("IT");
    EXPECT_EQ(translator.TR("STOP"), "FERMA");
}

TEST_F(TranslatorTest, FilesAreReadByTheirByteOrderMark) {
    file("VaskelManager_FR.txt", "\xEF\xBB\xBFTemperature=Temp\xC3\xA9rature\r\n");
    translator.SelectLanguage("FR");
    EXPECT_EQ(translator.TR("Temperature"), QStringLiteral(u"Température"));

    QStringEncoder le(QStringEncoder::Utf16LE), be(QStringEncoder::Utf16BE);
    file("VaskelManager_DE.txt", "\xFF\xFE" + QByteArray(le(QStringLiteral(u"Travel=Verfahrweg ä\r\n"))));
    translator.SelectLanguage("DE");
    EXPECT_EQ(translator.TR("Travel"), QStringLiteral(u"Verfahrweg ä"));

    file("VaskelManager_ES.txt", "\xFE\xFF" + QByteArray(be(QStringLiteral(u"Travel=Recorrido ñ\n"))));
    translator.SelectLanguage("ES");
    EXPECT_EQ(translator.TR("Travel"), QStringLiteral(u"Recorrido ñ"));
}

TEST_F(TranslatorTest, FileWithoutMarkIsWindows1252) {
    file("VaskelManager_FR.txt", "Temperature=Temp\xE9rature \x80\n");
    translator.SelectLanguage("FR");
    EXPECT_EQ(translator.TR("Temperature"), QStringLiteral(u"Température €"));
    file("VaskelManager_IT.txt", "Temperature=Temp\xC3\xA9rature\n"); // UTF-8 without its mark
    translator.SelectLanguage("IT");
    EXPECT_EQ(translator.TR("Temperature"), QStringLiteral(u"TempÃ©rature"));
}

TEST_F(TranslatorTest, MissingFileEmptiesTheDictionary) {
    file("VaskelManager_IT.txt", "GO=VAI\n");
    translator.SelectLanguage("IT");
    ASSERT_EQ(translator.TR("GO"), "VAI");
    translator.SelectLanguage("EN");
    EXPECT_TRUE(translator.dictionary().isEmpty());
    EXPECT_EQ(translator.TR("GO"), "GO");
}

TEST(ProgramTR, TranslatesThroughTheProgramDictionaryOrNotAtAll) {
    setProgramTranslator(nullptr);
    EXPECT_EQ(TR("GO"), "GO");
    QTemporaryDir dir;
    writeFile(dir.filePath("VaskelManager_IT.txt"), "GO=VAI\n");
    TLangTranslator t(dir.path());
    t.SelectLanguage("IT");
    setProgramTranslator(&t);
    EXPECT_EQ(TR("GO"), "VAI");
    setProgramTranslator(nullptr);
}
