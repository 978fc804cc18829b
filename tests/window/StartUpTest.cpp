// Start-up: the settings file in its formats, the stored language, and what is written back.

#include "WindowFixture.h"
#include "app/FontUtils.h"
#include "controls/VaskelControls.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStringEncoder>
#include <QWheelEvent>

// The list of the pictures the program decodes ahead is the window's: none is decoded for
// nothing (a stale list would cost the start time and memory it is there to save).
TEST_F(WindowTest, EveryPictureDecodedAheadIsTakenByTheWindow) {
    prefetchPictures(startPictures(), QGuiApplication::primaryScreen()->devicePixelRatio());
    open();
    EXPECT_EQ(endPicturePrefetch(), QStringList());
}

TEST_F(WindowTest, WithoutSettingsNoPortIsChosenAndTheLanguageIsEnglish) {
    ScopedFakePort com4(QStringLiteral("COM4"));
    auto& w = open();
    EXPECT_EQ(w.PortCombo->currentIndex(), -1);
    EXPECT_EQ(w.PortCombo->currentText(), "");
    EXPECT_GE(w.PortCombo->findText("COM4"), 0);
    EXPECT_EQ(w.LanguageCombo->currentText(), "EN");
    EXPECT_FALSE(serialTraceEnabled);
    EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath())
        << "the program's directory becomes the working directory";

    // One the toolkit cannot open (named in Latin-1) is said, not passed over.
    setExecutablePathForTesting(dir.filePath(QStringLiteral(u"T\uFFFDlescope/calvetta")));
    open();
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.messages.value(0).contains(QStringLiteral(u"T\uFFFDlescope")))
        << qPrintable(log.messages.join(u'|'));
}

TEST_F(WindowTest, StoredLanguageAndTraceApplyAndVanishAfterTheUserPicksALanguage) {
    italian();
    programFile("VaskelManager_DE.txt", "Settings=Einstellungen\r\n");
    writeSettings("[Calvetta]\r\nLang=IT\r\nSerialTrace=Y\r\n");
    const QByteArray before = settingsFile();
    auto& w = open();
    EXPECT_EQ(w.LanguageCombo->currentText(), "IT");
    EXPECT_EQ(w.SettingsGroupLabel->text(), "Impostazioni");
    EXPECT_TRUE(serialTraceEnabled);
    EXPECT_EQ(settingsFile(), before) << "start-up does not rewrite the settings";

    // Night vision, written in passing, keeps the trace; picking a language drops it.
    w.FormKeyDown(Qt::Key_F4);
    w.FormKeyDown(Qt::Key_F4);
    EXPECT_EQ(settingsFile(), QByteArray("Lang=IT\r\nSerialTrace=Y\r\n"));
    w.LanguageCombo->setCurrentIndex(w.LanguageCombo->findText("DE"));
    w.LanguageComboChange(w.LanguageCombo);
    EXPECT_EQ(settingsFile(), QByteArray("Lang=DE\r\n"));
    w.FormKeyDown(Qt::Key_F4);
    w.FormKeyDown(Qt::Key_F4);
    EXPECT_EQ(settingsFile(), QByteArray("Lang=DE\r\n")) << "and it stays dropped";
}

TEST_F(WindowTest, PortLinesSelectThePortWithOrWithoutAnIndex) {
    ScopedFakePort com4(QStringLiteral("COM4")), com7(QStringLiteral("COM7"));
    writeSettings("Port[2]=com4\r\n");
    EXPECT_EQ(open().PortCombo->currentText(), "COM4");
    writeSettings("Port[x]=COM4\r\n");
    EXPECT_EQ(open().PortCombo->currentIndex(), -1);
    writeSettings("port=COM4\r\n");
    EXPECT_EQ(open().PortCombo->currentIndex(), -1) << "keys are compared with letter case";
    writeSettings("Port=COM4\r\nPort=COM9\r\n");
    EXPECT_EQ(open().PortCombo->currentIndex(), -1) << "a later line wins, an unknown port clears";
    writeSettings("PortCombo=COM7\r\n");
    EXPECT_EQ(open().PortCombo->currentText(), "COM7") << "the key the program writes is read too";
}

TEST_F(WindowTest, TraceNeedsExactlyCapitalY) {
    writeSettings("SerialTrace=y\n");
    open();
    EXPECT_FALSE(serialTraceEnabled);
    writeSettings("SerialTrace = Y \n");
    open();
    EXPECT_TRUE(serialTraceEnabled);
}

TEST_F(WindowTest, SettingsFilesAreReadInEveryEncoding) {
    ScopedFakePort port(QStringLiteral(u"PORTÉ"));
    writeSettings("Port=PORT\xC9\r\n");
    EXPECT_EQ(open().PortCombo->currentText(), QStringLiteral(u"PORTÉ")) << "Windows-1252";
    writeSettings("\xEF\xBB\xBFPort=PORT\xC3\x89\n");
    EXPECT_EQ(open().PortCombo->currentText(), QStringLiteral(u"PORTÉ")) << "UTF-8 with a mark";
    QStringEncoder le(QStringEncoder::Utf16LE);
    writeSettings("\xFF\xFE" + QByteArray(le(QStringLiteral(u"Port=PORTÉ\r\n"))));
    EXPECT_EQ(open().PortCombo->currentText(), QStringLiteral(u"PORTÉ")) << "UTF-16 with a mark";
}

TEST_F(WindowTest, ChosenPortAndLanguageComeBackAtTheNextStart) {
    ScopedFakePort port(QStringLiteral(u"PORTÉ")), com3(QStringLiteral("COM3"));
    italian();
    {
        auto& w = open();
        w.PortCombo->setCurrentIndex(w.PortCombo->findText(QStringLiteral(u"PORTÉ")));
        w.LanguageCombo->setCurrentIndex(w.LanguageCombo->findText("IT"));
        w.LanguageComboChange(w.LanguageCombo);
    }
    EXPECT_EQ(settingsFile(), QByteArray("PortCombo=PORT\xC9\r\nLang=IT\r\n"));
    auto& again = open();
    EXPECT_EQ(again.PortCombo->currentText(), QStringLiteral(u"PORTÉ"));
    EXPECT_EQ(again.LanguageCombo->currentText(), "IT");
    EXPECT_EQ(again.OpenCloseButtonLabel->text(), "Connetti");
    for (QComboBox* list : {again.PortCombo, again.LanguageCombo}) // a wheel passing by
        for (const QString chosen = list->currentText(); int turn : {120, -120}) {
            QWheelEvent wheel({5, 5}, {5, 5}, {}, {0, turn}, {}, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(list, &wheel);
            EXPECT_EQ(list->currentText(), chosen);
        }
    again.PortCombo->setEditText(QStringLiteral("/tmp/ttyCALVETTA"));
    again.FormKeyDown(Qt::Key_F4);
    EXPECT_FALSE(settingsFile().contains("PortCombo")) << "a device typed over it is not it";
}

TEST_F(WindowTest, StoredLanguageWithoutItsFileIsIgnored) {
    writeSettings("Lang=FR\r\n");
    auto& w = open();
    EXPECT_EQ(w.LanguageCombo->currentText(), "EN");
    EXPECT_EQ(w.SettingsGroupLabel->text(), "Settings");
}

TEST(Fonts, InstalledFamilyIsFoundWhateverItsCaseAndNothingMoreIsAdded) {
    EXPECT_TRUE(IsFontInstalled("titillium web"));
    EXPECT_FALSE(IsFontInstalled("No Such Family 123"));
    EXPECT_EQ(InstallFonts(), 0);
    EXPECT_GT(QFontInfo(interfaceFont(20)).pixelSize(), 0);
    EXPECT_EQ(QFontInfo(interfaceFont(20)).family(), "Titillium Web");
}

// Started before the focuser is plugged in, or before the language files are copied beside it:
// night vision pressed meanwhile must not forget the port or the language the file names.
TEST_F(WindowTest, APortOrLanguageAbsentAtStartStaysInTheFileUntilTheUserChoosesAnother) {
    writeSettings("Port=COM4\r\nLang=IT\r\n");
    {
        auto& w = open();
        EXPECT_EQ(w.PortCombo->currentIndex(), -1);
        EXPECT_EQ(w.LanguageCombo->currentText(), "EN");
        w.FormKeyDown(Qt::Key_F4);
        w.FormKeyDown(Qt::Key_F4);
        EXPECT_EQ(settingsFile(), QByteArray("PortCombo=COM4\r\nLang=IT\r\n"));
    }

    // A later line naming no language leaves the earlier one in force, and so in the file.
    italian();
    writeSettings("Lang=IT\r\nLang=XX\r\n");
    auto& w = open();
    w.FormKeyDown(Qt::Key_F4);
    w.FormKeyDown(Qt::Key_F4);
    EXPECT_EQ(settingsFile(), QByteArray("Lang=IT\r\n"));

    // What the user chooses replaces what the file named.
    writeSettings("Port=COM4\r\nLang=XX\r\n");
    auto& again = open();
    again.PortCombo->setEditText(QStringLiteral("/tmp/ttyCALVETTA"));
    again.LanguageCombo->setCurrentIndex(again.LanguageCombo->findText("EN"));
    again.LanguageComboChange(again.LanguageCombo);
    EXPECT_EQ(settingsFile(), QByteArray("Lang=EN\r\n"));
}
