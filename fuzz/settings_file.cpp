// "game.ini" on any bytes: reading the three settings the way the player and
// the settings dialog do, and writing the dialog's two keys back, which must
// keep every other line and read back as written.
#include "shell/IniFile.h"
#include "shell/Settings.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const nuvo::TIniFile ini = nuvo::TIniFile::Parse(text);
    const nuvo::TMachineSettings s = nuvo::LoadSettings(ini);
    if (s.SettingDelayTime < 100 || s.SettingDelayTime > 500 || s.SettingDelayTime % 100 != 0) std::abort();
    nuvo::TConfigDialogModel model(ini);
    if (model.TrackPosition() < 1 || model.TrackPosition() > 5) std::abort();
    model.SetCheckSound(!model.CheckSound());
    const nuvo::TIniFile& written = model.ApplyOk();
    const nuvo::TIniFile again = nuvo::TIniFile::Parse(written.Text());
    if (again.ReadBool("Sound", "DirectSound", !model.CheckSound()) != model.CheckSound()) std::abort();
    if (again.ReadInteger("Sound", "DelayTime", -1) != model.TrackPosition() * 100) std::abort();
    return 0;
}
