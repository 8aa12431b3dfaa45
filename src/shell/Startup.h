// The program's entry rules: whether the player may run at all, the
// single-instance guard named after the data folder, the choice between the
// settings dialog and the player, and where the title's data is found.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace nuvo {

namespace platform {
class ISystem;
}
class TVrFileManager;

// True when argument 1 is "/config" (compared without regard to case).
bool IsConfigArgument(const std::vector<std::string>& args);

// The guard name: argument 1 when present (also "/config"), else the
// executable's folder; a folder is made absolute and normalised first, then
// upper-cased (ASCII letters), given a trailing separator, and every
// separator becomes "-". "/config" gives "/CONFIG-".
std::string InstanceGuardName(const std::vector<std::string>& args, const std::string& executableFolder);

// The title's command line with an archive given in place of the data folder
// ("nuvoplayer ~/title/game.dat", as a file manager passes it) turned into
// its folder followed by the archive; the folder's own "game.dat" is not
// named twice. Anything else comes back as it is.
std::vector<std::string> TitleArguments(const std::vector<std::string>& args);

// Data sources, in order: the in-memory archive; then without arguments the
// executable's folder as base folder and an archive appended to the
// executable; with arguments argument 1 as base folder, and for every argument
// its folder's "game.dat", or the argument itself when it is a file (an
// archive appended to a program when the file ends in "nv", otherwise an
// archive of its own).
void SetUpDataSources(TVrFileManager& files, const std::vector<std::string>& args, platform::ISystem& system);

// Whether a player started without a data folder finds an installed title:
// the install record beside the program or in an archive appended to it.
bool TitleBesideProgram(platform::ISystem& system);

// What the entry hands on to the parts of the program that exist.
struct TEntryHooks {
    // Runs the settings dialog until it closes; returns the exit code.
    std::function<int()> runSettingsDialog;
    // Creates the main window and runs the program; returns the exit code.
    std::function<int()> runPlayer;
};

// How the guard is used.
enum class TGuardUse {
    // A second instance on the same data ends silently with 0 (the desktop).
    Silent,
    // A second instance ends with 1 and says why on standard error (a
    // headless run that shares the data folder's save file).
    Report,
    // No guard is taken (a headless run whose save file lies elsewhere).
    None,
};

// The entry: CD-ROM refusal, guard, dialog or player. Returns the exit code
// (0 also when it ends silently because another instance runs).
int RunEntry(const std::vector<std::string>& args, platform::ISystem& system, const TEntryHooks& hooks,
             TGuardUse guard = TGuardUse::Silent);

} // namespace nuvo
