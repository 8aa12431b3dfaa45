// A reference to another variable of the table. Compiled expressions name
// every variable operand through one; the evaluator binds it (Target) for the
// length of one operation, and an array-element temporary keeps its binding
// with the element's linear position in Index.
//
// Scalar reads and writes become element operations on Index of the target's
// value (AsInteger is the target's GetIntAt(Index), SetString its
// SetStrAt(Index, s)); every other operation passes through unchanged, so a
// reference reports the type and shape of what it points at. Without a target
// counts are 0, ParamType is 0, reads give 0 / 0.0 / FALSE / empty,
// IndexOfStr gives -1 and writes do nothing. A chain of references is followed
// for a bounded number of hops; a longer chain or a cycle acts as no target.
#pragma once

#include "script/Param.h"

#include <string>

namespace nuvo {

class TParamCollectionItem;

class TParamVar final : public TCustomParam {
public:
    // The name of the referenced variable.
    std::string TargetName;
    // The referenced entry, borrowed. The table clears it when it deletes the
    // entry while this reference is itself a table entry's value; any other
    // holder binds it only for as long as the entry is known to live.
    TParamCollectionItem* Target = nullptr;
    // Kept with the reference and saved with it; the player never sets it.
    uint8_t RefFlag = 0;
    // The linear element position that scalar access uses.
    int32_t Index = 0;

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
    // The reference record: Int n and n Int sizes (this object's own Dims,
    // normally none), Str TargetName, Str the bound entry's name (empty when
    // unbound), Byte RefFlag, Int Index.
    void SaveToStream(TStream& s) const override;
    // Reads the reference record and leaves the reference unbound; the table
    // binds it to LoadedEntryName() once the record is read.
    void LoadFromStream(TStream& s) override;
    void MakeScalar() override;
    int32_t IndexOfStr(std::string_view s, bool caseSensitive, bool partial) const override;

    // The bound entry's name as the last record read stored it.
    const std::string& LoadedEntryName() const { return loadedEntryName_; }
    // The target's value object, or none (no target, or the chain is too long).
    TCustomParam* TargetValue() const;

private:
    std::string loadedEntryName_;
};

} // namespace nuvo
