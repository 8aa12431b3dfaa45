// The layered-image reader on any bytes: an error or a picture, never a crash,
// a hang or an allocation sized by an unchecked header. The first byte picks
// the image key and the reading options so scrambled layouts are reached too.
#include "base/Error.h"
#include "base/Stream.h"
#include "render/DIBX.h"
#include "render/PelkImage.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t options = data[0];
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
    nuvo::TPelkFrameList list((options & 1) ? 4242 : 0);
    list.TargetBitCount = 16;
    try {
        list.LoadFromStream(s, options & 2, options & 4, options & 8);
        // The steps after decoding on pictures of a reasonable size (they
        // are linear in the pixels and only slow the fuzzer down on big ones).
        if (list.Count() > 0 && int64_t{list.GetFrame(0).Width()} * list.GetFrame(0).Height() <= (1 << 22)) {
            nuvo::TPelkFrame& f = list.GetFrame(0);
            f.MakeMask(true);
            f.Trim();
            nuvo::TDIBX picture(1, 1, 32), mask(1, 1, 8);
            nuvo::CopyToSurface(f, picture);
            nuvo::CopyMask(f, mask);
        }
    } catch (const nuvo::ENuvoError&) {
    }
    return 0;
}
