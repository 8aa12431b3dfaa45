#include "platform/System.h"
#include "shell/IniFile.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nuvo;

namespace {

// Only the two folders matter to where the settings live.
class FoldersOnlySystem final : public platform::ISystem {
public:
    FoldersOnlySystem(std::string exeFolder, std::string configFolder)
        : exe_(std::move(exeFolder)), config_(std::move(configFolder)) {}
    bool IsOnCdRom(const std::string&) override { return false; }
    std::vector<std::string> CdRoots() override { return {}; }
    std::unique_ptr<platform::INamedLock> TryLock(const std::string&) override { return nullptr; }
    std::string ExecutablePath() override { return exe_ + "nuvoplayer"; }
    std::string ExecutableFolder() override { return exe_; }
    std::string ConfigFolder() override { return config_; }
    std::string UserDataFolder() override { return config_; }
    bool OpenDocument(const std::string&) override { return false; }

private:
    std::string exe_, config_;
};

} // namespace

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

TEST(Settings, FileBesideTheProgramElsePerUser) {
    test::TempDir dir;
    const std::string exe = dir.str() + "/bin/", config = dir.str() + "/config/";
    const std::string beside = exe + "game.ini", perUser = config + "nuvoplayer/game.ini";
    std::filesystem::create_directories(exe);
    FoldersOnlySystem system(exe, config);
    {
        SCOPED_TRACE("no file beside the program: the per-user one is read and written");
        const TSettingsLocation at = LocateSettings(system);
        EXPECT_EQ(at.readPath, perUser);
        EXPECT_EQ(at.writePath, perUser);
    }
    dir.write("bin/game.ini", "[Sound]\nDelayTime=200\n");
    {
        SCOPED_TRACE("a file beside a writable program folder is read and written back");
        const TSettingsLocation at = LocateSettings(system);
        EXPECT_EQ(at.readPath, beside);
        EXPECT_EQ(at.writePath, beside);
        EXPECT_TRUE(std::filesystem::exists(beside));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(exe), {}), 1) << "the write probe is left behind";
    }
    {
        SCOPED_TRACE("a program folder that cannot be written: answers go to the per-user file");
        FoldersOnlySystem absent(dir.str() + "/missing/", config);
        EXPECT_EQ(LocateSettings(absent).writePath, perUser);
        // A folder where the write probe would go refuses the write even for
        // root, whom no file mode stops.
        std::filesystem::create_directory(exe + ".nuvo-write-probe");
        TSettingsLocation at = LocateSettings(system);
        EXPECT_EQ(at.readPath, beside);
        EXPECT_EQ(at.writePath, perUser);
        dir.write("config/nuvoplayer/game.ini", "[Sound]\nDelayTime=300\n");
        at = LocateSettings(system);
        EXPECT_EQ(at.readPath, perUser) << "once written, the per-user answers count";
        EXPECT_EQ(at.writePath, perUser);
    }
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

TEST(Settings, SoundFontIsOurKeyAndTheDialogKeepsIt) {
    const TIniFile ini = TIniFile::Parse("[Sound]\nSoundFont=/opt/sf/big.sf2\nDelayTime=300\n");
    EXPECT_EQ(LoadSettings(ini).SoundFont, "/opt/sf/big.sf2");
    EXPECT_EQ(LoadSettings(TIniFile()).SoundFont, "") << "the system's default then";
    TConfigDialogModel dialog(ini);
    EXPECT_EQ(dialog.ApplyOk().Text(), "[Sound]\nSoundFont=/opt/sf/big.sf2\nDelayTime=300\nDirectSound=1\n");
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
