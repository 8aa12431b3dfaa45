#include "script/ParamVar.h"

#include "base/StreamIO.h"
#include "script/ParamCollection.h"

namespace nuvo {
namespace {

// References may point at references (array-element temporaries) and records
// from files may even form cycles: every forwarded call counts its depth.
constexpr int kMaxHops = 32;
thread_local int hopDepth = 0;

class Hop {
public:
    Hop() : ok_(++hopDepth <= kMaxHops) {}
    ~Hop() { --hopDepth; }
    Hop(const Hop&) = delete;
    Hop& operator=(const Hop&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
};

template <typename R, typename F> R via(const TParamVar& ref, R fallback, F&& f) {
    Hop hop;
    TCustomParam* target = hop.ok() ? ref.TargetValue() : nullptr;
    return target ? f(*target) : fallback;
}

template <typename F> void viaDo(const TParamVar& ref, F&& f) {
    Hop hop;
    if (TCustomParam* target = hop.ok() ? ref.TargetValue() : nullptr) f(*target);
}

} // namespace

const TCustomParam& resolveReference(const TCustomParam& value) {
    const TCustomParam* p = &value;
    for (int i = 0; i < kMaxHops; ++i) {
        auto* ref = dynamic_cast<const TParamVar*>(p);
        const TCustomParam* next = ref ? ref->TargetValue() : nullptr;
        if (!next) break;
        p = next;
    }
    return *p;
}

TCustomParam* TParamVar::TargetValue() const { return Target ? Target->Value() : nullptr; }

int32_t TParamVar::Count() const {
    return via(*this, 0, [](TCustomParam& t) { return t.Count(); });
}
void TParamVar::SetCount(int32_t n) {
    viaDo(*this, [&](TCustomParam& t) { t.SetCount(n); });
}
uint8_t TParamVar::ParamType() const {
    return via(*this, uint8_t{PT_NONE}, [](TCustomParam& t) { return t.ParamType(); });
}
bool TParamVar::AsBool() const {
    return via(*this, false, [&](TCustomParam& t) { return t.GetBoolAt(Index); });
}
long double TParamVar::AsFloat() const {
    return via(*this, 0.0L, [&](TCustomParam& t) { return t.GetFloatAt(Index); });
}
int32_t TParamVar::AsInteger() const {
    return via(*this, 0, [&](TCustomParam& t) { return t.GetIntAt(Index); });
}
std::string TParamVar::AsString() const {
    return via(*this, std::string(), [&](TCustomParam& t) { return t.GetStrAt(Index); });
}
void TParamVar::SetBool(bool b) {
    viaDo(*this, [&](TCustomParam& t) { t.SetBoolAt(Index, b); });
}
void TParamVar::SetFloat(long double x) {
    viaDo(*this, [&](TCustomParam& t) { t.SetFloatAt(Index, x); });
}
void TParamVar::SetInteger(int32_t i) {
    viaDo(*this, [&](TCustomParam& t) { t.SetIntAt(Index, i); });
}
void TParamVar::SetString(std::string_view s) {
    viaDo(*this, [&](TCustomParam& t) { t.SetStrAt(Index, s); });
}
int32_t TParamVar::GetIntAt(int32_t i) const {
    return via(*this, 0, [&](TCustomParam& t) { return t.GetIntAt(i); });
}
void TParamVar::SetIntAt(int32_t i, int32_t v) {
    viaDo(*this, [&](TCustomParam& t) { t.SetIntAt(i, v); });
}
long double TParamVar::GetFloatAt(int32_t i) const {
    return via(*this, 0.0L, [&](TCustomParam& t) { return t.GetFloatAt(i); });
}
void TParamVar::SetFloatAt(int32_t i, long double x) {
    viaDo(*this, [&](TCustomParam& t) { t.SetFloatAt(i, x); });
}
bool TParamVar::GetBoolAt(int32_t i) const {
    return via(*this, false, [&](TCustomParam& t) { return t.GetBoolAt(i); });
}
void TParamVar::SetBoolAt(int32_t i, bool b) {
    viaDo(*this, [&](TCustomParam& t) { t.SetBoolAt(i, b); });
}
std::string TParamVar::GetStrAt(int32_t i) const {
    return via(*this, std::string(), [&](TCustomParam& t) { return t.GetStrAt(i); });
}
void TParamVar::SetStrAt(int32_t i, std::string_view s) {
    viaDo(*this, [&](TCustomParam& t) { t.SetStrAt(i, s); });
}
int32_t TParamVar::DimCount() const {
    return via(*this, 0, [](TCustomParam& t) { return t.DimCount(); });
}
int32_t TParamVar::DimSize(int32_t k) const {
    return via(*this, 0, [&](TCustomParam& t) { return t.DimSize(k); });
}
void TParamVar::AssignFrom(const TCustomParam& other) {
    viaDo(*this, [&](TCustomParam& t) { t.AssignFrom(other); });
}
void TParamVar::SetDims(std::span<const int32_t> sizes) {
    viaDo(*this, [&](TCustomParam& t) { t.SetDims(sizes); });
}
void TParamVar::FillInt(int32_t v) {
    viaDo(*this, [&](TCustomParam& t) { t.FillInt(v); });
}
void TParamVar::FillFloat(long double x) {
    viaDo(*this, [&](TCustomParam& t) { t.FillFloat(x); });
}
void TParamVar::FillBool(bool b) {
    viaDo(*this, [&](TCustomParam& t) { t.FillBool(b); });
}
void TParamVar::FillStr(std::string_view s) {
    viaDo(*this, [&](TCustomParam& t) { t.FillStr(s); });
}
void TParamVar::CopyMem(const TCustomParam& other) {
    viaDo(*this, [&](TCustomParam& t) { t.CopyMem(other); });
}
void TParamVar::MakeScalar() {
    viaDo(*this, [](TCustomParam& t) { t.MakeScalar(); });
}
int32_t TParamVar::IndexOfStr(std::string_view s, bool caseSensitive, bool partial) const {
    return via(*this, -1, [&](TCustomParam& t) { return t.IndexOfStr(s, caseSensitive, partial); });
}

void TParamVar::SaveToStream(TStream& s) const {
    WriteInt(s, static_cast<int32_t>(Dims_.size()));
    for (int32_t d : Dims_)
        WriteInt(s, d);
    WriteStr(s, TargetName);
    WriteStr(s, Target ? std::string_view(Target->Name()) : std::string_view());
    WriteByte(s, RefFlag);
    WriteInt(s, Index);
}

void TParamVar::LoadFromStream(TStream& s) {
    const int32_t dimCount = ReadCountChecked(s, 4);
    std::vector<int32_t> dims(static_cast<size_t>(dimCount));
    ReadExact(s, dims.data(), static_cast<int64_t>(dimCount) * 4);
    std::string targetName = ReadStrChecked(s);
    std::string entryName = ReadStrChecked(s);
    const uint8_t refFlag = ReadByteChecked(s);
    const int32_t index = ReadIntChecked(s);
    Dims_ = std::move(dims);
    TargetName = std::move(targetName);
    loadedEntryName_ = std::move(entryName);
    RefFlag = refFlag;
    Index = index;
    Target = nullptr;
}

} // namespace nuvo
