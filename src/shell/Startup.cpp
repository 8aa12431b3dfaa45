#include "shell/Startup.h"

#include "archive/VrFileManager.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <cstdio>
#include <filesystem>

namespace nuvo {
namespace {

bool sameAsciiNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

// True for an existing file whose last two bytes are "nv": an archive is
// appended to it.
bool endsInNv(const std::string& path) {
    if (!platform::isFile(path)) return false;
    try {
        TFileStream f(path, TFileStream::Mode::Read);
        if (f.size() < 2) return false;
        f.seek(-2, SeekOrigin::End);
        char tail[2] = {};
        return f.read(tail, 2) == 2 && tail[0] == 'n' && tail[1] == 'v';
    } catch (const ENuvoError&) {
        return false;
    }
}

} // namespace

std::vector<std::string> TitleArguments(const std::vector<std::string>& args) {
    if (args.empty() || IsConfigArgument(args) || !platform::isFile(args[0])) return args;
    const std::filesystem::path archive = std::filesystem::absolute(args[0]);
    std::vector<std::string> out{archive.parent_path().string()};
    if (!sameAsciiNoCase(archive.filename().string(), "game.dat")) out.push_back(archive.string());
    out.insert(out.end(), args.begin() + 1, args.end());
    return out;
}

bool IsConfigArgument(const std::vector<std::string>& args) {
    return !args.empty() && sameAsciiNoCase(args[0], "/config");
}

std::string InstanceGuardName(const std::vector<std::string>& args, const std::string& executableFolder) {
    std::string name;
    if (IsConfigArgument(args)) {
        // The dialog's guard keeps its own spelling and never meets a folder's.
        return "/CONFIG-";
    } else {
        const std::string folder = args.empty() ? executableFolder : args[0];
        std::error_code ec;
        std::filesystem::path p = std::filesystem::absolute(folder, ec);
        if (ec) p = folder;
        name = p.lexically_normal().string();
    }
    // Native paths are UTF-8 here; upper-casing ASCII bytes never touches a
    // multi-byte sequence.
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (name.empty() || name.back() != '/') name += '/';
    for (char& c : name)
        if (c == '/' || c == '\\') c = '-';
    return name;
}

void SetUpDataSources(TVrFileManager& files, const std::vector<std::string>& args, platform::ISystem& system) {
    files.AddArchive("");
    if (args.empty()) {
        files.SetBaseFolder(system.ExecutableFolder());
        // Program resources do not exist here, so no resource archive is added.
        const std::string exe = system.ExecutablePath();
        if (endsInNv(exe)) files.AddArchive(exe);
        return;
    }
    files.SetBaseFolder(args[0]);
    for (const std::string& arg : args) {
        if (platform::isDirectory(arg)) {
            if (auto dat = platform::resolveTitlePath(arg, "game.dat"); dat && platform::isFile(*dat)) files.AddArchive(*dat);
        } else if (platform::isFile(arg)) {
            // Whether it ends in "nv" or not, the reader finds the directory.
            files.AddArchive(arg);
        }
    }
}

bool TitleBesideProgram(platform::ISystem& system) {
    TVrFileManager files(&system, nullptr);
    try {
        SetUpDataSources(files, {}, system);
        return files.Exists("install.dat");
    } catch (const ENuvoError&) {
        return false;
    }
}

int RunEntry(const std::vector<std::string>& args, platform::ISystem& system, const TEntryHooks& hooks,
             TGuardUse guardUse) {
    if (system.IsOnCdRom(system.ExecutablePath())) return 0;
    std::unique_ptr<platform::INamedLock> guard;
    if (guardUse != TGuardUse::None) {
        const std::string name = InstanceGuardName(args, system.ExecutableFolder());
        guard = system.TryLock(name);
        if (!guard && guardUse == TGuardUse::Report) {
            std::fprintf(stderr, "nuvoplayer: another player runs on this data folder (%s); give --save-dir to run "
                                 "beside it\n", name.c_str());
            return 1;
        }
        if (!guard) return 0;
    }
    if (IsConfigArgument(args)) {
        return hooks.runSettingsDialog ? hooks.runSettingsDialog() : 0;
    }
    return hooks.runPlayer ? hooks.runPlayer() : 0;
}

} // namespace nuvo
