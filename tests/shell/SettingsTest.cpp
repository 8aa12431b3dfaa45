#include "shell/IniFile.h"
#include "shell/Settings.h"

#include <gtest/gtest.h>

using namespace nuvo;

TEST(IniFile, ReadsWithoutCaseAndBothLineEnds) {
    for (const char* eol : {"\r\n", "\n"}) {
        const std::string e = eol;
        auto ini = TIniFile::Parse("; comment" + e + "[sound]" + e + " delaytime = 300 " + e + "DirectSound=0" + e +
                                   "[Video]" + e + "UseWMP=abc" + e);
        EXPECT_EQ(ini.ReadInteger("Sound", "DelayTime", 1), 300);
        EXPECT_FALSE(ini.ReadBool("SOUND", "directsound", true));
        EXPECT_TRUE(ini.ReadBool("Video", "UseWMP", true)) << "not a number reads as the default";
        EXPECT_EQ(ini.ReadInteger("Video", "Missing", 7), 7);
        EXPECT_EQ(ini.ReadInteger("None", "DelayTime", 9), 9);
    }
}

TEST(IniFile, WritingKeepsEveryOtherLine) {
    const std::string text = "[Sound]\nDirectSound=1\n; keep me\n\n[Video]\nUseWMP=1\n";
    auto ini = TIniFile::Parse(text);
    ini.WriteBool("sound", "directsound", false);
    ini.WriteInteger("Sound", "DelayTime", 300);
    ini.WriteString("Extra", "Key", "v");
    EXPECT_EQ(ini.Text(), "[Sound]\ndirectsound=0\n; keep me\nDelayTime=300\n\n[Video]\nUseWMP=1\n\n[Extra]\nKey=v\n");
    auto crlf = TIniFile::Parse("[A]\r\nx=1\r\n");
    crlf.WriteInteger("A", "x", 2);
    EXPECT_EQ(crlf.Text(), "[A]\r\nx=2\r\n");
}

TEST(Settings, DelayIsCutAndClamped) {
    struct Case { const char* stored; int used; int dialogPosition; } cases[] = {
        {"1234", 500, 5}, {"50", 100, 1}, {"250", 200, 2}, {"500", 500, 5}, {"-300", 100, 1}, {"x", 500, 5},
    };
    for (auto c : cases) {
        auto ini = TIniFile::Parse(std::string("[Sound]\nDelayTime=") + c.stored + "\n");
        EXPECT_EQ(LoadSettings(ini).SettingDelayTime, c.used) << c.stored;
        TConfigDialogModel dialog(ini);
        EXPECT_EQ(dialog.TrackPosition(), c.dialogPosition) << c.stored;
        EXPECT_EQ(dialog.BuffInfoText(), std::to_string(c.dialogPosition * 100) + "ms");
    }
    const TMachineSettings defaults = LoadSettings(TIniFile());
    EXPECT_TRUE(defaults.SettingDirectSound);
    EXPECT_EQ(defaults.SettingDelayTime, 500);
    EXPECT_FALSE(defaults.SettingUseWMP);
}

TEST(ConfigDialog, EnablingRuleAndOkWritesOnlySoundKeys) {
    TConfigDialogModel dialog(TIniFile::Parse("[Sound]\nDirectSound=1\nDelayTime=200\n[Video]\nUseWMP=1\n"));
    EXPECT_TRUE(dialog.CheckSound());
    EXPECT_FALSE(dialog.DelayControlsEnabled());
    dialog.SetCheckSound(false);
    EXPECT_TRUE(dialog.DelayControlsEnabled());
    dialog.SetTrackPosition(9);
    EXPECT_EQ(dialog.TrackPosition(), 5);
    EXPECT_EQ(dialog.ApplyOk().Text(), "[Sound]\nDirectSound=0\nDelayTime=500\n[Video]\nUseWMP=1\n");
}
