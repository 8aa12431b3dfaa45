// Feeds any bytes to the variable table's save records. The first byte picks
// the record (odd: status record; even: game record of one of several save
// versions); the rest is the record. Whatever loads is then read, saved and
// its snapshots restored, so that damaged but accepted data is exercised too.
#include "base/Error.h"
#include "script/ParamCollection.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr int32_t kVersions[] = {100, 103, 113, 121, 135, 139, 145};

void exercise(nuvo::TParamCollection& t) {
    for (int i = nuvo::kSystemVariableCount; i < t.Count(); ++i) {
        nuvo::TCustomParam* v = t.Entry(i)->Value();
        try {
            (void)v->AsString();
            (void)v->AsFloat();
            const int32_t n = v->Count();
            for (int32_t k = 0; k < v->DimCount() && k < 8; ++k)
                (void)v->DimSize(k);
            if (n > 0) (void)v->GetStrAt(n - 1);
            (void)v->IndexOfStr("a", false, true);
            v->SetInteger(1);
        } catch (const nuvo::ENuvoError&) {
        }
    }
    nuvo::TKvMemoryStream out;
    t.SaveGameVariables(out);
    t.SaveStatusVariables(out);
    while (!t.VarStack().empty()) {
        try {
            t.PopVar();
        } catch (const nuvo::ENuvoError&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
    nuvo::TParamCollection t;
    try {
        if (mode & 1)
            t.LoadStatusVariables(s);
        else
            (void)t.LoadGameVariables(s, kVersions[(mode >> 1) % std::size(kVersions)]);
    } catch (const nuvo::ENuvoError&) {
    }
    exercise(t);
    return 0;
}
