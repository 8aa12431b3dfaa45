#include "script/ParamSystem.h"

#include <array>

namespace nuvo {
namespace {

constexpr std::array<TSystemVariableInfo, kSystemVariableCount> kSystemVariables = {{
    {"@Result", PT_NONE},
    {"@LClick", PT_BOOL},
    {"@RClick", PT_BOOL},
    {"@LPush", PT_BOOL},
    {"@RPush", PT_BOOL},
    {"@MouseX", PT_INT},
    {"@MouseY", PT_INT},
    {"@TextDelay", PT_INT},
    {"@HistoryCount", PT_INT},
    {"@ParamCount", PT_INT},
    {"@ParamStr", PT_STR},
    {"@Sender", PT_STR},
    {"@ScrWidth", PT_INT},
    {"@ScrHeight", PT_INT},
    {"@TickCount", PT_INT},
    {"@PCTickCount", PT_INT},
    {"@UpdateCount", PT_INT},
    {"@Year", PT_INT},
    {"@Month", PT_INT},
    {"@Day", PT_INT},
    {"@Week", PT_INT},
    {"@Hour", PT_INT},
    {"@Min", PT_INT},
    {"@Sec", PT_INT},
    {"@Fonts", PT_STR},
    {"@FixedFonts", PT_STR},
    {"@FullScr", PT_BOOL},
    {"@Cursor", PT_STR},
    {"@SelStr", PT_STR},
    {"@SelIndex", PT_INT},
    {"@Pi", PT_FLOAT},
    {"@CGDither", PT_BOOL},
    {"@1Hour", PT_FLOAT},
    {"@1Min", PT_FLOAT},
    {"@1Sec", PT_FLOAT},
    {"@KeyPush", PT_BOOL},
    {"@KeyClick", PT_BOOL},
    {"@DisplayModeCount", PT_INT},
    {"@DisplayModeIndex", PT_INT},
    {"@Title", PT_STR},
    {"@SoundON", PT_BOOL},
    {"@ActiveCompo", PT_STR},
    {"@KeyRepeat", PT_BOOL},
    {"@HistoryMaxCount", PT_INT},
    {"@Temp", PT_NONE},
    {"@MidiPort", PT_STR},
    {"@MidiPorts", PT_STR},
    {"@WheelDown", PT_BOOL},
    {"@WheelUp", PT_BOOL},
    {"@IsDebug", PT_BOOL},
    {"@StackCount", PT_INT},
}};

} // namespace

const TSystemVariableInfo& systemVariableInfo(int sysIndex) {
    return kSystemVariables[static_cast<size_t>(sysIndex) < kSystemVariables.size() ? static_cast<size_t>(sysIndex)
                                                                                    : 0];
}

TParamSystem::TParamSystem(uint8_t sysIndex) : sysIndex_(sysIndex) {}

// Without an accessor: a read-only scalar holding its type's default.
int32_t TParamSystem::Count() const { return accessor_ ? accessor_->Count() : 1; }
void TParamSystem::SetCount(int32_t n) {
    if (accessor_) accessor_->SetCount(n);
}
uint8_t TParamSystem::ParamType() const {
    return accessor_ ? accessor_->ParamType() : systemVariableInfo(sysIndex_).Type;
}
bool TParamSystem::AsBool() const { return accessor_ && accessor_->AsBool(); }
long double TParamSystem::AsFloat() const { return accessor_ ? accessor_->AsFloat() : 0.0L; }
int32_t TParamSystem::AsInteger() const { return accessor_ ? accessor_->AsInteger() : 0; }
std::string TParamSystem::AsString() const { return accessor_ ? accessor_->AsString() : std::string(); }
void TParamSystem::SetBool(bool b) {
    if (accessor_) accessor_->SetBool(b);
}
void TParamSystem::SetFloat(long double x) {
    if (accessor_) accessor_->SetFloat(x);
}
void TParamSystem::SetInteger(int32_t i) {
    if (accessor_) accessor_->SetInteger(i);
}
void TParamSystem::SetString(std::string_view s) {
    if (accessor_) accessor_->SetString(s);
}
int32_t TParamSystem::GetIntAt(int32_t i) const { return accessor_ ? accessor_->GetIntAt(i) : 0; }
void TParamSystem::SetIntAt(int32_t i, int32_t v) {
    if (accessor_) accessor_->SetIntAt(i, v);
}
long double TParamSystem::GetFloatAt(int32_t i) const { return accessor_ ? accessor_->GetFloatAt(i) : 0.0L; }
void TParamSystem::SetFloatAt(int32_t i, long double x) {
    if (accessor_) accessor_->SetFloatAt(i, x);
}
bool TParamSystem::GetBoolAt(int32_t i) const { return accessor_ && accessor_->GetBoolAt(i); }
void TParamSystem::SetBoolAt(int32_t i, bool b) {
    if (accessor_) accessor_->SetBoolAt(i, b);
}
std::string TParamSystem::GetStrAt(int32_t i) const { return accessor_ ? accessor_->GetStrAt(i) : std::string(); }
void TParamSystem::SetStrAt(int32_t i, std::string_view s) {
    if (accessor_) accessor_->SetStrAt(i, s);
}
int32_t TParamSystem::DimCount() const { return accessor_ ? accessor_->DimCount() : 1; }
int32_t TParamSystem::DimSize(int32_t k) const { return accessor_ ? accessor_->DimSize(k) : 1; }
void TParamSystem::AssignFrom(const TCustomParam& other) {
    if (accessor_) accessor_->AssignFrom(other);
}
void TParamSystem::SetDims(std::span<const int32_t> sizes) {
    if (accessor_) accessor_->SetDims(sizes);
}
void TParamSystem::FillInt(int32_t v) {
    if (accessor_) accessor_->FillInt(v);
}
void TParamSystem::FillFloat(long double x) {
    if (accessor_) accessor_->FillFloat(x);
}
void TParamSystem::FillBool(bool b) {
    if (accessor_) accessor_->FillBool(b);
}
void TParamSystem::FillStr(std::string_view s) {
    if (accessor_) accessor_->FillStr(s);
}
void TParamSystem::CopyMem(const TCustomParam& other) {
    if (accessor_) accessor_->CopyMem(other);
}
void TParamSystem::SaveToStream(TStream& s) const {
    if (accessor_) accessor_->SaveToStream(s);
}
void TParamSystem::LoadFromStream(TStream& s) {
    if (accessor_) accessor_->LoadFromStream(s);
}
void TParamSystem::MakeScalar() {
    if (accessor_) accessor_->MakeScalar();
}
int32_t TParamSystem::IndexOfStr(std::string_view s, bool caseSensitive, bool partial) const {
    return accessor_ ? accessor_->IndexOfStr(s, caseSensitive, partial) : -1;
}

} // namespace nuvo
