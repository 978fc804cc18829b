// The UPGRADE button: package, check, disconnect, tool, message.

#include "../window/WindowFixture.h"
#include "ZipBuilder.h"
#include "window/FirmwarePackage.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <unistd.h>

namespace {

const QString kMissingHead = "Some files needed for the update are missing:\r\n\r\n";
const QString kMissingTail = "\r\n\r\nPlease add the missing files before trying again";

class UpgradeTest : public WindowTest {
protected:
    TVaskelWindow& connected() {
        auto& w = open();
        w.dialogs.openFile = [this](const QString& title, const QString& filter) {
            dialogsOpened.append(title + u'|' + filter);
            return chosen;
        };
        w.startProgram = [this](const QString& line) {
            started.append(line);
            portFreeAtStart = !serialLink && !port.line().open && !other.line().open;
            return toolStarts;
        };
        w.PortCombo->setCurrentText(QStringLiteral("FAKE"));
        w.OpenCloseButtonLabelClick(nullptr);
        w.PollEnableTimerTimer();
        return w;
    }
    void choosePackage(ZipBuilder zip) {
        chosen = dir.filePath("firmware.fw");
        zip.write(*chosen);
    }
    static QString commandLine(const QString& port, const QString& app = "Focuser_v2.1.bin") {
        const auto t = [](const QString& name) { return u'"' + firmware::tempPath(name) + u'"'; };
        return firmware::esptoolName() + " --chip esp32 --port " + port +
               " --baud 921600 --before default_reset --after hard_reset write_flash -z"
               " --flash_mode dio --flash_freq 80m --flash_size detect 0xe000 " +
               t("boot_app0.bin") + " 0x1000 " + t("bootloader_dio_80m.bin") + " 0x10000 " +
               t(app) + " 0x290000 " + t("Focuser_web_2.1.bin") + " 0x8000 " +
               t("focuser.partitions.bin");
    }
    bool stillConnected() { return serialLink && port.line().open && started.isEmpty(); }

    ScopedFakePort port{QStringLiteral("FAKE")};
    ScopedFakePort other{QStringLiteral("FAKE2")};
    std::optional<QString> chosen;
    QStringList dialogsOpened;
    QStringList started;
    bool portFreeAtStart = false;
    bool toolStarts = true;
};

} // namespace

TEST_F(UpgradeTest, NotConnectedOrCancelledDoesNothing) {
    auto& w = connected();
    w.OpenCloseButtonLabelClick(nullptr);
    choosePackage(ZipBuilder().completePackage());
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(dialogsOpened, QStringList());

    w.OpenCloseButtonLabelClick(nullptr);
    w.PollEnableTimerTimer();
    chosen.reset();
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(dialogsOpened,
              QStringList{"Select firmware to start upgrade|Firmware FW files (*.fw)"});
    EXPECT_FALSE(QFileInfo::exists("temp"));
    EXPECT_TRUE(stillConnected());
    EXPECT_EQ(log.messages, QStringList());
    EXPECT_EQ(errors, QStringList());
}

TEST_F(UpgradeTest, CompletePackageFreesThePortThenStartsTheTool) {
    auto& w = connected();
    QDir().mkpath("temp/keep");
    writeFile("temp/keep/note.txt", "kept");
    writeFile("temp/Focuser_v1.0.bin", "left over");
    choosePackage(ZipBuilder().completePackage());
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(started, QStringList{commandLine("FAKE")});
    EXPECT_TRUE(portFreeAtStart);
    EXPECT_FALSE(serialLink);
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connect");
    EXPECT_EQ(log.messages,
              QStringList{"Upgrade in progress: wait until completed then reconnect."});
    EXPECT_FALSE(QFileInfo::exists("temp/Focuser_v1.0.bin")) << "left-overs go before unpacking";
    EXPECT_EQ(readFile("temp/keep/note.txt"), "kept");
    EXPECT_EQ(readFile("temp/Focuser_v2.1.bin"), "app");
}

TEST_F(UpgradeTest, APackageChosenFromTheTempFolderIsKeptAndUnpacked) {
    auto& w = connected();
    QDir().mkpath("temp");
    chosen = QDir::current().absoluteFilePath("temp/firmware 2.1.fw");
    ZipBuilder().completePackage().write(*chosen);
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(errors, QStringList());
    EXPECT_EQ(started, QStringList{commandLine("FAKE")});
    EXPECT_TRUE(QFileInfo(*chosen).isFile()) << "the user's own copy of the package";
}

TEST_F(UpgradeTest, ALinkLostWhileTheDialogIsOpenIsNotReconnected) {
    auto& w = connected();
    choosePackage(ZipBuilder().completePackage());
    w.dialogs.openFile = [&](const QString&, const QString&) {
        port.line().failWrites = true;
        w.PollTimerTimer(); // the next poll finds the line gone
        return chosen;
    };
    w.UpgradeButtonClick(w.upgradeButton);
    ASSERT_EQ(started, QStringList{commandLine("FAKE")});
    EXPECT_TRUE(portFreeAtStart);
    EXPECT_FALSE(serialLink);
    EXPECT_FALSE(port.line().open);
    EXPECT_EQ(w.OpenCloseButtonLabel->text(), "Connect");
    EXPECT_EQ(log.messages,
              QStringList{"Upgrade in progress: wait until completed then reconnect."});
}

TEST_F(UpgradeTest, ToolThatCannotStartLeavesThePortReleased) {
    toolStarts = false;
    auto& w = connected();
    choosePackage(ZipBuilder().completePackage());
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(started.size(), 1);
    EXPECT_TRUE(portFreeAtStart);
    EXPECT_FALSE(serialLink);
    EXPECT_EQ(log.messages, QStringList{"Unable to start firmware upgrade: is \"" +
                                        firmware::esptoolName() + "\" installed?"})
        << "the message names the tool this system starts";
}

TEST_F(UpgradeTest, ThePortIsTheOneSelectedWhenUpgradeIsPressed) {
    auto& w = connected();
    w.PortCombo->setCurrentText(QStringLiteral("FAKE2"));
    choosePackage(ZipBuilder().completePackage());
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(started, QStringList{commandLine("FAKE2")});
    EXPECT_TRUE(portFreeAtStart);
}

TEST_F(UpgradeTest, TwoApplicationImagesUseTheFirstTheSearchReturns) {
    auto& w = connected();
    choosePackage(ZipBuilder().completePackage().file("Focuser_v2.2.bin", "newer"));
    w.UpgradeButtonClick(w.upgradeButton);
    QString first;
    ASSERT_TRUE(firmware::FindFirstMatch(firmware::tempPath("Focuser_v*.bin"), first));
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0], commandLine("FAKE", QFileInfo(first).fileName()));
}

TEST_F(UpgradeTest, MissingImagesAreListedAndTheConnectionStays) {
    auto& w = connected();
    choosePackage(ZipBuilder()
                      .file("bootloader_dio_80m.bin", "x")
                      .file("focuser.partitions.bin", "x")
                      .file("Focuser_web_2.1.bin", "x")
                      .file("images/Focuser_v2.1.bin", "x")
                      .file("images/boot_app0.bin", "x"));
    const bool root = ::geteuid() == 0; // run with sudo in a folder of the user's
    ASSERT_TRUE(!root || ::chown(QFile::encodeName(dir.path()).constData(), 65534, 65534) == 0);
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(log.messages,
              QStringList{kMissingHead + "boot_app0.bin, Focuser_v*.bin" + kMissingTail});
    EXPECT_TRUE(stillConnected());
    // The folder, the one inside it and the image: each made the user's.
    EXPECT_EQ(QFileInfo("temp/images/boot_app0.bin").ownerId(), root ? 65534u : ::geteuid());

    log.messages.clear();
    choosePackage(ZipBuilder()
                      .folder("firmware/")
                      .file("firmware/boot_app0.bin", "x")
                      .file("readme.txt", ""));
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(log.messages,
              QStringList{kMissingHead +
                          "boot_app0.bin, bootloader_dio_80m.bin, focuser.partitions.bin, "
                          "Focuser_web_*.bin, Focuser_v*.bin" +
                          kMissingTail});
    EXPECT_TRUE(stillConnected());
}

TEST_F(UpgradeTest, MessagesAreTranslated) {
    programFile("VaskelManager_IT.txt",
                "Some files needed for the update are missing:=Mancano dei file:\r\n"
                "Please add the missing files before trying again=Aggiungili e riprova\r\n"
                "Unable to start firmware upgrade: is \"esptool.exe\" installed?=Manca esptool\r\n"
                "Unable to start firmware upgrade: is \"esptool\" installed?=Manca esptool\r\n"
                "Select firmware to start upgrade=Scegli il firmware\r\n"
                "Firmware FW files (*.fw)=File FW (*.fw)\r\n"
                "The firmware package cannot be used: %1=Pacchetto inservibile: %1\r\n"
                "its entry \"%1\" has an absolute path.=\"%1\" ha un percorso assoluto.\r\n");
    writeSettings("Lang=IT\r\n");
    toolStarts = false;
    auto& w = connected();
    choosePackage(ZipBuilder().file("/etc/boot_app0.bin", "x"));
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(errors, QStringList{"Pacchetto inservibile: \"/etc/boot_app0.bin\" ha un percorso "
                                  "assoluto."});
    choosePackage(ZipBuilder().file("boot_app0.bin", "x"));
    w.UpgradeButtonClick(w.upgradeButton);
    choosePackage(ZipBuilder().completePackage());
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(log.messages, (QStringList{"Mancano dei file:\r\n\r\nbootloader_dio_80m.bin, "
                                         "focuser.partitions.bin, Focuser_web_*.bin, Focuser_v*.bin"
                                         "\r\n\r\nAggiungili e riprova",
                                         "Manca esptool"}));
    EXPECT_EQ(dialogsOpened.value(0), "Scegli il firmware|File FW (*.fw)");
}

TEST_F(UpgradeTest, BadArchivesReachTheErrorReportAndKeepTheConnection) {
    auto& w = connected();
    chosen = dir.filePath("junk.fw");
    writeFile(*chosen, "not a zip archive");
    w.UpgradeButtonClick(w.upgradeButton);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_FALSE(errors[0].isEmpty());
    EXPECT_TRUE(stillConnected());

    choosePackage(ZipBuilder().completePackage().file("../escaped.bin", "evil"));
    w.UpgradeButtonClick(w.upgradeButton);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[1].contains("../escaped.bin"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("escaped.bin")));
    EXPECT_FALSE(QFileInfo::exists("temp/boot_app0.bin"));
    EXPECT_TRUE(stillConnected());
    EXPECT_EQ(log.messages, QStringList());
}

TEST_F(UpgradeTest, AnEmptiedPortTextStartsNothingAndKeepsThePort) {
    auto& w = connected();
    w.PortCombo->setCurrentText(QString());
    choosePackage(ZipBuilder().completePackage());
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_TRUE(stillConnected());
    EXPECT_EQ(log.messages, QStringList{"Choose the focuser's port before upgrading the firmware"});
}

TEST_F(UpgradeTest, ATempFolderThatIsALinkIsRefusedAndWhatItPointsToKept) {
    auto& w = connected();
    writeFile("precious.bin", "kept");
    ASSERT_TRUE(QFile::link(QDir::currentPath(), "temp"));
    choosePackage(ZipBuilder().completePackage());
    w.UpgradeButtonClick(w.upgradeButton);
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.value(0).contains(
        QDir::toNativeSeparators(QDir::current().absoluteFilePath("temp"))));
    EXPECT_EQ(readFile("precious.bin"), "kept");
    EXPECT_FALSE(QFileInfo::exists("boot_app0.bin"));
    EXPECT_TRUE(stillConnected());
}

TEST_F(UpgradeTest, TheFileDialogShowsEachPackagesNameSizeTypeAndDateWhole) {
    writeFile(dir.filePath("Focuser firmware 2.1.fw"), QByteArray(610, 'x'));
    const QByteArray home = qgetenv("HOME"); // a place beside the list, shown by its name
    qputenv("HOME", QFile::encodeName(dir.filePath("Northern Observatory")));
    QDir(dir.path()).mkdir("Northern Observatory");
    QStringList cut;
    bool dateCut = true;
    QTimer::singleShot(0, [&] {
        auto* list = QApplication::activeModalWidget()->findChild<QTreeView*>("treeView");
        QAbstractItemView* places = list->window()->findChild<QListView*>("sidebar");
        (void)QTest::qWaitFor([&] { // the folder is read apart
            cut = {QString::number(list->model()->rowCount(list->rootIndex()) > 0)};
            for (int c = 0; c < list->header()->count(); ++c)
                cut << QString::number(list->header()->sectionSize(c) <
                                       static_cast<QAbstractItemView*>(list)->sizeHintForColumn(c));
            cut << QString::number(places->viewport()->width() < places->sizeHintForColumn(0));
            return cut == QStringList{"1", "0", "0", "0", "0", "0"};
        });
        // A folder too long for the list: the scroll bar that comes takes no column's room.
        QDir(dir.path()).mkdir("many");
        for (int i = 0; i < 40; ++i)
            writeFile(dir.filePath(QStringLiteral("many/%1.fw").arg(i)), "x");
        static_cast<QFileDialog*>(list->window())->setDirectory(dir.filePath("many"));
        (void)QTest::qWaitFor([&] {
            dateCut = list->model()->rowCount(list->rootIndex()) < 40 ||
                      !list->verticalScrollBar()->isVisible() ||
                      list->header()->length() > list->viewport()->width();
            return !dateCut;
        });
        QApplication::activeModalWidget()->close();
    });
    WindowDialogs::modal(&open()).openFile("Firmware", "(*.fw)");
    qputenv("HOME", home);
    EXPECT_EQ(cut, (QStringList{"1", "0", "0", "0", "0", "0"}))
        << "files, then cut short: name, size (610 bytes read \"610...tes\"), type, date, places";
    EXPECT_FALSE(dateCut) << "a longer folder: the columns wider than the list, the date cut";
}
