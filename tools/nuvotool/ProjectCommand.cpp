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

const char* kNotes = "The source form is described in docs/title-format.md: a 'project version=N'\n"
                    "line, one line per setting, 'var' lines for the project's variables and\n"
                    "'disk' lines for the folder-disk table.\n";

int runDump(Invocation& call) {
    const Args& args = call.args();
    try {
        nuvo::TKvMemoryStream stream(nuvo::readWholeFile(args[0]));
        nuvo::TProjectSetting setting;
        setting.LoadFromStream(stream);
        call.out = nuvo::writeProjectSource(setting);
        if (stream.remaining() > 0)
            fail("warning: " + args[0] + ": " + std::to_string(stream.remaining()) +
                 " bytes after the folder-disk table are not part of it");
    } catch (const nuvo::ENuvoError& e) {
        return failFile(args[0], "", errorText(e));
    }
    return 0;
}

int runBuild(Invocation& call) {
    const Args& args = call.args();
    std::vector<uint8_t> bytes;
    try {
        const std::vector<uint8_t> source = nuvo::readWholeFile(args[0]);
        bytes = buildProjectBytes(std::string(source.begin(), source.end()), nullptr);
    } catch (const nuvo::ESourceError& e) {
        return failFile(args[0], "", errorText(e));
    } catch (const nuvo::ENuvoError& e) {
        return failFile(args[0], "", errorText(e));
    }
    nuvo::platform::writeFileAtomic(args[1], bytes.data(), bytes.size());
    return 0;
}

const NuvoGroup group({"project", "the project file to source text and back", kNotes,
                       {
                           {"dump", "FILE", "print the project file's source text", "", {}, 1, 1, &runDump},
                           {"build", "SRC OUT", "compile a project source into a project file", "", {}, 2, 2,
                            &runBuild},
                       }});

} // namespace
} // namespace nuvotool
