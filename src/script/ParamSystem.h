// The player's predefined "@" variables. They are the first 51 entries of the
// variable table, each holding a TParamSystem whose SysIndex is its position.
// The table never saves, clears, renames or deletes them.
//
// A system variable has no storage of its own: what a read computes and what
// a write does is supplied by its accessor, a value object installed by the
// owner of the player's state, to which every operation is forwarded. Until
// one is installed the variable reads as the default of its nominal type
// (0, 0.0, FALSE or empty; a count of 1) and ignores writes.
#pragma once

#include "script/Param.h"

#include <memory>
#include <string_view>

namespace nuvo {

constexpr int kSystemVariableCount = 51;

struct TSystemVariableInfo {
    std::string_view Name; // "@Result" ... "@StackCount"
    uint8_t Type;          // the type the variable reports; 0 for the aliases @Result and @Temp
};

// The system variable table in order (0 is @Result, 50 is @StackCount).
const TSystemVariableInfo& systemVariableInfo(int sysIndex);

class TParamSystem : public TCustomParam {
public:
    explicit TParamSystem(uint8_t sysIndex);

    uint8_t SysIndex() const { return sysIndex_; }
    std::string_view Name() const { return systemVariableInfo(sysIndex_).Name; }

    // Installs the object that gives this variable its behaviour (owned).
    void SetAccessor(std::unique_ptr<TCustomParam> accessor) { accessor_ = std::move(accessor); }
    TCustomParam* Accessor() const { return accessor_.get(); }

    int32_t Count() const override;
    void SetCount(int32_t n) override;
    uint8_t ParamType() const override;
    bool AsBool() const override;
    long double AsFloat() const override;
    int32_t AsInteger() const override;
    std::string AsString() const override;
    void SetBool(bool b) override;
    void SetFloat(long double x) override;
    void SetInteger(int32_t i) override;
    void SetString(std::string_view s) override;
    int32_t GetIntAt(int32_t i) const override;
    void SetIntAt(int32_t i, int32_t v) override;
    long double GetFloatAt(int32_t i) const override;
    void SetFloatAt(int32_t i, long double x) override;
    bool GetBoolAt(int32_t i) const override;
    void SetBoolAt(int32_t i, bool b) override;
    std::string GetStrAt(int32_t i) const override;
    void SetStrAt(int32_t i, std::string_view s) override;
    int32_t DimCount() const override;
    int32_t DimSize(int32_t k) const override;
    void AssignFrom(const TCustomParam& other) override;
    void SetDims(std::span<const int32_t> sizes) override;
    void FillInt(int32_t v) override;
    void FillFloat(long double x) override;
    void FillBool(bool b) override;
    void FillStr(std::string_view s) override;
    void CopyMem(const TCustomParam& other) override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s) override;
    void MakeScalar() override;
    int32_t IndexOfStr(std::string_view s, bool caseSensitive, bool partial) const override;

private:
    uint8_t sysIndex_;
    std::unique_ptr<TCustomParam> accessor_;
};

} // namespace nuvo
