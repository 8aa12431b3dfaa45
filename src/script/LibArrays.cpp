// Array functions. They work on the elements with the element operations of
// the value objects; the destination's element type decides the conversions.
#include "base/Error.h"
#include "script/NumberText.h"
#include "script/Param.h"
#include "script/ParamVar.h"
#include "script/ScriptLibrary.h"
#include "script/SjisCollate.h"
#include "script/SjisText.h"
#include "script/SysFuncMan.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace nuvo {
namespace {

// Elements read out of a value, already converted to one element type, so
// that a value can be rewritten from its own elements (or another's) safely.
class Elements {
public:
    Elements(const TCustomParam& source, uint8_t type, int32_t from, int32_t count) : type_(type) {
        for (int32_t i = from; i < from + count; ++i) {
            switch (type) {
            case PT_INT: ints_.push_back(source.GetIntAt(i)); break;
            case PT_FLOAT: reals_.push_back(source.GetFloatAt(i)); break;
            case PT_BOOL: flags_.push_back(source.GetBoolAt(i)); break;
            case PT_STR: strs_.push_back(source.GetStrAt(i)); break;
            default: return;
            }
            ++size_;
        }
    }
    int32_t size() const { return size_; }

    // Writes element k into dest at position.
    void put(TCustomParam& dest, int32_t position, int32_t k) const {
        const auto i = static_cast<size_t>(k);
        switch (type_) {
        case PT_INT: dest.SetIntAt(position, ints_[i]); break;
        case PT_FLOAT: dest.SetFloatAt(position, reals_[i]); break;
        case PT_BOOL: dest.SetBoolAt(position, flags_[i] != 0); break;
        case PT_STR: dest.SetStrAt(position, strs_[i]); break;
        default: break;
        }
    }
    void putAll(TCustomParam& dest, int32_t at) const {
        for (int32_t k = 0; k < size_; ++k) put(dest, at + k, k);
    }

private:
    uint8_t type_;
    int32_t size_ = 0;
    std::vector<int32_t> ints_;
    std::vector<long double> reals_;
    std::vector<uint8_t> flags_;
    std::vector<std::string> strs_;
};

void resize1D(TCustomParam& v, int64_t count) {
    if (count > kMaxParamElements) raiseFormat("配列の要素数[%s]が不正です", {intToText(static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX)))});
    if (count >= 1) {
        const int32_t size[] = {static_cast<int32_t>(count)};
        v.SetDims(size);
    } else {
        v.SetCount(0);
    }
}

// A value becomes a scalar holding the text s.
void makeScalarText(TCustomParam& v, std::string_view s) {
    v.MakeScalar();
    if (v.Count() < 1) v.SetCount(1);
    v.SetStrAt(0, s);
}

// Lines separated by CR, LF or CR LF; a final line break adds no empty line.
std::vector<std::string> splitLines(std::string_view s) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < s.size()) {
        size_t end = start;
        while (end < s.size() && s[end] != '\r' && s[end] != '\n') ++end;
        lines.emplace_back(s.substr(start, end - start));
        if (end < s.size() && s[end] == '\r' && end + 1 < s.size() && s[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> splitAtAny(std::string s, std::string_view delims) {
    std::vector<std::string> items;
    while (!s.empty()) items.push_back(SplitFirst(s, delims));
    return items;
}

void getArraySize(FunctionCall& c) {
    const TParamVar& v = c.Variable(0, "GetArraySize:変数が見つかりません");
    if (!c.HasArg(1)) return c.SetResultInt(v.Count());
    c.SetResultInt(v.DimSize(v.DimCount() - 1 - c.Int(1)));
}

void setArray(FunctionCall& c) {
    TParamVar& v = c.Variable(0, "SetArray:変数が見つかりません");
    std::vector<int32_t> sizes;
    for (int i = 1; i < c.ArgCount(); ++i) sizes.push_back(c.Int(i));
    v.SetDims(sizes);
}

void fillMem(FunctionCall& c) {
    TParamVar& v = c.Variable(0, "FillMem:変数が見つかりません");
    switch (v.ParamType()) {
    case PT_INT: v.FillInt(c.Int(1)); break;
    case PT_FLOAT: v.FillFloat(c.Float(1)); break;
    case PT_BOOL: v.FillBool(c.Bool(1)); break;
    case PT_STR: v.FillStr(c.Str(1)); break;
    default: break;
    }
}

void copyMem(FunctionCall& c) {
    TParamVar& v = c.Variable(0, "CopyMem:変数が見つかりません");
    const TParamVar& w = c.Variable(1, "CopyMem:変数が見つかりません");
    v.CopyMem(w);
}

void copyArray(FunctionCall& c) {
    ConvertCopy(c.Writable(0), c.Arg(1));
    c.SetResultBool(true);
}

void addArray(FunctionCall& c) {
    TCustomParam& v = c.Writable(0);
    const TCustomParam& w = c.Arg(1);
    const int32_t count = v.Count();
    if (v.DimCount() > 1 || w.DimCount() > 1) return c.SetResultInt(count);
    const Elements added(w, v.ParamType(), 0, w.Count());
    resize1D(v, static_cast<int64_t>(count) + added.size());
    added.putAll(v, count);
    c.SetResultInt(count + added.size());
}

void insertArray(FunctionCall& c) {
    TCustomParam& v = c.Writable(0);
    const TCustomParam& w = c.Arg(2);
    const int32_t count = v.Count();
    if (v.DimCount() > 1 || w.DimCount() > 1) return c.SetResultInt(count);
    const int32_t at = std::clamp(c.Int(1), 0, count);
    const Elements added(w, v.ParamType(), 0, w.Count());
    const Elements tail(v, v.ParamType(), at, count - at);
    resize1D(v, static_cast<int64_t>(count) + added.size());
    added.putAll(v, at);
    tail.putAll(v, at + added.size());
    c.SetResultInt(count + added.size());
}

void deleteArray(FunctionCall& c) {
    TCustomParam& v = c.Writable(0);
    const int32_t count = v.Count();
    if (v.DimCount() > 1 || count == 0) return c.SetResultInt(count);
    const int32_t at = std::clamp(c.Int(1), 0, count - 1);
    const int32_t removed = std::clamp(c.Int(2), 0, count - at);
    if (removed > 0) {
        const Elements tail(v, v.ParamType(), at + removed, count - at - removed);
        tail.putAll(v, at);
        resize1D(v, count - removed);
    }
    c.SetResultInt(count - removed);
}

void arrayToString(FunctionCall& c) {
    const TCustomParam& v = c.Arg(0);
    const std::string sep = c.Str(1, "\r\n");
    std::string out;
    for (int32_t i = 0; i < v.Count(); ++i) {
        if (i) out += sep;
        out += v.GetStrAt(i);
        checkStringSize(out.size());
    }
    c.SetResultStr(out);
}

void stringToArray(FunctionCall& c) {
    const std::string s = c.Str(0);
    TCustomParam& v = c.Writable(1);
    const std::vector<std::string> items = c.HasArg(2) && c.Str(2) != "\r\n" ? splitAtAny(s, c.Str(2)) : splitLines(s);
    if (items.empty()) return makeScalarText(v, "");
    resize1D(v, static_cast<int64_t>(items.size()));
    for (size_t i = 0; i < items.size(); ++i) v.SetStrAt(static_cast<int32_t>(i), items[i]);
}

void indexOfStr(FunctionCall& c) {
    c.SetResultInt(c.Arg(0).IndexOfStr(c.Str(1), c.Bool(2, true), c.Bool(3, false)));
}

// Sorts the elements in place; the elements move with their own values, so a
// real array keeps its full precision.
void sortStr(FunctionCall& c) {
    TCustomParam& v = c.Writable(0);
    const bool descending = c.Bool(1, false), numeric = c.Bool(2, false);
    const int32_t n = v.Count();
    if (n < 2) return;
    std::vector<int32_t> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    if (numeric) {
        std::vector<long double> keys(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = textToReal(v.GetStrAt(i));
        std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
            return descending ? keys[static_cast<size_t>(b)] < keys[static_cast<size_t>(a)]
                              : keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
        });
    } else {
        std::vector<std::string> keys(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) keys[static_cast<size_t>(i)] = CollationKey(v.GetStrAt(i), false);
        std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
            return descending ? keys[static_cast<size_t>(b)] < keys[static_cast<size_t>(a)]
                              : keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
        });
    }
    const Elements before(v, v.ParamType(), 0, n);
    for (int32_t k = 0; k < before.size(); ++k) before.put(v, k, order[static_cast<size_t>(k)]);
}

} // namespace

void registerArrayFunctions(TSysFuncMan& functions) {
    const std::pair<const char*, void (*)(FunctionCall&)> entries[] = {
        {"GetArraySize", getArraySize}, {"SetArray", setArray},       {"FillMem", fillMem},
        {"CopyMem", copyMem},           {"CopyArray", copyArray},     {"AddArray", addArray},
        {"InsertArray", insertArray},   {"DeleteArray", deleteArray}, {"ArrayToString", arrayToString},
        {"StringToArray", stringToArray}, {"IndexOfStr", indexOfStr}, {"SortStr", sortStr},
    };
    for (const auto& [name, fn] : entries) functions.SetHandler(findFunction(name), fn, true);
}

} // namespace nuvo
