// The three machine settings of "game.ini", read once when the main window is
// created, and the model behind the settings dialog ("/config").
#pragma once

#include "shell/IniFile.h"

#include <string>

namespace nuvo {

namespace platform {
class ISystem;
}

struct TMachineSettings {
    bool SettingDirectSound = true;
    int SettingDelayTime = 500; // wave-out buffering delay, ms: a multiple of 100 in 100..500
    bool SettingUseWMP = false;
    // Our own key, "Sound" / "SoundFont": the soundfont of the built-in MIDI
    // synthesizer (empty: the system's default).
    std::string SoundFont;
};

// Where "game.ini" lives: beside the executable when a file exists there,
// otherwise $XDG_CONFIG_HOME/nuvoplayer/game.ini. The dialog writes back to the
// file it read, or to the per-user file when the executable's folder is not
// writable; once that per-user file exists it is the one read.
struct TSettingsLocation {
    std::string readPath;  // the file to read (it may not exist)
    std::string writePath; // the file the dialog writes back to
};
TSettingsLocation LocateSettings(platform::ISystem& system);

// Reads the settings the way the player does at start-up: missing keys keep
// the built-in defaults; the delay is cut to a multiple of 100 and clamped to
// 100..500.
TMachineSettings LoadSettings(const TIniFile& ini);

// The settings dialog's state: what it shows, what is enabled, what OK writes.
class TConfigDialogModel {
public:
    explicit TConfigDialogModel(TIniFile ini);

    static constexpr const char* kCaption = "動作設定";
    static constexpr const char* kCheckSoundCaption = "DirectSoundを使用する(&S)";
    static constexpr const char* kLabelBuffCaption = "サウンドの遅延時間(&D)：";
    static constexpr const char* kOkCaption = "OK";
    static constexpr const char* kCancelCaption = "キャンセル";
    static constexpr int kTrackMin = 1;
    static constexpr int kTrackMax = 5;

    bool CheckSound() const { return checkSound_; }
    void SetCheckSound(bool checked) { checkSound_ = checked; }
    int TrackPosition() const { return trackPosition_; }
    // Positions outside 1..5 land at the nearest end, as a track bar does.
    void SetTrackPosition(int position);
    // "%dms" of position * 100.
    std::string BuffInfoText() const;
    // The delay controls matter only for the wave-out path.
    bool DelayControlsEnabled() const { return !checkSound_; }

    // OK: the two "Sound" keys written into the file's text; every other line
    // (such as "UseWMP") is kept. Returns the updated file.
    const TIniFile& ApplyOk();
    const TIniFile& Ini() const { return ini_; }

private:
    TIniFile ini_;
    bool checkSound_;
    int trackPosition_;
};

} // namespace nuvo
