// The transitions' random generator wired to the script library's Random:
// crack and block-random transitions draw from the same state the scripts'
// Random function advances, so a title run with a fixed seed repeats its
// transitions exactly.
#pragma once

#include "render/wipe/Wipe.h"

namespace nuvo {

class ScriptContext;

class TScriptWipeRandom final : public IWipeRandom {
public:
    // The context is borrowed and must outlive the generator.
    explicit TScriptWipeRandom(ScriptContext& script) : script_(script) {}
    // Advances the script's seed as Random does; 0 for a range below 1.
    int32_t Random(int32_t range) override;

private:
    ScriptContext& script_;
};

} // namespace nuvo
