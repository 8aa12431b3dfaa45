#include "script/ParamStorage.h"

#include "base/Cp932.h"
#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "script/NumberText.h"
#include "script/ParamMessages.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace nuvo {

// ---- ElementBuffer

template <typename T> void ElementBuffer<T>::resize(int32_t n) {
    if (n <= 1) {
        if (data_ != &first_) {
            first_ = n == 1 ? std::move(heap_[0]) : T{};
            std::vector<T>().swap(heap_);
            data_ = &first_;
        } else if (n <= 0) {
            first_ = T{};
        }
        size_ = std::max(n, 0);
        return;
    }
    if (data_ == &first_) {
        std::vector<T> grown(static_cast<size_t>(n));
        if (size_ == 1) grown[0] = std::move(first_);
        first_ = T{};
        heap_ = std::move(grown);
    } else {
        heap_.resize(static_cast<size_t>(n));
    }
    data_ = heap_.data();
    size_ = n;
}

template <typename T> void ElementBuffer<T>::adopt(std::vector<T>&& elements) {
    if (elements.size() <= 1) {
        first_ = elements.empty() ? T{} : std::move(elements[0]);
        std::vector<T>().swap(heap_);
        data_ = &first_;
        size_ = static_cast<int32_t>(elements.size());
        return;
    }
    heap_ = std::move(elements);
    first_ = T{};
    data_ = heap_.data();
    size_ = static_cast<int32_t>(heap_.size());
}

template <typename T> void ElementBuffer<T>::assign(const T* source, int32_t n) {
    if (source == data_) return;
    resize(n);
    std::copy(source, source + n, data_);
}

// ---- Conversions between element types

namespace {

template <typename T> struct Conv;

template <> struct Conv<int32_t> {
    static constexpr uint8_t code = PT_INT;
    static constexpr int64_t recordBytes = 4;
    static int32_t toInt(int32_t v) { return v; }
    static long double toReal(int32_t v) { return v; }
    static bool toBool(int32_t v) { return v != 0; }
    static std::string toText(int32_t v) { return intToText(v); }
    static int32_t fromInt(int32_t v) { return v; }
    static int32_t fromReal(long double x) { return truncToInt32(x); }
    static int32_t fromBool(bool b) { return b ? 1 : 0; }
    static int32_t fromText(std::string_view s) { return textToInt(s); }
};

template <> struct Conv<long double> {
    static constexpr uint8_t code = PT_FLOAT;
    static constexpr int64_t recordBytes = 10;
    static int32_t toInt(long double v) { return truncToInt32(v); }
    static long double toReal(long double v) { return v; }
    static bool toBool(long double v) { return v != 0; }
    static std::string toText(long double v) { return realToText(v); }
    static long double fromInt(int32_t v) { return v; }
    static long double fromReal(long double x) { return x; }
    static long double fromBool(bool b) { return b ? 1.0L : 0.0L; }
    static long double fromText(std::string_view s) { return textToReal(s); }
};

template <> struct Conv<uint8_t> {
    static constexpr uint8_t code = PT_BOOL;
    static constexpr int64_t recordBytes = 1;
    static int32_t toInt(uint8_t v) { return v != 0 ? 1 : 0; }
    static long double toReal(uint8_t v) { return v != 0 ? 1.0L : 0.0L; }
    static bool toBool(uint8_t v) { return v != 0; }
    static std::string toText(uint8_t v) { return v != 0 ? "TRUE" : "FALSE"; }
    static uint8_t fromInt(int32_t v) { return v != 0; }
    static uint8_t fromReal(long double x) { return x != 0; }
    static uint8_t fromBool(bool b) { return b; }
    static uint8_t fromText(std::string_view s) { return s == "TRUE"; }
};

template <> struct Conv<std::string> {
    static constexpr uint8_t code = PT_STR;
    static constexpr int64_t recordBytes = 4;
    static int32_t toInt(const std::string& v) { return textToInt(v); }
    static long double toReal(const std::string& v) { return textToReal(v); }
    static bool toBool(const std::string& v) { return v == "TRUE"; }
    static const std::string& toText(const std::string& v) { return v; }
    static std::string fromInt(int32_t v) { return intToText(v); }
    static std::string fromReal(long double x) { return realToText(x); }
    static std::string fromBool(bool b) { return b ? "TRUE" : "FALSE"; }
    static std::string fromText(std::string_view s) { return std::string(s); }
};

// Element i of any value, read as the element type T.
template <typename T> T readAs(const TCustomParam& source, int32_t i) {
    if constexpr (std::is_same_v<T, int32_t>)
        return source.GetIntAt(i);
    else if constexpr (std::is_same_v<T, long double>)
        return source.GetFloatAt(i);
    else if constexpr (std::is_same_v<T, uint8_t>)
        return source.GetBoolAt(i) ? 1 : 0;
    else
        return source.GetStrAt(i);
}

template <typename T> void writeElements(TStream& s, const T* data, int32_t n) {
    if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, uint8_t>) {
        static_assert(std::endian::native == std::endian::little);
        s.write(data, static_cast<int64_t>(n) * static_cast<int64_t>(sizeof(T)));
    } else if constexpr (std::is_same_v<T, long double>) {
        std::vector<uint8_t> bytes(static_cast<size_t>(n) * 10);
        for (int32_t i = 0; i < n; ++i)
            float80ToBytes(data[i], &bytes[static_cast<size_t>(i) * 10]);
        s.write(bytes.data(), static_cast<int64_t>(bytes.size()));
    } else {
        for (int32_t i = 0; i < n; ++i)
            WriteStr(s, data[i]);
    }
}

template <typename T> std::vector<T> readElements(TStream& s, int32_t n) {
    std::vector<T> out(static_cast<size_t>(n));
    if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, uint8_t>) {
        ReadExact(s, out.data(), static_cast<int64_t>(n) * static_cast<int64_t>(sizeof(T)));
    } else if constexpr (std::is_same_v<T, long double>) {
        std::vector<uint8_t> bytes(static_cast<size_t>(n) * 10);
        ReadExact(s, bytes.data(), static_cast<int64_t>(bytes.size()));
        for (int32_t i = 0; i < n; ++i)
            out[static_cast<size_t>(i)] = float80FromBytes(&bytes[static_cast<size_t>(i) * 10]);
    } else {
        for (auto& e : out)
            e = ReadStrChecked(s);
    }
    return out;
}

int32_t checkedCount(int64_t n, std::span<const int32_t> requested) {
    if (n > kMaxParamElements) raiseBadDims(requested);
    return static_cast<int32_t>(std::max<int64_t>(n, 0));
}

} // namespace

// ---- TParamStorage

template <typename T> T& TParamStorage<T>::at(int32_t i) {
    if (static_cast<uint32_t>(i) >= static_cast<uint32_t>(elements_.size())) raiseBadIndex(i);
    return elements_.data()[i];
}

template <typename T> const T& TParamStorage<T>::at(int32_t i) const {
    if (static_cast<uint32_t>(i) >= static_cast<uint32_t>(elements_.size())) raiseBadIndex(i);
    return elements_.data()[i];
}

template <typename T> T& TParamStorage<T>::scalar() {
    MakeScalar();
    if (elements_.size() == 0) elements_.resize(1);
    return elements_.data()[0];
}

template <typename T> void TParamStorage<T>::SetCount(int32_t n) {
    const int32_t request[] = {n};
    elements_.resize(checkedCount(n, request));
}

template <typename T> uint8_t TParamStorage<T>::ParamType() const { return Conv<T>::code; }

template <typename T> bool TParamStorage<T>::AsBool() const { return Conv<T>::toBool(elements_.data()[0]); }
template <typename T> long double TParamStorage<T>::AsFloat() const { return Conv<T>::toReal(elements_.data()[0]); }
template <typename T> int32_t TParamStorage<T>::AsInteger() const { return Conv<T>::toInt(elements_.data()[0]); }
template <typename T> std::string TParamStorage<T>::AsString() const { return Conv<T>::toText(elements_.data()[0]); }

template <typename T> void TParamStorage<T>::SetBool(bool b) { scalar() = Conv<T>::fromBool(b); }
template <typename T> void TParamStorage<T>::SetFloat(long double x) { scalar() = Conv<T>::fromReal(x); }
template <typename T> void TParamStorage<T>::SetInteger(int32_t i) { scalar() = Conv<T>::fromInt(i); }
template <typename T> void TParamStorage<T>::SetString(std::string_view s) {
    if constexpr (std::is_same_v<T, std::string>)
        scalar().assign(s.data(), s.size());
    else
        scalar() = Conv<T>::fromText(s);
}

template <typename T> int32_t TParamStorage<T>::GetIntAt(int32_t i) const { return Conv<T>::toInt(at(i)); }
template <typename T> void TParamStorage<T>::SetIntAt(int32_t i, int32_t v) { at(i) = Conv<T>::fromInt(v); }
template <typename T> long double TParamStorage<T>::GetFloatAt(int32_t i) const { return Conv<T>::toReal(at(i)); }
template <typename T> void TParamStorage<T>::SetFloatAt(int32_t i, long double x) { at(i) = Conv<T>::fromReal(x); }
template <typename T> bool TParamStorage<T>::GetBoolAt(int32_t i) const { return Conv<T>::toBool(at(i)); }
template <typename T> void TParamStorage<T>::SetBoolAt(int32_t i, bool b) { at(i) = Conv<T>::fromBool(b); }
template <typename T> std::string TParamStorage<T>::GetStrAt(int32_t i) const { return Conv<T>::toText(at(i)); }
template <typename T> void TParamStorage<T>::SetStrAt(int32_t i, std::string_view s) {
    if constexpr (std::is_same_v<T, std::string>)
        at(i).assign(s.data(), s.size());
    else
        at(i) = Conv<T>::fromText(s);
}

template <typename T> int32_t TParamStorage<T>::DimCount() const {
    return Dims_.empty() ? 1 : static_cast<int32_t>(Dims_.size());
}

template <typename T> int32_t TParamStorage<T>::DimSize(int32_t k) const {
    return k >= 0 && static_cast<size_t>(k) < Dims_.size() ? Dims_[static_cast<size_t>(k)] : 1;
}

template <typename T> void TParamStorage<T>::AssignFrom(const TCustomParam& other) {
    const TCustomParam& source = resolveReference(other);
    if (&source == this) return;
    if (auto* same = dynamic_cast<const TParamStorage<T>*>(&source)) {
        Dims_ = same->Dims_;
        elements_.assign(same->Data(), same->Count());
        return;
    }
    convertFrom(source);
}

// A value of another class (a system variable, another element type): the
// same shape where the source's dimensions describe its count, one dimension
// otherwise; a single element gives a scalar.
template <typename T> void TParamStorage<T>::convertFrom(const TCustomParam& source) {
    const int32_t n = std::max(source.Count(), 0);
    const int32_t dimCount = source.DimCount();
    if (n <= 1 && dimCount <= 1) {
        T first = n == 1 ? readAs<T>(source, 0) : T{};
        Dims_.clear();
        elements_.resize(1);
        elements_.data()[0] = std::move(first);
        return;
    }
    const int32_t request[] = {n};
    checkedCount(n, request);
    std::vector<int32_t> dims;
    int64_t product = 1;
    for (int32_t k = 0; k < dimCount && product <= n; ++k) {
        dims.push_back(source.DimSize(k));
        product *= std::max(dims.back(), 0);
    }
    if (product != n || static_cast<int32_t>(dims.size()) != dimCount) dims.assign(1, n);
    std::vector<T> elements(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        elements[static_cast<size_t>(i)] = readAs<T>(source, i);
    Dims_ = std::move(dims);
    elements_.adopt(std::move(elements));
}

template <typename T> void TParamStorage<T>::SetDims(std::span<const int32_t> sizes) {
    int64_t product = 1;
    for (int32_t size : sizes) {
        if (size < 1) raiseBadDims(sizes);
        product *= size;
        if (product > kMaxParamElements) raiseBadDims(sizes);
    }
    Dims_.assign(sizes.begin(), sizes.end());
    elements_.resize(static_cast<int32_t>(product));
}

template <typename T> void TParamStorage<T>::FillInt(int32_t v) {
    if constexpr (std::is_same_v<T, int32_t>)
        std::fill_n(elements_.data(), elements_.size(), v);
    else
        (void)v;
}

template <typename T> void TParamStorage<T>::FillFloat(long double x) {
    if constexpr (std::is_same_v<T, long double>)
        std::fill_n(elements_.data(), elements_.size(), x);
    else
        (void)x;
}

template <typename T> void TParamStorage<T>::FillBool(bool b) {
    if constexpr (std::is_same_v<T, uint8_t>)
        std::fill_n(elements_.data(), elements_.size(), uint8_t{b});
    else
        (void)b;
}

template <typename T> void TParamStorage<T>::FillStr(std::string_view s) {
    if constexpr (std::is_same_v<T, std::string>) {
        for (int32_t i = 0; i < elements_.size(); ++i)
            elements_.data()[i].assign(s.data(), s.size());
    } else {
        (void)s;
    }
}

template <typename T> void TParamStorage<T>::CopyMem(const TCustomParam& other) {
    const TCustomParam& source = resolveReference(other);
    auto* same = dynamic_cast<const TParamStorage<T>*>(&source);
    if (!same) raiseCopyMemType();
    if (same == this) return;
    Dims_ = same->Dims_;
    elements_.assign(same->Data(), same->Count());
}

template <typename T> void TParamStorage<T>::SaveToStream(TStream& s) const {
    WriteInt(s, static_cast<int32_t>(Dims_.size()));
    for (int32_t d : Dims_)
        WriteInt(s, d);
    WriteInt(s, elements_.size());
    writeElements(s, elements_.data(), elements_.size());
}

template <typename T> void TParamStorage<T>::LoadFromStream(TStream& s) {
    const int32_t dimCount = ReadCountChecked(s, 4);
    std::vector<int32_t> dims(static_cast<size_t>(dimCount));
    ReadExact(s, dims.data(), static_cast<int64_t>(dimCount) * 4);
    const int32_t n = ReadCountChecked(s, Conv<T>::recordBytes);
    if (n > kMaxParamElements) raiseBrokenData();
    std::vector<T> elements = readElements<T>(s, n);
    Dims_ = std::move(dims);
    elements_.adopt(std::move(elements));
}

template <typename T> void TParamStorage<T>::MakeScalar() {
    if (Dims_.empty()) return;
    Dims_.clear();
    elements_.resize(1);
}

template <typename T> int32_t TParamStorage<T>::IndexOfStr(std::string_view s, bool caseSensitive, bool partial) const {
    const T* data = elements_.data();
    const int32_t n = elements_.size();
    if (partial) {
        const std::string needle = caseSensitive ? std::string(s) : sjisLower(s);
        for (int32_t i = 0; i < n; ++i) {
            const std::string text =
                caseSensitive ? std::string(Conv<T>::toText(data[i])) : sjisLower(Conv<T>::toText(data[i]));
            if (text.find(needle) != std::string::npos) return i;
        }
        return -1;
    }
    for (int32_t i = 0; i < n; ++i) {
        const auto& text = Conv<T>::toText(data[i]);
        if (caseSensitive ? std::string_view(text) == s : sjisSameText(text, s)) return i;
    }
    return -1;
}

template class ElementBuffer<int32_t>;
template class ElementBuffer<long double>;
template class ElementBuffer<uint8_t>;
template class ElementBuffer<std::string>;
template class TParamStorage<int32_t>;
template class TParamStorage<long double>;
template class TParamStorage<uint8_t>;
template class TParamStorage<std::string>;

} // namespace nuvo
