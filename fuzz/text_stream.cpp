// Feeds any bytes to the element stream reader (as the history and the
// message box save data hold it): it loads or raises its own error; what it
// loads is laid out, drawn and written again.
#include "TextFuzz.h"

#include "base/Error.h"
#include "base/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TKvWord word;
    nuvo::fuzz::prepare(word);
    word.Width = 320;
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data, data + size));
    try {
        word.LoadFromStream(s);
    } catch (const nuvo::ENuvoError&) {
        return 0;
    }
    nuvo::fuzz::drive(word);
    return 0;
}
