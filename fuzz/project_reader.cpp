// Feeds any bytes to the project file reader. Whatever loads must write back
// to bytes that load to the same setting, and its text form must read back to
// the same setting.
#include "base/Error.h"
#include "base/Stream.h"
#include "engine/ProjectSetting.h"
#include "engine/ProjectSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data, data + size));
    nuvo::TProjectSetting p;
    try {
        p.LoadFromStream(s);
    } catch (const nuvo::ENuvoError&) {
        return 0;
    }
    nuvo::TKvMemoryStream out;
    p.SaveToStream(out);
    out.setPosition(0);
    nuvo::TProjectSetting again;
    again.LoadFromStream(out);
    if (!(again == p)) __builtin_trap();

    nuvo::TProjectSetting fromText;
    nuvo::readProjectSource(nuvo::writeProjectSource(p), fromText);
    if (!(fromText == p)) __builtin_trap();
    return 0;
}
