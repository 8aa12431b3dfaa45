#include "components/ScriptWipeRandom.h"

#include "script/ScriptContext.h"

namespace nuvo {

int32_t TScriptWipeRandom::Random(int32_t range) {
    uint32_t& seed = script_.RandSeed;
    seed = seed * 134775813u + 1u;
    if (range < 1) return 0;
    return static_cast<int32_t>((uint64_t{seed} * static_cast<uint32_t>(range)) >> 32);
}

} // namespace nuvo
