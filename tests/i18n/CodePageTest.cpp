// Windows-1252 and the reading of text files.

#include "i18n/CodePage.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace codepage;

TEST(CodePage, EveryByteRoundTrips) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    EXPECT_EQ(unicodeToAnsi(ansiToUnicode(all)), all);
}

TEST(CodePage, HighControlRangeIsTheWindowsOne) {
    EXPECT_EQ(ansiToUnicode(0x80), QChar(0x20AC));
    EXPECT_EQ(ansiToUnicode(0x93), QChar(0x201C));
    EXPECT_EQ(ansiToUnicode(0x9F), QChar(0x0178));
    EXPECT_EQ(ansiToUnicode(0x81), QChar(0x81)) << "undefined bytes map to themselves";
    EXPECT_EQ(ansiToUnicode(0xE9), QChar(0xE9));
    EXPECT_EQ(unicodeToAnsi(QStringLiteral(u"€“”é°")), QByteArray("\x80\x93\x94\xE9\xB0"));
    EXPECT_EQ(unicodeToAnsi(QStringLiteral(u"ā→")), QByteArray("??"));
}

TEST(CodePage, LinesEndWithCrLfCrOrLf) {
    EXPECT_EQ(splitLines(u"a\r\nb\rc\nd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines(u"a\n"), QStringList{"a"});
    EXPECT_EQ(splitLines(u"a\n\nb\r\r"), (QStringList{"a", "", "b", ""}));
    EXPECT_EQ(splitLines(u"\n\r\n"), (QStringList{"", ""}));
    EXPECT_TRUE(splitLines(u"").isEmpty());
}

TEST(CodePage, ByteOrderMarksChooseTheEncoding) {
    EXPECT_EQ(decodeTextFile("\xEF\xBB\xBF\xC3\xA9"), QStringLiteral(u"é"));
    EXPECT_EQ(decodeTextFile(QByteArray("\xFF\xFE\xE9\x00", 4)), QStringLiteral(u"é"));
    EXPECT_EQ(decodeTextFile(QByteArray("\xFE\xFF\x00\xE9", 4)), QStringLiteral(u"é"));
    EXPECT_EQ(decodeTextFile("\xE9"), QStringLiteral(u"é"));
}

// A folder the user may not add to must not lose the lines of a file the user may write. Here
// the temporary file beside it is refused for want of room in its name, which holds for root too.
TEST(CodePage, AFileThatCannotBeReplacedIsWrittenInPlace) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QString(250, u'c')));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(
        writeAnsiLines(file.fileName(), {QStringLiteral("Lang=DE"), QStringLiteral(u"P=É")}));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Lang=DE\r\nP=\xC9\r\n"));
    file.close();

    // A full disk, as a limit on the size of files written: the old file stays whole.
    const QString beside = dir.filePath("calvetta.ini");
    ASSERT_TRUE(writeAnsiLines(beside, {QStringLiteral("Lang=DE")}));
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit full{4, limit.rlim_max};
    const auto signal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    EXPECT_FALSE(writeAnsiLines(beside, {QStringLiteral("Lang=IT")}));
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, signal);
    EXPECT_EQ(QFileInfo(beside).size(), 9) << "Lang=DE and its line end";
}

// A pipe named like a settings file would hold the start, waiting for a writer; written, it
// (or /dev/null, where a link may lead) gave way to a file of the program's.
TEST(CodePage, OnlyPlainFilesAreRead) {
    QStringList lines;
    EXPECT_FALSE(readTextFileLines(QStringLiteral("/dev/null"), lines));
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(writeAnsiLines(pipe, {}));
    EXPECT_FALSE(QFileInfo(pipe).isFile());
}

// Started once with sudo, the program gave the user's settings file to root.
TEST(CodePage, AReplacedFileKeepsItsOwner) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to write a file of another user's";
    QTemporaryDir dir;
    const QString path = dir.filePath("calvetta.ini");
    ASSERT_TRUE(writeAnsiLines(path, {}));
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    ASSERT_TRUE(writeAnsiLines(path, {QStringLiteral("Lang=DE")}));
    EXPECT_EQ(QFileInfo(path).ownerId(), 65534u);
    ASSERT_EQ(::chown(QFile::encodeName(dir.path()).constData(), 65534, 65534), 0);
    ASSERT_TRUE(writeAnsiLines(dir.filePath("new.ini"), {}));
    EXPECT_EQ(QFileInfo(dir.filePath("new.ini")).ownerId(), 65534u) << "a new one, the folder's";
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner));
    EXPECT_FALSE(writeAnsiLines(path, {QStringLiteral("Lang=IT")})) << "made read-only by its user";
}

// A huge file held the start for seconds and all of it in memory; its first whole lines count.
TEST(CodePage, OfAHugeFileOnlyTheFirstWholeLinesAreRead) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("Lang=DE\r\n" + QByteArray(kMaxTextFileBytes, 'x'));
    file.close();
    QStringList lines;
    EXPECT_TRUE(readTextFileLines(file.fileName(), lines) && lines == QStringList{"Lang=DE"});
}
