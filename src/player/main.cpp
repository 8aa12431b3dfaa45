// nuvoplayer: the entry of the player program.
#include "archive/VrFileManager.h"
#include "base/Cp932.h"
#include "base/Error.h"
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
        std::fprintf(stderr, "nuvoplayer: settings read from %s (DirectSound=%d, DelayTime=%d ms)\n",
                     where.readPath.c_str(), settings.SettingDirectSound ? 1 : 0, settings.SettingDelayTime);
        nuvo::TVrFileManager files(system.get(), nullptr);
        try {
            nuvo::SetUpDataSources(files, args, *system);
        } catch (const nuvo::ENuvoError& e) {
            std::fprintf(stderr, "nuvoplayer: %s\n", e.what());
            return 0;
        }
        std::fprintf(stderr, "nuvoplayer: data folder %s, %d archive(s) besides the in-memory one\n",
                     files.BaseFolder().c_str(), files.ArchiveCount() - 1);
        if (!files.Exists("nuvo.npb"))
            std::fprintf(stderr, "nuvoplayer: the project file nuvo.npb was not found there\n");
        std::fprintf(stderr, "nuvoplayer: the main window is not part of this build yet, so the title is not run\n");
        // The entry ends with 0 in every case, like the silent stops of start-up.
        return 0;
    };
    return nuvo::RunEntry(args, *system, hooks);
}
