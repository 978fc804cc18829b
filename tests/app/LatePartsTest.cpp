// The window's late parts as Calvetta takes them: from the module beside the executable,
// loaded at their first use into a program linked as Calvetta is. Nothing of the module's
// libraries is there before.

#include "TestUtil.h"
#include "app/ProgramPaths.h"
#include "history/HistoryWindow.h"
#include "window/FirmwarePackage.h"
#include "window/FocuserWin.h"
#include "window/LateParts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Whether a library whose file name holds `name` is mapped into this process.
bool mapped(const char* name) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

// A package of one stored entry, boot_app0.bin holding "boot", as a ZIP tool writes it.
const QByteArray kPackage(
    "\x50\x4b\x03\x04\x14\x00\x00\x00\x00\x00\xa4\xa8\x22\x5c\xc4\xae\xed\x46\x04\x00\x00\x00"
    "\x04\x00\x00\x00\x0d\x00\x00\x00\x62\x6f\x6f\x74\x5f\x61\x70\x70\x30\x2e\x62\x69\x6e\x62"
    "\x6f\x6f\x74\x50\x4b\x01\x02\x14\x03\x14\x00\x00\x00\x00\x00\xa4\xa8\x22\x5c\xc4\xae\xed"
    "\x46\x04\x00\x00\x00\x04\x00\x00\x00\x0d\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80"
    "\x01\x00\x00\x00\x00\x62\x6f\x6f\x74\x5f\x61\x70\x70\x30\x2e\x62\x69\x6e\x50\x4b\x05\x06"
    "\x00\x00\x00\x00\x01\x00\x01\x00\x3b\x00\x00\x00\x2f\x00\x00\x00\x00\x00",
    128);

} // namespace

// The program as installed in a folder of its own: the module is found beside the executable.
TEST(LateParts, TheHistoryWindowAndPackagesComeFromTheModuleAtTheirFirstUse) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + u'/' + late::kModuleFileName,
                            dir.filePath(late::kModuleFileName)));
    setExecutablePathForTesting(dir.filePath(QStringLiteral("calvetta")));
    EXPECT_FALSE(mapped("libQt6Charts")) << "Qt Charts is not loaded at start";
    EXPECT_FALSE(mapped("libzip")) << "nor is libzip";
    {
        TVaskelWindow w;
        QStringList messages;
        w.dialogs.message = [&](DialogKind, const QString& text) { messages.append(text); };
        w.ShowHistoryWindow();
        ASSERT_TRUE(w.historyWindow) << qPrintable(messages.join(u'\n'));
        EXPECT_TRUE(w.historyWindow->isVisible());
        EXPECT_TRUE(mapped("calvetta-parts.so"));
        EXPECT_TRUE(mapped("libQt6Charts"));
        // Through the main window's table: the unit and the language reach the module's class.
        w.GradiFCheck->setChecked(true);
        EXPECT_TRUE(w.historyWindow->fahrenheit());
    }

    writeFile(dir.filePath(QStringLiteral("package.fw")), kPackage);
    const QString temp = dir.filePath(QStringLiteral("temp"));
    ASSERT_TRUE(QDir().mkdir(temp));
    late::extractArchive(dir.filePath(QStringLiteral("package.fw")), temp);
    EXPECT_EQ(readFile(temp + QStringLiteral("/boot_app0.bin")), "boot");

    // The module's failure comes back as the package error it is.
    writeFile(dir.filePath(QStringLiteral("junk.fw")), "not a ZIP archive");
    try {
        late::extractArchive(dir.filePath(QStringLiteral("junk.fw")), temp);
        ADD_FAILURE() << "a junk package was read";
    } catch (const firmware::EPackageError& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
    setExecutablePathForTesting(QString());
}

// Without the module the user is told which file is missing, and the program goes on; the
// module put back is found at the next use.
TEST(LateParts, AMissingModuleIsReportedAndLookedForAgain) {
    // A module once loaded stays for the process: ctest runs each case in a process of its own.
    if (mapped("calvetta-parts.so"))
        GTEST_SKIP() << "the module is loaded already; run this case alone";
    QTemporaryDir dir;
    setExecutablePathForTesting(dir.filePath(QStringLiteral("calvetta")));
    const QString module = dir.filePath(late::kModuleFileName);
    {
        TVaskelWindow w;
        QStringList messages;
        w.dialogs.message = [&](DialogKind, const QString& text) { messages.append(text); };
        w.ShowHistoryWindow();
        EXPECT_FALSE(w.historyWindow);
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(module)) << qPrintable(messages[0]);
        try {
            late::extractArchive(dir.filePath(QStringLiteral("package.fw")), dir.path());
            ADD_FAILURE() << "a package was read without the module";
        } catch (const firmware::EPackageError& e) {
            EXPECT_TRUE(e.message().contains(module)) << qPrintable(e.message());
        }
        EXPECT_FALSE(mapped("libQt6Charts"));

        ASSERT_TRUE(QFile::copy(
            QCoreApplication::applicationDirPath() + u'/' + late::kModuleFileName, module));
        w.ShowHistoryWindow();
        EXPECT_TRUE(w.historyWindow);
        EXPECT_EQ(messages.size(), 1);
    }
    setExecutablePathForTesting(QString());
}
