#include "script/ScriptContext.h"

#include "platform/Clock.h"
#include "script/ParamCollection.h"
#include "script/ParamStorage.h"
#include "script/ParamVar.h"

#include <atomic>

namespace nuvo {

namespace {
std::atomic<uint64_t> nextContextId{1};
}

ScriptContext::ScriptContext(TParamCollection& vars, TSysFuncMan& functions, platform::IClock* clock)
    : Vars(vars), Functions(functions), Id(nextContextId.fetch_add(1)), Clock(clock) {}

ScriptContext::~ScriptContext() = default;

void ScriptContext::SeedRandomFromClock() {
    // The milliseconds since midnight, universal time.
    if (Clock) RandSeed = Clock->UtcMillisecondsOfDay();
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

template <typename Storage, typename T>
bool keepScalar(Storage& p, T zero) {
    if (p.Storage::Count() != 1) return false;
    p.Data()[0] = zero;
    return true;
}

} // namespace

bool ScriptContext::ResetSpareEntry(TParamCollectionItem& entry, uint8_t typeCode) {
    TCustomParam* v = entry.Value();
    if (!v->Dims().empty()) return false;
    entry.ExtraFlag = 0;
    entry.IsStatus = 0;
    entry.OwnerDepth = -1;
    entry.IsLocal = 0;
    switch (typeCode) {
    // A temporary that grew (SetArray on it) or shrank is not kept.
    case PT_INT: return keepScalar(static_cast<TParamInt&>(*v), 0);
    case PT_FLOAT: return keepScalar(static_cast<TParamFloat&>(*v), 0.0L);
    case PT_BOOL: return keepScalar(static_cast<TParamFlag&>(*v), uint8_t{0});
    case PT_STR: {
        auto& p = static_cast<TParamStr&>(*v);
        if (p.TParamStorage<std::string>::Count() != 1) return false;
        std::string& text = p.Data()[0];
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

void ScriptContext::ReturnSpareEntry(std::unique_ptr<TParamCollectionItem> entry, uint8_t typeCode) {
    if (!entry || typeCode >= 5 || spares_[typeCode].size() >= kMaxSparePerType) return;
    if (!ResetSpareEntry(*entry, typeCode)) return;
    spares_[typeCode].push_back(std::move(entry));
}

} // namespace nuvo
