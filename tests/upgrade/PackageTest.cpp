// The firmware package on its own: emptying and filling `temp`, the five images, the
// flashing tool's command line.

#include "FakeTransport.h"
#include "TestUtil.h"
#include "ZipBuilder.h"
#include "window/FirmwarePackage.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <filesystem>
#if !defined(Q_OS_WIN)
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#endif

using namespace firmware;

namespace {

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override { QDir().mkdir("temp"); }
    // Unpacks `zip` into temp; the error text, or empty when it went through.
    QString unpack(ZipBuilder zip) {
        zip.write(cwd.filePath("package.fw"));
        try {
            extractArchive(cwd.filePath("package.fw"), "temp");
        } catch (const EPackageError& e) {
            return e.message();
        }
        return {};
    }
    static QStringList entries(const QString& dir) {
        return QDir(dir).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    ScopedCurrentDir cwd;
};

QString zipText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

} // namespace

TEST_F(PackageTest, EmptyingDeletesFilesAndLinksButKeepsFolders) {
    writeFile("temp/old.bin", "x");
    writeFile("temp/.hidden", "x");
    QDir().mkpath("temp/keep/inner");
    writeFile("temp/keep/inner/f.bin", "x");
    writeFile("outside.bin", "precious");
    QFile::link(cwd.filePath("outside.bin"), "temp/link.bin");
    QFile::link(cwd.filePath("temp/keep"), "temp/linkdir");
    emptyDirectory("temp");
    EXPECT_EQ(entries("temp"), QStringList{"keep"});
    EXPECT_EQ(readFile("temp/keep/inner/f.bin"), "x");
    EXPECT_EQ(readFile("outside.bin"), "precious") << "a link goes, not what it points to";
    emptyDirectory("no-such-folder"); // nothing to do, nothing thrown
}

TEST_F(PackageTest, ExtractionKeepsStoredPathsAndContent) {
    writeFile("temp/top.bin", "old");
    const QString error = unpack(ZipBuilder()
                                     .file("top.bin", QByteArray(100000, 'a'))
                                     .file("sub/deeper/inner.bin", "inner")
                                     .file("win\\style.bin", "win")
                                     .folder("empty/"));
    ASSERT_EQ(error, "");
    EXPECT_EQ(readFile("temp/top.bin"), QByteArray(100000, 'a')) << "an old file is replaced";
    EXPECT_EQ(readFile("temp/sub/deeper/inner.bin"), "inner");
    EXPECT_EQ(readFile("temp/win/style.bin"), "win") << "backslashes separate folders too";
    EXPECT_TRUE(QFileInfo("temp/empty").isDir());
    // A folder left from before where an image goes: the message says which folder.
    EXPECT_EQ(unpack(ZipBuilder().file("empty", "app")),
              "Cannot write " + QDir::toNativeSeparators(cwd.filePath("temp/empty")) +
                  ": a folder has that name.");
#if !defined(Q_OS_WIN)
    // A disk that fills in the middle of an image: the message gives the system's reason.
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{100000, limit.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    const QString fullError = unpack(ZipBuilder().file("big.bin", QByteArray(150000, 'b')));
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(fullError.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))))
        << fullError.toStdString();
#endif
}

TEST_F(PackageTest, UnreadableArchivesCarryTheArchiveComponentsMessage) {
    writeFile("junk.fw", "this is not an archive at all, just some text");
    try {
        extractArchive("junk.fw", "temp");
        FAIL() << "accepted";
    } catch (const EPackageError& e) {
        EXPECT_EQ(e.message(), zipText(ZIP_ER_NOZIP));
    }
    EXPECT_THROW(extractArchive("missing.fw", "temp"), EPackageError);

    // Damaged data of a stored entry fails its checksum while it is read.
    ZipBuilder().file("a.bin", "UNIQUE-CONTENT-0123456789", true).write("bad.fw");
    QByteArray bytes = readFile("bad.fw");
    bytes[bytes.indexOf("UNIQUE-CONTENT")] = 'X';
    writeFile("bad.fw", bytes);
    try {
        extractArchive("bad.fw", "temp");
        FAIL() << "accepted";
    } catch (const EPackageError& e) {
        EXPECT_EQ(e.message(), zipText(ZIP_ER_CRC));
    }
}

TEST_F(PackageTest, EntriesLeavingTheFolderRefuseTheWholeArchive) {
    QDir().mkdir("sibling");
    const QString absolute = cwd.filePath("sibling/abs.bin");
    for (const QString& bad :
         {QStringLiteral("../evil.bin"), QStringLiteral("sub/../../evil.bin"),
          QStringLiteral("..\\evil.bin"), absolute, QStringLiteral("C:/evil.bin"),
          QStringLiteral("x\" --after no_reset \".bin")}) {
        SCOPED_TRACE(bad.toStdString());
        const QString error = unpack(ZipBuilder().file("first.bin", "ok").file(bad, "evil"));
        EXPECT_TRUE(error.contains(bad)) << error.toStdString();
        EXPECT_EQ(entries("temp"), QStringList()) << "nothing is written, not even earlier entries";
        EXPECT_FALSE(QFile::exists("evil.bin"));
        EXPECT_FALSE(QFile::exists(absolute));
    }
    // Thousands of nested folders: refused whole, and named in a message that fits a screen.
    const QString error = unpack(ZipBuilder().file(QString("c/").repeated(3000) + "x.bin", "x"));
    EXPECT_TRUE(error.startsWith("The firmware package cannot be used")) << error.toStdString();
    EXPECT_LT(error.size(), 300);
    EXPECT_EQ(entries("temp"), QStringList());
}

TEST_F(PackageTest, LinksAreNeverFollowed) {
    QDir().mkdir("outside");
    writeFile("outside/target.bin", "precious");
    // A link entry becomes a plain file, so a later entry cannot go through it.
    const QString error =
        unpack(ZipBuilder()
                   .link("Focuser_v1.bin", cwd.filePath("outside/target.bin").toUtf8())
                   .link("dir", cwd.filePath("outside").toUtf8())
                   .file("dir/evil.bin", "evil"));
    EXPECT_NE(error, "");
    EXPECT_FALSE(QFileInfo("temp/Focuser_v1.bin").isSymLink());
    EXPECT_EQ(readFile("temp/Focuser_v1.bin"), cwd.filePath("outside/target.bin").toUtf8());
    EXPECT_EQ(entries("outside"), QStringList{"target.bin"});

    // Links already lying in temp are replaced, or refuse the entry that would pass them.
    QDir("temp").removeRecursively();
    QDir().mkdir("temp");
    QFile::link(cwd.filePath("outside/target.bin"), "temp/a.bin");
    QFile::link(cwd.filePath("outside"), "temp/sub");
    EXPECT_EQ(unpack(ZipBuilder().file("a.bin", "new")), "");
    EXPECT_FALSE(QFileInfo("temp/a.bin").isSymLink());
    EXPECT_EQ(readFile("temp/a.bin"), "new");
    EXPECT_NE(unpack(ZipBuilder().file("sub/evil.bin", "evil")), "");
    EXPECT_EQ(readFile("outside/target.bin"), "precious");
    EXPECT_EQ(entries("outside"), QStringList{"target.bin"});

    // Nor is a file in a folder left from before that is one with a file elsewhere.
    QDir().mkdir("temp/kept");
    std::filesystem::create_hard_link("outside/target.bin", "temp/kept/a.bin");
    EXPECT_EQ(unpack(ZipBuilder().file("kept/a.bin", "new")), "");
    EXPECT_EQ(readFile("outside/target.bin"), "precious");
    EXPECT_EQ(readFile("temp/kept/a.bin"), "new");
}

TEST_F(PackageTest, FindFirstMatchSearchesOneFolderForAnyKindOfEntry) {
    QString path = "stale";
    EXPECT_FALSE(FindFirstMatch("temp/Focuser_v*.bin", path));
    EXPECT_EQ(path, "");
    QDir().mkpath("temp/sub");
    writeFile("temp/sub/Focuser_v1.bin", "");
    EXPECT_FALSE(FindFirstMatch("temp/Focuser_v*.bin", path)) << "subfolders are not searched";
    QDir().mkdir("temp/Focuser_v0.bin");
    EXPECT_TRUE(FindFirstMatch("temp/Focuser_v*.bin", path));
    EXPECT_EQ(path, "temp/Focuser_v0.bin") << "a folder matches too";
    writeFile("top_a1.bin", "");
    EXPECT_TRUE(FindFirstMatch("top_?1.b*", path));
    EXPECT_EQ(path, "top_a1.bin") << "no folder part, none added";
    EXPECT_FALSE(FindFirstMatch("top_?.bin", path));
#if !defined(Q_OS_WIN)
    EXPECT_FALSE(FindFirstMatch("TOP_*", path)) << "names compare with letter case here";
#endif
}

TEST_F(PackageTest, SeveralMatchesGiveTheFirstTheDirectorySearchReturns) {
    for (const char* name : {"Focuser_v1.bin", "Focuser_v2.bin", "Focuser_v3.bin", "other.bin"})
        writeFile(QStringLiteral("temp/") + name, "");
    QString first;
    for (const auto& e : std::filesystem::directory_iterator("temp")) {
        const QString name = QString::fromStdString(e.path().filename().string());
        if (name.startsWith("Focuser_v")) {
            first = "temp/" + name;
            break;
        }
    }
    QString path;
    ASSERT_TRUE(FindFirstMatch("temp/Focuser_v*.bin", path));
    EXPECT_EQ(path, first);
}

TEST_F(PackageTest, TheFiveImagesAreCheckedInTheirOrder) {
    EXPECT_EQ(checkFirmwareFiles().missing,
              "boot_app0.bin, bootloader_dio_80m.bin, "
              "focuser.partitions.bin, Focuser_web_*.bin, Focuser_v*.bin");
    QDir().mkdir("temp/boot_app0.bin");
    QDir().mkdir("temp/Focuser_v0.bin");       // left by an earlier package: subfolders stay
    writeFile(tempPath("Focuser_v1.bin"), ""); // esptool would skip it and report success
    for (const char* name :
         {"bootloader_dio_80m.bin", "focuser.partitions.bin", "Focuser_web_9.bin"})
        writeFile(tempPath(name), "x");
    const FirmwareFiles files = checkFirmwareFiles();
    EXPECT_EQ(files.missing, "boot_app0.bin, Focuser_v*.bin")
        << "a folder or empty file is no image";
    EXPECT_EQ(files.webImage, tempPath("Focuser_web_9.bin"));
    EXPECT_EQ(files.appImage, "");
}

TEST_F(PackageTest, AFileLeftInTempThatLooksLikeAnImageRefusesTheFolder) {
    // The package itself stands for a file that cannot be deleted (held open, protected).
    writeFile("temp/Focuser_v1.0.bin", "old image");
    EXPECT_THROW(prepareFolder("temp", cwd.filePath("temp/Focuser_v1.0.bin")), EPackageError);
    writeFile("temp/firmware.fw", "package");
    EXPECT_NO_THROW(prepareFolder("temp", cwd.filePath("temp/firmware.fw")));
    EXPECT_EQ(entries("temp"), QStringList{"firmware.fw"});
}

TEST_F(PackageTest, CommandLineIsExactAndSplitsIntoItsArguments) {
    FirmwareFiles files;
    files.bootApp = tempPath("boot_app0.bin");
    files.bootloader = tempPath("bootloader_dio_80m.bin");
    files.partitions = tempPath("focuser.partitions.bin");
    files.webImage = tempPath("Focuser_web_2 beta.bin");
    files.appImage = tempPath("Focuser_v2.1.bin");
#if defined(Q_OS_WIN)
    const QString tool = "esptool.exe", port = "COM5", t = "temp\\";
#else
    const QString tool = "esptool", port = "/dev/ttyUSB0", t = "temp/";
#endif
    const QString line = esptoolCommandLine(port, files);
    EXPECT_EQ(line, tool + " --chip esp32 --port " + port +
                        " --baud 921600 --before default_reset --after hard_reset write_flash -z"
                        " --flash_mode dio --flash_freq 80m --flash_size detect 0xe000 \"" +
                        t + "boot_app0.bin\" 0x1000 \"" + t +
                        "bootloader_dio_80m.bin\" 0x10000 \"" + t +
                        "Focuser_v2.1.bin\" 0x290000 \"" + t +
                        "Focuser_web_2 beta.bin\" 0x8000 \"" + t + "focuser.partitions.bin\"");
    const QStringList args = QProcess::splitCommand(line);
    ASSERT_EQ(args.size(), 29);
    EXPECT_EQ(args[26], t + "Focuser_web_2 beta.bin");
    EXPECT_EQ(QProcess::splitCommand(esptoolCommandLine("/home/me/My focuser", files)).mid(3, 2),
              (QStringList{"--port", "/home/me/My focuser"}));
}

#if !defined(Q_OS_WIN)
TEST_F(PackageTest, ToolPortIsTheDeviceALinkOpens) {
    ScopedFakePort fake(QStringLiteral("FAKE"));
    EXPECT_EQ(toolPortName("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(toolPortName("/dev/serial/by-id/usb-esp32"), "/dev/serial/by-id/usb-esp32");
    EXPECT_EQ(toolPortName("/dev/serial/by-id/usb-ACME_COM_Bridge"),
              "/dev/serial/by-id/usb-ACME_COM_Bridge");
    EXPECT_EQ(toolPortName("FAKE"), "FAKE");
    EXPECT_EQ(toolPortName("COM5"), "") << "a Windows number names no device here";
    EXPECT_EQ(toolPortName(""), "");
}
#endif

TEST_F(PackageTest, ArchivesBeyondTheLimitsAreRefusedBeforeAnythingIsWritten) {
    ZipBuilder many;
    for (int i = 0; i < kMaxEntries; ++i)
        many.file(QStringLiteral("f%1.bin").arg(i), "x");
    EXPECT_EQ(unpack(many), "") << "as many entries as allowed";
    QDir("temp").removeRecursively();
    EXPECT_NE(unpack(many.folder("one-more/")), "");
    // Declared sizes that add up beyond the limit, though each alone is within it.
    ZipBuilder().file("a.bin", "a").file("b.bin", "b").write("big.fw");
    setDeclaredSize("big.fw", "a.bin", kMaxUnpackedBytes / 2);
    setDeclaredSize("big.fw", "b.bin", kMaxUnpackedBytes / 2 + 1);
    EXPECT_THROW(extractArchive("big.fw", "temp"), EPackageError);
    EXPECT_EQ(entries("temp"), QStringList());

    // An entry that inflates beyond its declared size is stopped, and no part of it kept.
    ZipBuilder().file("Focuser_v1.bin", QByteArray(200000, 'a')).write("forged.fw");
    setDeclaredSize("forged.fw", "Focuser_v1.bin", 1000);
    EXPECT_THROW(extractArchive("forged.fw", "temp"), EPackageError);
    EXPECT_EQ(entries("temp"), QStringList());
}

TEST_F(PackageTest, WindowsHasItsOwnToolPathsAndNames) {
    FirmwareFiles files;
    for (QString* path :
         {&files.bootApp, &files.bootloader, &files.appImage, &files.webImage, &files.partitions})
        *path = tempPath("x.bin", Platform::Windows);
    EXPECT_EQ(esptoolCommandLine("COM5", files, Platform::Windows),
              "esptool.exe --chip esp32 --port COM5 --baud 921600 --before default_reset"
              " --after hard_reset write_flash -z --flash_mode dio --flash_freq 80m"
              " --flash_size detect 0xe000 \"temp\\x.bin\" 0x1000 \"temp\\x.bin\" 0x10000"
              " \"temp\\x.bin\" 0x290000 \"temp\\x.bin\" 0x8000 \"temp\\x.bin\"");
    EXPECT_EQ(toolPortName("COM5", Platform::Windows), "COM5");
    EXPECT_EQ(toolPortName("5", Platform::Windows), "COM5") << "typed as a link takes it";
    EXPECT_TRUE(startFailedMessage(Platform::Windows).contains("\"esptool.exe\""));
    EXPECT_TRUE(
        wildcardMatch(u"Focuser_v*.bin", u"FOCUSER_V2.BIN", fileNameCase(Platform::Windows)));
    ZipBuilder().file("Focuser_v2:b.bin", "x").write("colon.fw");
    EXPECT_THROW(extractArchive("colon.fw", "temp", Platform::Windows), EPackageError);
    // Names that open a device there, the focuser's own port among them.
    for (const char* device : {"COM3.bin", "sub/nul", "Aux .txt", "lpt1.Focuser_v2.bin"}) {
        ZipBuilder().file("boot_app0.bin", "x").file(device, "x").write("device.fw");
        EXPECT_THROW(extractArchive("device.fw", "temp", Platform::Windows), EPackageError);
    }
    ZipBuilder().file("console.bin", "x").file("COM10.bin", "x").write("names.fw");
    EXPECT_NO_THROW(extractArchive("names.fw", "temp", Platform::Windows));
}
