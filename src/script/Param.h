// The value objects of the script language. Every value a script handles (a
// variable's contents, a constant inside a compiled expression, a called
// page's result, a built-in function's argument) is a TCustomParam: a scalar or
// a multi-dimensional array of one element type.
//
// The storage classes (ParamStorage.h) hold elements; TParamVar (ParamVar.h)
// forwards to another variable; TParamSystem (ParamSystem.h) stands for one of
// the player's predefined "@" variables. Callers never need to tell them apart:
// every operation below is defined for all of them, and every read or write
// converts between the element type and the requested one (never failing).
//
// Arrays are row-major: of dimensions d1..dn, the element (i1..in) sits at
// ((i1*d2 + i2)*d3 + i3)... + in. A scalar has no dimensions and one element.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TStream;

// Type codes, as stored in save data and compiled pages.
enum : uint8_t { PT_NONE = 0, PT_INT = 1, PT_FLOAT = 2, PT_BOOL = 3, PT_STR = 4 };

// Declaration scopes of the VarNew command.
enum : uint8_t { SCOPE_GLOBAL = 0, SCOPE_AUTODELETE = 1, SCOPE_LOCAL = 2, SCOPE_STATUS = 3 };

// The largest element count an array may have (16 Mi elements): a request for
// more, by SetDims, SetCount or a stored record, is refused rather than
// exhausting memory.
constexpr int32_t kMaxParamElements = 1 << 24;

// The type names shown to authors ("整数", "実数", "フラグ", "文字列"; empty for 0
// and unknown codes) and the scope names, in Shift-JIS.
const std::string& paramTypeName(uint8_t typeCode);
const std::string& scopeName(uint8_t scope);

class TCustomParam {
public:
    TCustomParam() = default;
    virtual ~TCustomParam();
    TCustomParam(const TCustomParam&) = delete;
    TCustomParam& operator=(const TCustomParam&) = delete;

    // The operations, in the order of the system's table of value operations.
    // Element operations (the ...At family) raise "[%d]:配列の添字が不正です"
    // for an index outside 0..Count()-1; the whole-value setters first make the
    // value a scalar that keeps its old first element.

    virtual int32_t Count() const = 0;
    // Resizes the element array (new elements are 0 / 0.0 / FALSE / empty);
    // the dimensions are left alone. A negative count means 0.
    virtual void SetCount(int32_t n) = 0;
    // PT_INT..PT_STR; a reference reports what it points at, 0 without a target.
    virtual uint8_t ParamType() const = 0;
    virtual bool AsBool() const = 0;
    virtual long double AsFloat() const = 0;
    virtual int32_t AsInteger() const = 0;
    virtual std::string AsString() const = 0;
    virtual void SetBool(bool b) = 0;
    virtual void SetFloat(long double x) = 0;
    virtual void SetInteger(int32_t i) = 0;
    virtual void SetString(std::string_view s) = 0;
    virtual int32_t GetIntAt(int32_t i) const = 0;
    virtual void SetIntAt(int32_t i, int32_t v) = 0;
    virtual long double GetFloatAt(int32_t i) const = 0;
    virtual void SetFloatAt(int32_t i, long double x) = 0;
    virtual bool GetBoolAt(int32_t i) const = 0;
    virtual void SetBoolAt(int32_t i, bool b) = 0;
    virtual std::string GetStrAt(int32_t i) const = 0;
    virtual void SetStrAt(int32_t i, std::string_view s) = 0;
    // Number of dimensions, 1 for a scalar.
    virtual int32_t DimCount() const = 0;
    // Size of dimension k, 1 for any k outside the dimensions.
    virtual int32_t DimSize(int32_t k) const = 0;
    // Becomes a copy of other: dimensions and raw elements when other is of the
    // same storage class (seen through references); otherwise every element
    // converted, a one-element other giving a scalar.
    virtual void AssignFrom(const TCustomParam& other) = 0;
    // Every size must be at least 1 and their product at most
    // kMaxParamElements, else "配列の要素数[%s]が不正です" is raised and nothing
    // changes. Elements keep their linear positions. No sizes make a scalar.
    virtual void SetDims(std::span<const int32_t> sizes) = 0;
    // Each fill acts only on its own storage class and does nothing elsewhere.
    virtual void FillInt(int32_t v) = 0;
    virtual void FillFloat(long double x) = 0;
    virtual void FillBool(bool b) = 0;
    virtual void FillStr(std::string_view s) = 0;
    // Count, dimensions and elements of another value of the same storage class
    // (seen through references), else "CopyMem:変数の型があいません".
    virtual void CopyMem(const TCustomParam& other) = 0;
    // The value record: Int n, n Int sizes, Int count, the elements.
    virtual void SaveToStream(TStream& s) const = 0;
    // Reads the value record with checked reads: truncated or oversized data
    // raises and leaves the value as it was.
    virtual void LoadFromStream(TStream& s) = 0;
    // Drops the dimensions, keeping only the first element.
    virtual void MakeScalar() = 0;
    // First position whose string form matches s, else -1. Partial: contains s
    // (both lower-cased unless caseSensitive); whole: byte-equal when
    // caseSensitive, else equal without regard to letter case.
    virtual int32_t IndexOfStr(std::string_view s, bool caseSensitive, bool partial) const = 0;

    // The dimensions as stored (empty for a scalar).
    const std::vector<int32_t>& Dims() const { return Dims_; }

protected:
    std::vector<int32_t> Dims_;
};

// A new scalar of the class for typeCode & 0x7F: a reference for 0, the storage
// classes for 1..4, none for any other code.
std::unique_ptr<TCustomParam> CreateValue(uint8_t typeCode);

// Gives destination the source's dimensions (SetDims of each DimSize) and
// copies every element with conversion to the destination's type.
void ConvertCopy(TCustomParam& destination, const TCustomParam& source);

// The value a reference chain ends at (at most a bounded number of hops), or
// the reference itself when it has no target. Non-references give themselves.
const TCustomParam& resolveReference(const TCustomParam& value);

} // namespace nuvo
