// Feeds any text to the page source reader: it builds a page or raises its
// own error, nothing else.
#include "base/Error.h"
#include "base/Stream.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "engine/SourceText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TPage page;
    try {
        nuvo::readPageSource(std::string_view(reinterpret_cast<const char*>(data), size), page);
    } catch (const nuvo::ESourceError&) {
        return 0;
    }
    nuvo::TKvMemoryStream out;
    page.SaveToStream(out);
    return 0;
}
