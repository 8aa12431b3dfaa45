// nuvotool page: compiled pages to their text form and back.
#include "Command.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "engine/SourceText.h"
#include "platform/FileSystem.h"

#include <cstdio>

namespace nuvotool {
namespace {

const char* kNotes = "The source form is described in docs/title-format.md: a 'page version=N\n"
                    "result=T' line, optional 'mask' lines, then one command per line, indented\n"
                    "two blanks per level. A page built by build and dumped gives back the same\n"
                    "source; building that source gives back the same bytes.\n";

int runDump(Invocation& call) {
    const Args& args = call.args();
    std::vector<uint8_t> bytes;
    try {
        bytes = nuvo::readWholeFile(args[0]);
    } catch (const nuvo::ENuvoError& e) {
        return failFile(args[0], "", errorText(e));
    }
    nuvo::TKvMemoryStream stream(std::move(bytes));
    nuvo::TPage page;
    nuvo::TPage::LoadResult result;
    try {
        result = page.LoadFromStream(stream);
    } catch (const nuvo::ENuvoError& e) {
        return failFile(args[0], "", errorText(e));
    }
    if (result == nuvo::TPage::LoadResult::TooNew)
        return fail(args[0] + ": page version " + std::to_string(page.Version) +
                    " is newer than the player reads (it loads such a page empty)");
    if (result == nuvo::TPage::LoadResult::TooOld)
        return fail(args[0] + ": page version " + std::to_string(page.Version) +
                    " is older than the player reads (it asks for a rebuild)");
    call.out = nuvo::writePageSource(page);
    return 0;
}

} // namespace

// Compiles source text into page file bytes; shared with nuvotool title.
// pageName: the page's name as Jump and Call give it (Shift-JIS).
std::vector<uint8_t> buildPageBytes(const std::string& sourceText, const std::string& pageName) {
    nuvo::TPage page;
    nuvo::readPageSource(sourceText, page, pageName);
    nuvo::TKvMemoryStream out;
    page.SaveToStream(out);
    return out.bytes();
}

namespace {

int runBuild(Invocation& call) {
    const Args& args = call.args();
    std::vector<uint8_t> source;
    try {
        source = nuvo::readWholeFile(args[0]);
    } catch (const nuvo::ENuvoError& e) {
        return failFile(args[0], "", errorText(e));
    }
    std::vector<uint8_t> bytes;
    try {
        // The page is known by the name it is written under.
        const std::string base = args[1].substr(args[1].find_last_of('/') + 1);
        bytes = buildPageBytes(std::string(source.begin(), source.end()), nuvo::utf8EscapedToSjis(base).value_or(""));
    } catch (const nuvo::ESourceError& e) {
        return failFile(args[0], "", errorText(e));
    }
    nuvo::platform::writeFileAtomic(args[1], bytes.data(), bytes.size());
    return 0;
}

const NuvoGroup group({"page", "compiled pages to source text and back", kNotes,
                       {
                           {"dump", "FILE.nsb", "print the page's source text", "", {}, 1, 1, &runDump},
                           {"build", "SRC OUT.nsb", "compile a page source into a page file", "", {}, 2, 2, &runBuild},
                       }});

} // namespace
} // namespace nuvotool
