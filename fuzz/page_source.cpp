// Feeds any text to the page source reader: it builds a page or raises its
// own error, placed at a line and a column. A page it builds is dumped and
// built again, which must give the very same bytes. The page is built as
// "start.nsb", so labels of Jump "start.nsb" resolve.
#include "base/Error.h"
#include "base/Stream.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "engine/SourceText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::string_view kPageName = "start.nsb";

std::vector<uint8_t> bytesOf(const nuvo::TPage& page) {
    nuvo::TKvMemoryStream out;
    page.SaveToStream(out);
    return out.bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    nuvo::TPage page;
    try {
        nuvo::readPageSource(text, page, kPageName);
    } catch (const nuvo::ESourceError& e) {
        // Only a source without its page line has no place.
        const bool placed = e.Line() > 0 && e.Column() > 0;
        if (!placed && !e.Message().starts_with("empty page source")) std::abort();
        return 0;
    }
    const std::vector<uint8_t> built = bytesOf(page);

    nuvo::TKvMemoryStream stream(built);
    nuvo::TPage loaded;
    if (loaded.LoadFromStream(stream) != nuvo::TPage::LoadResult::Loaded) std::abort();
    nuvo::TPage rebuilt;
    try {
        nuvo::readPageSource(nuvo::writePageSource(loaded), rebuilt, kPageName);
    } catch (const nuvo::ESourceError&) {
        std::abort(); // the dump of a built page always builds
    }
    if (bytesOf(rebuilt) != built) std::abort();
    return 0;
}
