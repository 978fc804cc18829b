// The language files shipped with the program: their format, that every text the program
// shows has a translation, that names and accelerators survive translation, and that the
// translated captions fit where they are drawn.

#include "TestUtil.h"
#include "i18n/Translator.h"

#include <QDir>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QRawFont>
#include <QSet>
#include <QStringDecoder>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const QString kLanguageDir = QStringLiteral(CALVETTA_LANGUAGE_DIR);
const QStringList kLanguages = {"IT", "DE", "FR", "ES"};
const std::vector<std::string> kLanguageParams = [] {
    std::vector<std::string> codes;
    for (const QString& code : kLanguages)
        codes.push_back(code.toStdString());
    return codes;
}();

// Every English text the program looks up. "MM" and "mm" are one key for the dictionary.
const QStringList kMainWindowKeys = {
    "CALIBRATION",
    "UPGRADE",
    "ADV.SETTINGS",
    "GO",
    "STOP",
    "CANCEL",
    "Connect",
    "Disconnect",
    "Calibrating",
    "STEP",
    "MM",
    "Virtual Handpad",
    "Enviromental and power data",
    "Settings",
    "POSITION",
    "FW",
    "Language",
    "External temperature",
    "Internal temperature",
    "Power supply from 12V DC",
    "Power supply from USB",
    "LED lights",
    "Travel",
    "Temperature",
    "WiFi password",
    "mm",
    "steps",
    "&Go to preset position",
    "Re&name",
    "&Record current position",
    "&Delete",
    "O&ff",
    "&Low",
    "&Middle",
    "&On",
    "New name",
    "Preset name",
    "Record preset",
    "Rename preset",
    "Do you want to change the current WiFi password?",
    "New password",
    "Change WiFi password",
    "The password cannot be empty - password not changed",
    "The password has characters the focuser cannot take - password not changed",
    "The name has characters the focuser cannot take - preset not changed",
    "The focuser was disconnected - preset not changed",
    "The focuser was disconnected - password not changed",
    "Start calibration now?",
    "Some files needed for the update are missing:",
    "Please add the missing files before trying again",
    "Unable to start firmware upgrade: is \"esptool.exe\" installed?",
    "Unable to start firmware upgrade: is \"esptool\" installed?",
    "Upgrade in progress: wait until completed then reconnect.",
    "Choose the focuser's port before upgrading the firmware",
    "Select firmware to start upgrade",
    "Firmware FW files (*.fw)",
    "%1 has finished.",
    "%1 has failed (exit status %2).",
    "Press Enter to close this window.",
    "Night vision"};
const QStringList kCalibrationPanelKeys = {"Start Calibration", "Set ZERO position",
                                           "Move out (!CAUTION!)", "Stop Motor and Set max limit"};
const QStringList kWizardKeys = {"< PREVIOUS",
                                 "NEXT >",
                                 "CLOSE",
                                 "Welcome to the configuration wizard",
                                 "Calibration sequence",
                                 "Configuration step 1",
                                 "Turn the focuser clockwise until it stops",
                                 "Configuration step 2",
                                 "Install the HALVORBECK 2",
                                 "Configuration completed",
                                 "Configuration completed.",
                                 "Click CLOSE to continue.",
                                 "The focuser was disconnected - calibration not completed"};
const QStringList kAdvancedPanelKeys = {
    "Advanced settings", "Quick settings", "Light and Fast", "Medium", "Heavy and Slow", "Speed",
    "Current",           "Hold",           "motor"};
// The history window, its compensation and the tooltip of the environmental panel.
const QStringList kHistoryKeys = {
    "Session history", "Click to show the session history", "External", "Internal",
    "Supply voltage", "Focuser position", "Temperature compensation", "Coefficient", "Source",
    "Dead band", "Maximum per step", "FIT", "APPLY", "Compensation log", "Compensation is off",
    "Waiting for a temperature reading",
    "Waiting until the focuser has been left alone for 10 seconds",
    "Now %1, at the last focus %2", "Focus reference %1 at %2 steps", "%1: moved %2 steps to %3",
    "%1 not reached, stopped at %2", "%1: held at the end of the travel", "The history file cannot be written: %1",
    "The session history cannot be shown: %1", "%1 is missing",
    "History file: %1", "History file: %1 (rows not written: %2)",
    "Too few focus positions: %1 found, at least %2 over %3 are needed.",
    "Fit over %1 focus positions", "Quality: R\u00B2 %1, scatter %2 steps"};
// The LED levels as the device reports them, upper-cased before they are looked up.
const QStringList kLedLevelKeys = {"OFF", "LOW", "MIDDLE", "ON"};
// Why a port or the firmware reader could not be opened.
const QStringList kOpenErrorKeys = {
    "Cannot open %1: the port is in use by another program. Close that program and try again.",
    "Cannot open %1: permission denied, and no group of users may open it. Give your user "
    "access to it (sudo chmod a+rw %1) and try again.",
    "Cannot open %1: permission denied. To use it, add your user to the %2 group "
    "(sudo usermod -aG %2 $USER) and log in again.",
    "Cannot open %1: permission denied or the port is in use. To use serial ports, add your "
    "user to the dialout group (sudo usermod -aG dialout $USER) and log in again.",
    "Cannot open %1: permission denied or the port is in use.",
    "Cannot open %1: no such port.",
    "Cannot open %1: %2",
    "Firmware packages cannot be read: %1",
    "Cannot open %1: it is not a serial port."};
// Why a firmware package cannot be unpacked.
const QStringList kPackageKeys = {
    "The firmware package cannot be used: %1",
    "its entry \"%1\" has a path longer than %2 characters.",
    "its entry \"%1\" has an absolute path.",
    "its entry \"%1\" has a double quote in its name.",
    "its entry \"%1\" points outside the folder it is unpacked into.",
    "its entry \"%1\" has a colon in its path.",
    "its entry \"%1\" names a device of the system.",
    "its entry \"%1\" would be written through a link.",
    "its entry \"%1\" holds more than its declared size.",
    "its entry \"%1\" declares no size.",
    "it holds %1 entries, more than %2.",
    "unpacked it would take more than %1 MiB.",
    "Cannot create the folder %1.",
    "Cannot create the folder %1: a file has that name.",
    "Cannot write %1: a folder has that name.",
    "Cannot write %1: %2",
    "The folder %1 is a link to another place; it is not used.",
    "Cannot use %1: it is not a folder.",
    "Cannot create the folder %1, where the package is unpacked: the program's folder must be "
    "writable.",
    "%1 stays in the folder %2, where it would be taken for an image of the new firmware. Close "
    "the program that uses it (a flashing tool still running), or delete it, then try again."};

QStringList allKeys() {
    return kMainWindowKeys + kCalibrationPanelKeys + kWizardKeys + kAdvancedPanelKeys +
           kLedLevelKeys + kHistoryKeys + kOpenErrorKeys + kPackageKeys;
}

// Translations that may rightly read as the English (letter case aside), by language.
const QHash<QString, QStringList> kSameAsEnglish = {
    {"mm", kLanguages},         // the unit symbol
    {"MM", kLanguages},         // shares the line of "mm"
    {"FW", kLanguages},         // firmware, abbreviated alike everywhere
    {"STOP", {"IT"}},           // the word on Italian devices too
    {"POSITION", {"DE", "FR"}}, // the same word there
    {"motor", {"ES"}},          // likewise
    {"Coefficient", {"FR"}}};   // likewise

// Captions written in capitals in English stay in capitals.
const QStringList kCapitalKeys = {
    "CALIBRATION", "UPGRADE",    "ADV.SETTINGS", "GO",    "STOP", "CANCEL", "STEP",   "POSITION",
    "FW",          "< PREVIOUS", "NEXT >",       "CLOSE", "OFF",  "LOW",    "MIDDLE", "ON",
    "FIT",         "APPLY"};

// Popup menus whose items are translated, each needing distinct accelerators.
const QList<QStringList> kMenus = {
    {"&Go to preset position", "Re&name", "&Record current position", "&Delete"},
    {"O&ff", "&Low", "&Middle", "&On"}};

// Parts of the English that are names or marks and stay as they are.
const QList<std::pair<QString, QString>> kKeptParts = {
    {"Unable to start firmware upgrade: is \"esptool.exe\" installed?", "\"esptool.exe\""},
    {"Unable to start firmware upgrade: is \"esptool\" installed?", "\"esptool\""},
    {"Firmware FW files (*.fw)", "(*.fw)"}, // the file dialog's pattern
    {"Power supply from 12V DC", "12V DC"},
    {"Power supply from USB", "USB"},
    {"WiFi password", "WiFi"},
    {"Change WiFi password", "WiFi"},
    {"Do you want to change the current WiFi password?", "WiFi"},
    {"Install the HALVORBECK 2", "HALVORBECK 2"},
    {"Set ZERO position", "ZERO"},
    {"Move out (!CAUTION!)", "(!"},
    {"Move out (!CAUTION!)", "!)"},
    {kOpenErrorKeys[1], "(sudo chmod a+rw %1)"},
    {kOpenErrorKeys[2], "(sudo usermod -aG %2 $USER)"},
    {kOpenErrorKeys[3], "(sudo usermod -aG dialout $USER)"},
    {kOpenErrorKeys[6], "%2"},
    {"%1 has failed (exit status %2).", "%2"}};

// Where a text is drawn: font cell height, weight, and the widest it may be.
struct Room {
    QString key;
    int cellHeight;
    bool bold;
    int maxWidth;
    QString suffix = {}; // drawn right after the text on the same line
};
const QList<Room> kRooms = {
    // Image buttons: a caption wider than the button less 10 pixels wraps.
    {"CALIBRATION", 26, false, 115},
    {"UPGRADE", 26, false, 115},
    {"ADV.SETTINGS", 26, false, 115},
    {"GO", 26, false, 59},
    {"STOP", 26, false, 111},
    {"CANCEL", 26, false, 102}, // also on the wizard's 112-pixel buttons
    {"< PREVIOUS", 26, false, 102},
    {"NEXT >", 26, false, 102},
    {"CLOSE", 26, false, 102},
    // Calibration bars: centred on the 345-pixel picture, clear of the icon at the bar's left.
    {"Start Calibration", 26, false, 230},
    {"Set ZERO position", 26, false, 230},
    {"Move out (!CAUTION!)", 26, false, 230},
    {"Stop Motor and Set max limit", 26, false, 230},
    // Text buttons of 61 pixels.
    {"Connect", 16, false, 61},
    {"Disconnect", 16, false, 61},
    {"Language", 16, false, 61},
    // Labels of the main window.
    {"STEP", 22, false, 114},
    {"POSITION", 22, false, 73},
    {"FW", 18, false, 37},
    {"Virtual Handpad", 24, true, 205},
    {"Virtual Handpad", 18, false, 174, " v10.20.30"}, // the web version line
    {"Enviromental and power data", 24, true, 411},
    {"Settings", 24, true, 205},
    {"External temperature", 20, false, 160},
    {"Internal temperature", 20, false, 160},
    {"Power supply from 12V DC", 20, false, 160},
    {"Power supply from USB", 20, false, 160},
    // Row captions of the settings group, up to the value beside them.
    {"LED lights", 18, false, 72},
    {"Travel", 18, false, 79},
    {"Temperature", 18, false, 79},
    {"WiFi password", 18, false, 81},
    // The units beside their radio buttons, each on half of a 96-pixel panel.
    {"mm", 18, false, 31},
    {"steps", 18, false, 31},
    {"OFF", 22, false, 98},
    {"LOW", 22, false, 98},
    {"MIDDLE", 22, false, 98},
    {"ON", 22, false, 98},
    // Wizard step titles above the 345-pixel page.
    {"Welcome to the configuration wizard", 22, true, 345},
    {"Calibration sequence", 22, true, 345},
    {"Configuration step 1", 22, true, 345},
    {"Configuration step 2", 22, true, 345},
    {"Configuration completed", 22, true, 345},
    // Advanced settings panel: the title clear of the close box, captions inside their boxes,
    // "Hold" and "motor" left of the hold-motor box.
    {"Advanced settings", 34, true, 670},
    {"Quick settings", 26, false, 296},
    {"Light and Fast", 26, false, 296},
    {"Medium", 26, false, 296},
    {"Heavy and Slow", 26, false, 296},
    {"Speed", 26, false, 309},
    {"Current", 26, false, 309},
    {"Hold", 26, false, 67},
    {"motor", 26, false, 67},
    // History window: buttons, the compensation's switch, row captions left of their fields,
    // the sources beside their radio buttons.
    {"FIT", 20, false, 102},
    {"APPLY", 20, false, 102},
    {"Temperature compensation", 20, true, 270},
    {"Coefficient", 18, false, 140},
    {"Source", 18, false, 140},
    {"Dead band", 18, false, 140},
    {"Maximum per step", 18, false, 140},
    {"External", 18, false, 60},
    {"Internal", 18, false, 60}};

QString filePath(const QString& code) {
    return QDir(kLanguageDir).filePath("VaskelManager_" + code + ".txt");
}

// The interface font at a cell height (ascent plus descent), as the program draws it.
QFont interfaceFontAt(int cellHeight, bool bold) {
    QFont reference(QStringLiteral("Titillium Web"));
    reference.setPixelSize(100);
    const qreal cellPer100 = QFontMetricsF(reference).height();
    QFont font(QStringLiteral("Titillium Web"));
    font.setPixelSize(qRound(cellHeight * 100.0 / cellPer100));
    font.setBold(bold);
    return font;
}

class LanguageFile : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        translator.SelectLanguage(code());
        ASSERT_FALSE(translator.dictionary().isEmpty()) << qPrintable(filePath(code()));
    }
    QString code() const { return QString::fromStdString(GetParam()); }
    QString tr(const QString& key) const { return translator.TR(key); }
    bool mayEqualEnglish(const QString& key) const {
        return kSameAsEnglish.value(key).contains(code());
    }

    TLangTranslator translator{kLanguageDir};
};

} // namespace

TEST(LanguageFiles, TheKeyListIsComplete) {
    const QStringList keys = allKeys();
    EXPECT_EQ(keys.size(),
              85 + 1 + 4 + kHistoryKeys.size() + kOpenErrorKeys.size() + kPackageKeys.size())
        << "the program's texts, night vision, the LED levels, the history, the open and "
           "package errors";
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
}

TEST(LanguageFiles, EveryShippedLanguageIsOfferedAfterEnglish) {
    TLangTranslator translator(kLanguageDir);
    const LanguageList list = translator.ScanLanguages("EN");
    EXPECT_EQ(list.codes, (QStringList{"EN", "DE", "ES", "FR", "IT"}));
    EXPECT_EQ(list.selected, 0);
}

TEST_P(LanguageFile, IsUtf8WithByteOrderMarkAndCrLfLines) {
    const QByteArray bytes = readFile(filePath(code()));
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.endsWith("\r\n")) << "the last line is ended too";
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "lone LF at byte " << i;
        }
        if (bytes[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at byte " << i;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes.mid(3));
    EXPECT_FALSE(utf8.hasError());
    EXPECT_FALSE(text.contains(QChar::ReplacementCharacter));
}

TEST_P(LanguageFile, EveryLineIsACommentOrAKnownKeyOnce) {
    const QStringList keys = allKeys();
    QHash<QString, int> linesPerKey; // by the key in lower case, as the look-up matches
    for (const QString& line : translator.dictionary()) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            // A translation that lost its "=" would be ignored without a trace.
            EXPECT_TRUE(line.isEmpty() || line.startsWith(u';')) << qPrintable(line);
            continue;
        }
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        EXPECT_TRUE(keys.contains(key)) << "unknown key: [" << qPrintable(key) << "]";
        EXPECT_FALSE(value.isEmpty()) << qPrintable(key);
        EXPECT_TRUE(value == value.trimmed()) << "blanks around the value of " << qPrintable(key);
        ++linesPerKey[key.toLower()];
    }
    for (auto it = linesPerKey.cbegin(); it != linesPerKey.cend(); ++it)
        EXPECT_EQ(it.value(), 1) << "lines for " << qPrintable(it.key());
    EXPECT_FALSE(linesPerKey.contains(QStringLiteral("  calvetta")));
}

TEST_P(LanguageFile, TranslatesEveryTextTheProgramShows) {
    for (const QString& key : allKeys()) {
        const QString text = tr(key);
        EXPECT_FALSE(text.isEmpty()) << qPrintable(key);
        const bool same = text.compare(key, Qt::CaseInsensitive) == 0;
        if (mayEqualEnglish(key)) {
            EXPECT_TRUE(same) << "stale exception for " << qPrintable(key) << ": "
                              << qPrintable(text);
        } else {
            EXPECT_FALSE(same) << "untranslated: " << qPrintable(key);
        }
    }
    EXPECT_TRUE(tr("MM") == tr("mm")) << qPrintable(tr("MM"));
}

TEST_P(LanguageFile, KeepsNamesMarksAndCapitals) {
    for (const auto& [key, part] : kKeptParts)
        EXPECT_TRUE(tr(key).contains(part)) << qPrintable(key) << " -> " << qPrintable(tr(key));
    for (const QString& key : kCapitalKeys)
        EXPECT_TRUE(tr(key) == tr(key).toUpper()) << qPrintable(tr(key));
    // The closing page names the button by its translated caption.
    EXPECT_TRUE(tr("Click CLOSE to continue.").contains(tr("CLOSE")))
        << qPrintable(tr("Click CLOSE to continue."));
    EXPECT_TRUE(tr("Configuration completed.") == tr("Configuration completed") + u'.')
        << qPrintable(tr("Configuration completed."));
}

TEST_P(LanguageFile, MenuItemsHaveDistinctAccelerators) {
    for (const QStringList& menu : kMenus) {
        QSet<QChar> letters;
        for (const QString& key : menu) {
            const QString text = tr(key);
            const qsizetype amp = text.indexOf(u'&');
            ASSERT_GE(amp, 0) << qPrintable(text);
            EXPECT_EQ(text.indexOf(u'&', amp + 1), -1) << qPrintable(text);
            ASSERT_LT(amp + 1, text.size()) << qPrintable(text);
            const QChar letter = text[amp + 1].toLower();
            EXPECT_TRUE(letter.isLetter()) << qPrintable(text);
            EXPECT_FALSE(letters.contains(letter))
                << "accelerator used twice: " << qPrintable(text);
            letters.insert(letter);
        }
    }
}

TEST_P(LanguageFile, CaptionsFitWhereTheyAreDrawn) {
    const QString family = QFontInfo(interfaceFontAt(26, false)).family();
    ASSERT_TRUE(family == QStringLiteral("Titillium Web"))
        << "measured with " << qPrintable(family);
    for (const Room& room : kRooms) {
        const QString text = tr(room.key) + room.suffix;
        const qreal width =
            QFontMetricsF(interfaceFontAt(room.cellHeight, room.bold)).horizontalAdvance(text);
        EXPECT_LE(width, room.maxWidth) << qPrintable(text);
    }
}

TEST_P(LanguageFile, EveryLetterIsInTheInterfaceFont) {
    // A letter the font lacks is drawn from another font, out of place among the rest.
    for (bool bold : {false, true}) {
        const QRawFont font = QRawFont::fromFont(interfaceFontAt(20, bold));
        ASSERT_TRUE(font.familyName() == QStringLiteral("Titillium Web"));
        for (const QString& key : allKeys()) {
            for (char32_t c : tr(key).toUcs4())
                EXPECT_TRUE(font.supportsCharacter(c))
                    << qPrintable(tr(key)) << " U+" << std::hex << static_cast<unsigned>(c);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFile, ::testing::ValuesIn(kLanguageParams),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });
