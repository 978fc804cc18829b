// How the flashing tool is started on each system: where it is looked for, the window it
// shows its progress in, and its command line passed on intact.

#include "window/OutsideProgram.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

const QString kLine = QStringLiteral(
    "esptool --port /dev/ttyUSB0 0xe000 \"temp/boot_app0.bin\" 0x290000 \"temp/Focuser_web_2 "
    "beta.bin\"");

class ToolStart : public ::testing::Test {
protected:
    LaunchSurroundings surroundings() {
        LaunchSurroundings s;
        s.programDirectory = QStringLiteral("/opt/calvetta");
        s.workingDirectory = QStringLiteral("/opt/calvetta");
        s.desktop = desktop;
        s.isExecutable = [this](const QString& path) { return executables.contains(path); };
        s.findInSearchPath = [this](const QString& name) {
            for (const QString& dir : {QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin")})
                if (executables.contains(dir + u'/' + name))
                    return dir + u'/' + name;
            return QString();
        };
        return s;
    }
    std::optional<LaunchPlan> plan(Platform platform, const QString& line = kLine) {
        return launchPlan(platform, line, surroundings());
    }

    QSet<QString> executables;
    bool desktop = false;
    const QStringList toolArgs{"--port", "/dev/ttyUSB0", "0xe000", "temp/boot_app0.bin",
                               "0x290000", "temp/Focuser_web_2 beta.bin"};
};

} // namespace

TEST_F(ToolStart, LinuxFindsTheToolBesideTheProgramFirstThenOnTheSearchPath) {
    EXPECT_EQ(plan(Platform::Linux), std::nullopt) << "not installed: refused at once";

    executables << "/usr/local/bin/esptool";
    ASSERT_TRUE(plan(Platform::Linux));
    EXPECT_EQ(plan(Platform::Linux)->program, "/usr/local/bin/esptool");
    EXPECT_EQ(plan(Platform::Linux)->arguments, toolArgs);

    executables << "/opt/calvetta/esptool";
    EXPECT_EQ(plan(Platform::Linux)->program, "/opt/calvetta/esptool");
    EXPECT_FALSE(plan(Platform::Linux)->ownConsole);
}

TEST_F(ToolStart, OnADesktopTheToolShowsItsProgressInATerminal) {
    executables << "/opt/calvetta/esptool";
    desktop = true;
    EXPECT_EQ(plan(Platform::Linux)->program, "/opt/calvetta/esptool") << "no terminal to open";

    executables << "/usr/bin/x-terminal-emulator";
    const auto onLinux = plan(Platform::Linux);
    EXPECT_EQ(onLinux->program, "/usr/bin/x-terminal-emulator");
    EXPECT_EQ(onLinux->arguments, QStringList({"-e", "/opt/calvetta/esptool"}) + toolArgs);

    // macOS: a new Terminal window, in the folder the image paths start from; the quoting
    // keeps the blank and the quote of a name intact through AppleScript and the shell.
    const auto mac = plan(Platform::MacOS, "esptool --port /dev/cu.usb1 \"temp/it's 2.bin\"");
    ASSERT_TRUE(mac);
    EXPECT_EQ(mac->program, "osascript");
    ASSERT_EQ(mac->arguments.size(), 4);
    EXPECT_EQ(mac->arguments[0], "-e");
    EXPECT_EQ(mac->arguments[1],
              "tell application \"Terminal\" to do script \"cd /opt/calvetta && "
              "/opt/calvetta/esptool --port /dev/cu.usb1 'temp/it'\\\\''s 2.bin'\"");
}

TEST_F(ToolStart, WindowsHandsTheCommandLineOverAsWrittenWithAConsoleOfItsOwn) {
    const QString line = QStringLiteral(
        "esptool.exe --chip esp32 --port COM5 0xe000 \"temp\\boot_app0.bin\" 0x290000 "
        "\"temp\\Focuser_web_2 beta.bin\"");
    const auto windows = plan(Platform::Windows, line);
    ASSERT_TRUE(windows) << "the system looks for the tool itself";
    EXPECT_EQ(windows->program, "esptool.exe");
    EXPECT_EQ(windows->arguments, QStringList());
    EXPECT_EQ(windows->nativeArguments,
              "--chip esp32 --port COM5 0xe000 \"temp\\boot_app0.bin\" 0x290000 "
              "\"temp\\Focuser_web_2 beta.bin\"");
    EXPECT_TRUE(windows->ownConsole);

    const auto quoted = plan(Platform::Windows, "\"C:\\Tools\\esp tool.exe\" --chip esp32");
    EXPECT_EQ(quoted->program, "C:\\Tools\\esp tool.exe");
    EXPECT_EQ(quoted->nativeArguments, "--chip esp32");
    EXPECT_EQ(plan(Platform::Windows, "  "), std::nullopt);
}
