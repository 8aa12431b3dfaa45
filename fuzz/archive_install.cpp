// Any bytes as "install.dat".
#include "archive/InstallSet.h"
#include "base/Error.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data, data + size));
    nuvo::TNuvoInstallSet set;
    try {
        set.LoadFromStream(s);
    } catch (const nuvo::ENuvoError&) {
    }
    return 0;
}
