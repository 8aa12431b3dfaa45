// Feeds any bytes to the word's layout record reader (message box save
// data); whatever settings it takes, a text is laid out and drawn with them.
#include "TextFuzz.h"

#include "base/Error.h"
#include "base/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TKvWord word;
    nuvo::fuzz::prepare(word);
    word.SetText(std::string_view("<RUBY VALUE=ab>cd</RUBY><U>e</U><BR><A HREF=x>f</A><IMG SRC=9x30 ALIGN=LEFT>g h"));
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data, data + size));
    try {
        word.LoadLayout(s);
    } catch (const nuvo::ENuvoError&) {
        return 0;
    }
    nuvo::TKvMemoryStream again;
    word.SaveLayout(again);
    nuvo::fuzz::drive(word);
    return 0;
}
