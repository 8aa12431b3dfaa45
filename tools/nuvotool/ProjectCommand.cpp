// nuvotool project: the project file "nuvo.npb" to its text form and back.
#include "Command.h"

#include "base/Error.h"
#include "base/Stream.h"
#include "engine/ProjectSetting.h"
#include "engine/ProjectSource.h"
#include "engine/SourceText.h"
#include "platform/FileSystem.h"

#include <cstdio>

namespace nuvotool {

// Compiles project source text into project file bytes; shared with nuvotool title.
std::vector<uint8_t> buildProjectBytes(const std::string& sourceText, nuvo::TProjectSetting* settingOut) {
    nuvo::TProjectSetting setting;
    nuvo::readProjectSource(sourceText, setting);
    nuvo::TKvMemoryStream out;
    setting.SaveToStream(out);
    if (settingOut) *settingOut = setting;
    return out.bytes();
}

namespace {

const char* kHelp = "usage: nuvotool project COMMAND ...\n"
                    "\n"
                    "  dump FILE                print the project file's source text\n"
                    "  build SRC OUT            compile a project source into a project file\n"
                    "\n"
                    "The source form is described in docs/title-format.md: a 'project version=N'\n"
                    "line, one line per setting, 'var' lines for the project's variables and\n"
                    "'disk' lines for the folder-disk table.\n";

int runDump(const Args& args) {
    if (args.size() != 1) return fail("project dump: expected FILE (see nuvotool project --help)");
    try {
        nuvo::TKvMemoryStream stream(nuvo::readWholeFile(args[0]));
        nuvo::TProjectSetting setting;
        setting.LoadFromStream(stream);
        const std::string text = nuvo::writeProjectSource(setting);
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (stream.remaining() > 0)
            std::fprintf(stderr, "nuvotool: warning: %s: %lld bytes after the folder-disk table are not part of it\n",
                         args[0].c_str(), static_cast<long long>(stream.remaining()));
    } catch (const nuvo::ENuvoError& e) {
        return fail(args[0] + ": " + e.what());
    }
    return 0;
}

int runBuild(const Args& args) {
    if (args.size() != 2) return fail("project build: expected SRC and OUT (see nuvotool project --help)");
    std::vector<uint8_t> bytes;
    try {
        const std::vector<uint8_t> source = nuvo::readWholeFile(args[0]);
        bytes = buildProjectBytes(std::string(source.begin(), source.end()), nullptr);
    } catch (const nuvo::ESourceError& e) {
        return fail(args[0] + ": " + e.what());
    } catch (const nuvo::ENuvoError& e) {
        return fail(args[0] + ": " + e.what());
    }
    nuvo::platform::writeFileAtomic(args[1], bytes.data(), bytes.size());
    return 0;
}

int runProject(const Args& args) {
    if (args.empty() || (args.size() == 1 && wantsHelp(args))) return std::fputs(kHelp, stdout), 0;
    const Args rest(args.begin() + 1, args.end());
    if (wantsHelp(rest)) return std::fputs(kHelp, stdout), 0;
    if (args[0] == "dump") return runDump(rest);
    if (args[0] == "build") return runBuild(rest);
    return fail("project: unknown command '" + args[0] + "' (see nuvotool project --help)");
}

NuvoCommand reg("project", "the project file to source text and back", &runProject);

} // namespace
} // namespace nuvotool
