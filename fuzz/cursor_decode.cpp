// Decoding a cursor or animated cursor file on any bytes: a shape within the
// limits or an error.
#include "base/Error.h"
#include "render/CursorImage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const nuvo::platform::CursorShape shape = nuvo::DecodeCursorFile(data, size);
        if (shape.frames.empty()) std::abort();
        for (const auto& f : shape.frames)
            if (f.width < 1 || f.height < 1 || f.width > nuvo::kMaxCursorSide || f.height > nuvo::kMaxCursorSide ||
                f.argb.size() != static_cast<size_t>(f.width) * static_cast<size_t>(f.height) || f.hotX < 0 ||
                f.hotX >= f.width || f.hotY < 0 || f.hotY >= f.height ||
                (!f.invert.empty() && f.invert.size() != f.argb.size()))
                std::abort();
        for (const auto& s : shape.steps)
            if (s.frame < 0 || static_cast<size_t>(s.frame) >= shape.frames.size() || s.durationMs < 1) std::abort();
    } catch (const nuvo::ENuvoError&) {
    }
    return 0;
}
