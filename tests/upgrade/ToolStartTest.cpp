// How the flashing tool is started on each system: where it is looked for, the window its
// progress shows in, and its command line passed on intact.

#include "TestUtil.h"
#include "i18n/Translator.h"
#include "window/OutsideProgram.h"

#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// A system whose executables are `programs`, the search path being /usr/bin.
LaunchSurroundings machine(const QSet<QString>& programs) {
    return {"/opt/calvetta", "/opt/calvetta", true,
            [programs](const QString& path) { return programs.contains(path); },
            [programs](const QString& name) {
                return programs.contains("/usr/bin/" + name) ? "/usr/bin/" + name : QString();
            }};
}

} // namespace

TEST(ToolStart, TheToolBesideTheProgramComesFirstAndShowsInATerminal) {
    const QString line = "esptool --port /dev/ttyUSB0 \"temp/it's 2.bin\"";
    EXPECT_EQ(launchPlan(Platform::Linux, line, machine({})), std::nullopt) << "not installed";
    const auto all =
        machine({"/usr/bin/esptool", "/opt/calvetta/esptool", "/usr/bin/x-terminal-emulator"});
    const auto plan = launchPlan(Platform::Linux, line, all);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->program, "/usr/bin/x-terminal-emulator");
    EXPECT_EQ(launchPlan(Platform::Linux, line, machine({"/usr/bin/esptool", "/usr/bin/xterm",
                                                         "/usr/bin/gnome-terminal"}))
                  ->arguments.mid(0, 2),
              (QStringList{"--", "sh"}))
        << "a desktop's own terminal, not the tool hidden";
    EXPECT_EQ(plan->arguments.mid(4),
              (QStringList{"/opt/calvetta/esptool", "--port", "/dev/ttyUSB0", "temp/it's 2.bin"}));
    // macOS: a Terminal window in the folder the paths start from; the blank and the quote of
    // a name survive AppleScript and the shell.
    EXPECT_EQ(launchPlan(Platform::MacOS, line, all)->arguments.value(1),
              "tell application \"Terminal\" to do script \"cd /opt/calvetta && "
              "/opt/calvetta/esptool --port /dev/ttyUSB0 'temp/it'\\\\''s 2.bin'\"");
}

TEST(ToolStart, TheTerminalSaysHowTheToolEndedAndWaitsForEnter) {
    // In the window's language; a quote in the text does not end the shell's word.
    QTemporaryDir dir;
    writeFile(dir.filePath("VaskelManager_FR.txt"),
              "%1 has failed (exit status %2).=%1 n'a pas abouti (code %2).\r\n"
              "Press Enter to close this window.=Appuyez sur Entr\351e.\r\n");
    TLangTranslator french(dir.path());
    french.SelectLanguage("FR");
    setProgramTranslator(&french);
    auto night = machine({"/bin/false", "/usr/bin/x-terminal-emulator"});
    night.nightVision = true;
    night.terminalCodeset = "ISO-8859-1"; // a Latin-1 locale's terminal, which shows no UTF-8
    const auto plan = launchPlan(Platform::Linux, "/bin/false --port /dev/ttyUSB0", night);
    setProgramTranslator(nullptr);
    ASSERT_TRUE(plan);
    ASSERT_EQ(plan->arguments.value(0), "-e");
    QProcess shell; // what the terminal runs
    shell.start(plan->arguments[1], plan->arguments.mid(2));
    EXPECT_FALSE(shell.waitForFinished(500)) << "closed before anyone read it";
    shell.write("\n");
    ASSERT_TRUE(shell.waitForFinished(5000));
    const QByteArray shown = shell.readAll();
    EXPECT_TRUE(shown.contains("/bin/false n'a pas abouti (code 1)."));
    EXPECT_TRUE(shown.contains("Appuyez sur Entr\351e.")) << shown.constData();
    EXPECT_TRUE(shown.startsWith("\x1b]11;#000000\x07\x1b]10;#aa0000\x07"))
        << "dark, as the window";

    // Ctrl+C reaches the shell with the tool it stops; the verdict still waits for Enter.
    const auto stopped = launchPlan(Platform::Linux, "/bin/sh -c \"kill -INT $PPID\"",
                                    machine({"/bin/sh", "/usr/bin/x-terminal-emulator"}));
    ASSERT_TRUE(stopped);
    QProcess interrupted;
    interrupted.start(stopped->arguments[1], stopped->arguments.mid(2));
    EXPECT_FALSE(interrupted.waitForFinished(500)) << "closed with the tool";
    interrupted.write("\n");
    interrupted.waitForFinished(5000);
}

TEST(ToolStart, WindowsHandsTheCommandLineOverAsWrittenWithAConsoleOfItsOwn) {
    const QString args = "--port COM5 0xe000 \"temp\\Focuser_web_2 beta.bin\"";
    EXPECT_EQ(launchPlan(Platform::Windows, "esptool.exe " + args, machine({})),
              (LaunchPlan{"esptool.exe", {}, args, true}))
        << "the system looks for the tool itself";
    EXPECT_EQ(launchPlan(Platform::Windows, "\"C:\\My Tools\\esptool.exe\" " + args, machine({}))
                  ->nativeArguments,
              args);
}
