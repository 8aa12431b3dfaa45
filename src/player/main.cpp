// nuvoplayer: the entry of the player program.
#include "base/Cp932.h"
#include "platform/System.h"
#include "shell/Settings.h"
#include "shell/Startup.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void usage() {
    std::printf(
        "usage: nuvoplayer [DATA_FOLDER [ARCHIVE...]]\n"
        "       nuvoplayer /config\n"
        "\n"
        "Runs the title found in DATA_FOLDER (or beside the program), reading its\n"
        "folders, its game.dat archive and any further archives named.\n"
        "/config opens the settings dialog.\n");
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            usage();
            return 0;
        }
        args.emplace_back(argv[i]);
    }
    auto system = nuvo::platform::createLinuxSystem();
    nuvo::TEntryHooks hooks;
    hooks.runSettingsDialog = [&] {
        const auto where = nuvo::LocateSettings(*system);
        nuvo::TConfigDialogModel model(nuvo::TIniFile::Load(where.readPath));
        std::fprintf(stderr,
                     "nuvoplayer: the settings dialog window is not part of this build yet; "
                     "current settings (%s): DirectSound=%d DelayTime=%s\n",
                     where.readPath.c_str(), model.CheckSound() ? 1 : 0, model.BuffInfoText().c_str());
    };
    hooks.runPlayer = [&] {
        const auto where = nuvo::LocateSettings(*system);
        const auto settings = nuvo::LoadSettings(nuvo::TIniFile::Load(where.readPath));
        std::fprintf(stderr,
                     "nuvoplayer: settings read from %s (DirectSound=%d, DelayTime=%d ms); "
                     "the main window is not part of this build yet, so the title is not run\n",
                     where.readPath.c_str(), settings.SettingDirectSound ? 1 : 0, settings.SettingDelayTime);
        return 1;
    };
    return nuvo::RunEntry(args, *system, hooks);
}
