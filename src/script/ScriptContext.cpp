#include "script/ScriptContext.h"

#include "platform/Clock.h"
#include "script/ParamCollection.h"
#include "script/ParamStorage.h"
#include "script/ParamVar.h"

namespace nuvo {

ScriptContext::ScriptContext(TParamCollection& vars, TSysFuncMan& functions, platform::IClock* clock)
    : Vars(vars), Functions(functions), Clock(clock) {}

ScriptContext::~ScriptContext() = default;

void ScriptContext::SeedRandomFromClock() {
    if (!Clock) return;
    const platform::LocalTime t = Clock->Now();
    RandSeed = static_cast<uint32_t>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond);
}

std::unique_ptr<TParamCollectionItem> ScriptContext::TakeSpareEntry(uint8_t typeCode) {
    if (typeCode < 5 && !spares_[typeCode].empty()) {
        auto entry = std::move(spares_[typeCode].back());
        spares_[typeCode].pop_back();
        return entry;
    }
    return TParamCollection::CreateEntry(typeCode);
}

namespace {

// Puts a used temporary back to the state of a new entry of its type; false
// when it is not worth keeping (it grew into an array).
bool resetEntry(TParamCollectionItem& entry, uint8_t typeCode) {
    TCustomParam* v = entry.Value();
    if (!v->Dims().empty() || (typeCode != PT_NONE && v->Count() != 1)) return false;
    entry.ExtraFlag = 0;
    entry.IsStatus = 0;
    entry.OwnerDepth = -1;
    entry.IsLocal = 0;
    switch (typeCode) {
    case PT_INT: static_cast<TParamInt*>(v)->Data()[0] = 0; return true;
    case PT_FLOAT: static_cast<TParamFloat*>(v)->Data()[0] = 0.0L; return true;
    case PT_BOOL: static_cast<TParamFlag*>(v)->Data()[0] = 0; return true;
    case PT_STR: {
        std::string& text = static_cast<TParamStr*>(v)->Data()[0];
        if (text.capacity() > 4096) text = std::string();
        text.clear();
        return true;
    }
    default: {
        auto* ref = static_cast<TParamVar*>(v);
        ref->TargetName.clear();
        ref->Target = nullptr;
        ref->RefFlag = 0;
        ref->Index = 0;
        return true;
    }
    }
}

} // namespace

void ScriptContext::ReturnSpareEntry(std::unique_ptr<TParamCollectionItem> entry, uint8_t typeCode) {
    if (!entry || typeCode >= 5 || spares_[typeCode].size() >= kMaxSparePerType) return;
    if (!resetEntry(*entry, typeCode)) return;
    spares_[typeCode].push_back(std::move(entry));
}

} // namespace nuvo
