// Feeds any bytes to the page reader. A page that loads must dump to a text
// that builds back into a page with the same dump (the same commands and the
// same operation lists).
#include "base/Error.h"
#include "base/Stream.h"
#include "engine/Page.h"
#include "engine/PageSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data, data + size));
    nuvo::TPage page;
    try {
        if (page.LoadFromStream(s) != nuvo::TPage::LoadResult::Loaded) return 0;
    } catch (const nuvo::ENuvoError&) {
        return 0;
    }
    const std::string text = nuvo::writePageSource(page);
    nuvo::TPage rebuilt;
    nuvo::readPageSource(text, rebuilt); // raises, and so fails the run, on any text it cannot read
    nuvo::TKvMemoryStream bytes;
    rebuilt.SaveToStream(bytes);
    bytes.setPosition(0);
    nuvo::TPage reloaded;
    if (reloaded.LoadFromStream(bytes) != nuvo::TPage::LoadResult::Loaded) __builtin_trap();
    if (nuvo::writePageSource(reloaded) != text) __builtin_trap();
    return 0;
}
