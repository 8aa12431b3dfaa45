#include "shell/Settings.h"

#include "platform/FileSystem.h"
#include "platform/System.h"

#include <algorithm>
#include <cstdio>

namespace nuvo {

namespace {

// Whether a file can be created in a folder (tried, not guessed from modes).
bool folderWritable(const std::string& folder) {
    const std::string probe = folder + ".nuvo-write-probe";
    std::FILE* f = std::fopen(probe.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    platform::removeFile(probe);
    return true;
}

} // namespace

TSettingsLocation LocateSettings(platform::ISystem& system) {
    const std::string folder = system.ExecutableFolder();
    const std::string beside = folder + "game.ini";
    const std::string xdg = system.ConfigFolder() + "nuvoplayer/game.ini";
    const bool besideExists = platform::isFile(beside);
    if (folderWritable(folder)) return {besideExists ? beside : xdg, besideExists ? beside : xdg};
    // The dialog cannot write beside the executable, so its answers live in the
    // per-user file, which then also wins when the player reads them.
    if (besideExists && !platform::isFile(xdg)) return {beside, xdg};
    return {xdg, xdg};
}

TMachineSettings LoadSettings(const TIniFile& ini) {
    TMachineSettings s;
    s.SettingDirectSound = ini.ReadBool("Sound", "DirectSound", true);
    int delay = ini.ReadInteger("Sound", "DelayTime", s.SettingDelayTime);
    delay = (delay / 100) * 100;
    s.SettingDelayTime = std::min(std::max(delay, 100), 500);
    s.SettingUseWMP = ini.ReadBool("Video", "UseWMP", s.SettingUseWMP);
    s.SoundFont = ini.ReadString("Sound", "SoundFont").value_or("");
    return s;
}

TConfigDialogModel::TConfigDialogModel(TIniFile ini)
    : ini_(std::move(ini)), checkSound_(ini_.ReadBool("Sound", "DirectSound", true)), trackPosition_(kTrackMin) {
    SetTrackPosition(ini_.ReadInteger("Sound", "DelayTime", 500) / 100);
}

void TConfigDialogModel::SetTrackPosition(int position) {
    trackPosition_ = std::clamp(position, kTrackMin, kTrackMax);
}

std::string TConfigDialogModel::BuffInfoText() const { return std::to_string(trackPosition_ * 100) + "ms"; }

const TIniFile& TConfigDialogModel::ApplyOk() {
    ini_.WriteBool("Sound", "DirectSound", checkSound_);
    ini_.WriteInteger("Sound", "DelayTime", trackPosition_ * 100);
    return ini_;
}

} // namespace nuvo
