// The settings file's line format.

#include "app/Settings.h"

#include <gtest/gtest.h>

TEST(SettingsLines, KeyAndValueAreTrimmedOfBlanksAndControls) {
    const auto s = parseSettingLine(QStringLiteral(" \tPort = COM3\x01 "));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->key, "Port");
    EXPECT_EQ(s->value, "COM3");
    EXPECT_EQ(s->index, -1);
}

TEST(SettingsLines, LinesWithoutEqualsAreIgnored) {
    EXPECT_FALSE(parseSettingLine("[Calvetta]"));
    EXPECT_FALSE(parseSettingLine(""));
}

TEST(SettingsLines, ValueRunsFromTheFirstEquals) {
    const auto s = parseSettingLine("Lang=a=b");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->key, "Lang");
    EXPECT_EQ(s->value, "a=b");
}

TEST(SettingsLines, IndexedKeysAreReducedToTheirName) {
    const auto s = parseSettingLine("Port[2]=COM4");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->key, "Port");
    EXPECT_EQ(s->index, 2);
    const auto spaced = parseSettingLine("Port [ 0 ] = COM4");
    ASSERT_TRUE(spaced);
    EXPECT_EQ(spaced->key, "Port");
    EXPECT_EQ(spaced->index, 0);
    EXPECT_FALSE(parseSettingLine("Port[x]=COM4"));
    EXPECT_FALSE(parseSettingLine("Port[-1]=COM4"));
    EXPECT_FALSE(parseSettingLine("Port[]=COM4"));
}

TEST(SettingsLines, WrittenLinesHoldThePortOnlyWhenOneIsSelected) {
    EXPECT_EQ(settingsFileLines(QStringLiteral("COM3"), "IT"), (QStringList{"PortCombo=COM3", "Lang=IT"}));
    EXPECT_EQ(settingsFileLines(std::nullopt, "EN"), QStringList{"Lang=EN"});
}
