// Feeds any bytes to the markup parser as a title's text, then lays the
// elements out, renders and draws them and writes their stream: a markup
// error is the only failure allowed.
#include "TextFuzz.h"

#include "base/Error.h"
#include "base/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TKvWord word;
    nuvo::fuzz::prepare(word);
    word.Width = 320;
    word.Paging = true;
    word.PageHeight = 240;
    word.FontSize = 16;
    try {
        word.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const nuvo::ENuvoError&) {
        return 0;
    }
    nuvo::fuzz::drive(word);
    return 0;
}
