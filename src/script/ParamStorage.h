// The four storage classes: values that hold their elements themselves.
// TParamInt holds int32, TParamFloat 80-bit reals, TParamFlag one byte per
// element (0 FALSE, anything else TRUE; the byte is kept as read so records
// round-trip exactly), TParamStr Shift-JIS byte strings.
//
// A scalar keeps its element inside the object, so creating, reading and
// writing a scalar never allocates (the evaluator makes one per temporary).
// Whole-array work (copies, fills, records) runs on the element array.
#pragma once

#include "script/Param.h"

#include <string>
#include <vector>

namespace nuvo {

// The element array of one value: the first element lives inline while the
// count is at most 1; larger arrays live on the heap. data() is always valid
// for one element, which reads as the default when the count is 0.
template <typename T> class ElementBuffer {
public:
    ElementBuffer() = default;
    ElementBuffer(const ElementBuffer&) = delete;
    ElementBuffer& operator=(const ElementBuffer&) = delete;

    int32_t size() const { return size_; }
    T* data() { return data_; }
    const T* data() const { return data_; }

    // Keeps the first min(old, n) elements; new ones are T{}.
    void resize(int32_t n);
    // Becomes the given elements.
    void adopt(std::vector<T>&& elements);
    void assign(const T* source, int32_t n);

private:
    T first_{};
    std::vector<T> heap_;
    T* data_ = &first_;
    int32_t size_ = 1;
};

template <typename T> class TParamStorage : public TCustomParam {
public:
    using Element = T;

    int32_t Count() const override { return elements_.size(); }
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

    // Direct access to the elements, for whole-array operations.
    T* Data() { return elements_.data(); }
    const T* Data() const { return elements_.data(); }

protected:
    TParamStorage() = default;

private:
    T& at(int32_t i);
    const T& at(int32_t i) const;
    T& scalar(); // after MakeScalar: element 0, which then exists
    void convertFrom(const TCustomParam& source);

    ElementBuffer<T> elements_;
};

class TParamInt final : public TParamStorage<int32_t> {};
class TParamFloat final : public TParamStorage<long double> {};
class TParamFlag final : public TParamStorage<uint8_t> {};
class TParamStr final : public TParamStorage<std::string> {};

extern template class TParamStorage<int32_t>;
extern template class TParamStorage<long double>;
extern template class TParamStorage<uint8_t>;
extern template class TParamStorage<std::string>;

} // namespace nuvo
