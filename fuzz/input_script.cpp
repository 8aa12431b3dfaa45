// The headless input script on any text: actions in frame order or an error
// naming a line of the text.
#include "platform/InputScript.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto actions = nuvo::platform::parseInputScript(text);
        for (size_t i = 0; i < actions.size(); ++i) {
            const auto& a = actions[i];
            if (a.frame < 0 || a.frame > nuvo::platform::kMaxScriptFrame + 1 || a.line < 1) std::abort();
            if (i > 0 && actions[i - 1].frame > a.frame) std::abort();
        }
    } catch (const nuvo::platform::EInputScriptError& e) {
        if (e.Line() < 1) std::abort();
    }
    return 0;
}
