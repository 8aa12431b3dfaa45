// The string functions of the script library. Byte positions count from 1;
// the J functions count Shift-JIS characters.
#include "base/Cp932.h"
#include "base/Error.h"
#include "script/NumberText.h"
#include "script/ScriptLibrary.h"
#include "script/SjisCollate.h"
#include "script/SjisText.h"
#include "script/SysFuncMan.h"

#include <string>

namespace nuvo {
namespace {

// Zero padding asked of IntToStr and IntToHex is bounded.
constexpr int32_t kMaxDigits = 255;

std::string trimBytes(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<uint8_t>(s[b]) <= 0x20) ++b;
    while (e > b && static_cast<uint8_t>(s[e - 1]) <= 0x20) --e;
    return std::string(s.substr(b, e - b));
}

bool isSingleByteAt(std::string_view s, int32_t n) { // byte n (1-based) is a character by itself
    if (n < 1 || static_cast<size_t>(n) > s.size()) return false;
    return !IsTrailByte(s, n) && !isSjisLead(static_cast<uint8_t>(s[static_cast<size_t>(n) - 1]));
}

// Byte offset (0-based) of the last character that is one of the delimiters, or npos.
size_t lastDelimiter(std::string_view s, std::string_view delims) {
    size_t found = std::string_view::npos;
    for (size_t pos = 0; pos < s.size(); pos += charLength(s, pos))
        if (charLength(s, pos) == 1 && delims.find(s[pos]) != std::string_view::npos) found = pos;
    return found;
}

// The digit count of IntToStr: decimal digits only (the original passed the text
// into a format string; here nothing else is accepted).
int32_t digitCount(std::string_view text) {
    int64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') raiseFormat("%s:桁数が不正です", {text});
        n = n * 10 + (c - '0');
        if (n > kMaxDigits) raiseFormat("%s:桁数が不正です", {text});
    }
    return static_cast<int32_t>(n);
}

std::string zeroPadded(int32_t value, int32_t digits) {
    const bool negative = value < 0;
    std::string magnitude = std::to_string(negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value));
    if (static_cast<int32_t>(magnitude.size()) < digits) magnitude.insert(0, static_cast<size_t>(digits) - magnitude.size(), '0');
    return negative ? "-" + magnitude : magnitude;
}

std::string byteCopy(std::string_view s, int32_t from, int64_t count) {
    if (from < 1) from = 1;
    if (count < 1 || static_cast<size_t>(from) > s.size()) return {};
    return std::string(s.substr(static_cast<size_t>(from) - 1, static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(s.size())))));
}

// Occurrences are looked for only where a character starts.
size_t findAtCharacter(std::string_view s, std::string_view pattern, size_t from) {
    if (pattern.empty()) return std::string_view::npos;
    for (size_t pos = from; pos < s.size(); pos += charLength(s, pos))
        if (s.compare(pos, pattern.size(), pattern) == 0) return pos;
    return std::string_view::npos;
}

std::string stringReplace(const std::string& s, const std::string& from, std::string_view to, bool all, bool ignoreCase) {
    if (from.empty()) return s;
    const std::string hay = ignoreCase ? sjisUpper(s) : s;
    const std::string needle = ignoreCase ? sjisUpper(from) : from;
    std::string out;
    size_t pos = 0;
    for (;;) {
        const size_t at = findAtCharacter(hay, needle, pos);
        if (at == std::string::npos) break;
        out.append(s, pos, at - pos);
        out.append(to);
        checkStringSize(out.size());
        pos = at + needle.size();
        if (!all) break;
    }
    out.append(s, pos, std::string::npos);
    checkStringSize(out.size());
    return out;
}

int compareBytes(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i]);
    return static_cast<int>(static_cast<int64_t>(a.size()) - static_cast<int64_t>(b.size()));
}

using Fn = void (*)(FunctionCall&);

struct Entry {
    const char* name;
    Fn fn;
};

const Entry kStrings[] = {
    {"IntToStr",
     [](FunctionCall& c) {
         const int32_t n = c.Int(0);
         c.SetResultStr(c.HasArg(1) ? zeroPadded(n, digitCount(c.Str(1))) : intToText(n));
     }},
    {"IntToHex",
     [](FunctionCall& c) {
         const int32_t digits = c.Int(1);
         if (digits > kMaxDigits) raiseFormat("%s:桁数が不正です", {intToText(digits)});
         static const char hex[] = "0123456789ABCDEF";
         std::string out;
         for (uint32_t v = static_cast<uint32_t>(c.Int(0)); v || out.empty(); v >>= 4) out.insert(out.begin(), hex[v & 15]);
         if (static_cast<int32_t>(out.size()) < digits) out.insert(0, static_cast<size_t>(digits) - out.size(), '0');
         c.SetResultStr(out);
     }},
    {"Length", [](FunctionCall& c) { c.SetResultInt(static_cast<int32_t>(c.Str(0).size())); }},
    {"JLength", [](FunctionCall& c) { c.SetResultInt(JLength(c.Str(0))); }},
    {"Copy",
     [](FunctionCall& c) {
         const std::string s = c.Str(0);
         c.SetResultStr(byteCopy(s, c.Int(1), c.HasArg(2) ? c.Int(2) : static_cast<int64_t>(s.size())));
     }},
    {"JCopy",
     [](FunctionCall& c) {
         const std::string s = c.Str(0);
         c.SetResultStr(JCopy(s, c.Int(1), c.HasArg(2) ? c.Int(2) : static_cast<int32_t>(s.size())));
     }},
    {"Delete",
     [](FunctionCall& c) {
         TCustomParam& v = c.Writable(0);
         std::string s = v.AsString();
         const int32_t from = c.Int(1);
         const int64_t count = c.HasArg(2) ? c.Int(2) : static_cast<int64_t>(s.size());
         if (from >= 1 && static_cast<size_t>(from) <= s.size() && count > 0)
             s.erase(static_cast<size_t>(from) - 1, static_cast<size_t>(count));
         v.SetString(s);
     }},
    {"JDelete",
     [](FunctionCall& c) {
         TCustomParam& v = c.Writable(0);
         const std::string s = v.AsString();
         v.SetString(JDelete(s, c.Int(1), c.HasArg(2) ? c.Int(2) : static_cast<int32_t>(s.size())));
     }},
    {"Insert",
     [](FunctionCall& c) {
         const std::string t = c.Str(0);
         TCustomParam& v = c.Writable(1);
         std::string s = v.AsString();
         checkStringSize(static_cast<uint64_t>(s.size()) + t.size());
         const int32_t index = c.Int(2);
         const size_t at = index < 1 ? 0 : std::min(static_cast<size_t>(index) - 1, s.size());
         s.insert(at, t);
         v.SetString(s);
     }},
    {"JInsert",
     [](FunctionCall& c) {
         const std::string t = c.Str(0);
         TCustomParam& v = c.Writable(1);
         const std::string s = v.AsString();
         checkStringSize(static_cast<uint64_t>(s.size()) + t.size());
         v.SetString(JInsert(t, s, c.Int(2)));
     }},
    {"CompareStr", [](FunctionCall& c) { c.SetResultInt(compareBytes(c.Str(0), c.Str(1))); }},
    {"CompareText", [](FunctionCall& c) { c.SetResultInt(CollateText(c.Str(0), c.Str(1))); }},
    {"Pos",
     [](FunctionCall& c) {
         const std::string sub = c.Str(0), s = c.Str(1);
         const size_t at = sub.empty() ? std::string::npos : s.find(sub);
         c.SetResultInt(at == std::string::npos ? 0 : static_cast<int32_t>(at) + 1);
     }},
    {"JPos", [](FunctionCall& c) { c.SetResultInt(JPos(c.Str(0), c.Str(1))); }},
    {"Trim", [](FunctionCall& c) { c.SetResultStr(trimBytes(c.Str(0))); }},
    {"JTrim", [](FunctionCall& c) { c.SetResultStr(JTrim(c.Str(0))); }},
    {"LowerCase", [](FunctionCall& c) { c.SetResultStr(sjisLower(c.Str(0))); }},
    {"UpperCase", [](FunctionCall& c) { c.SetResultStr(sjisUpper(c.Str(0))); }},
    {"StringOfChar",
     [](FunctionCall& c) {
         const std::string s = c.Str(0);
         const int32_t n = c.Int(1);
         std::string out;
         if (n > 0 && !s.empty()) {
             checkStringSize(static_cast<uint64_t>(s.size()) * static_cast<uint64_t>(n));
             out.reserve(s.size() * static_cast<size_t>(n));
             for (int32_t i = 0; i < n; ++i) out += s;
         }
         c.SetResultStr(out);
     }},
    {"StringReplace",
     [](FunctionCall& c) {
         c.SetResultStr(stringReplace(c.Str(0), c.Str(1), c.Str(2), c.Bool(3, false), c.Bool(4, false)));
     }},
    {"AddDelimiter",
     [](FunctionCall& c) {
         const std::string list = c.Str(1);
         c.SetResultStr(list.empty() ? std::string() : list + c.Str(0));
     }},
    {"FixStr",
     [](FunctionCall& c) {
         std::string s = c.Str(0);
         const auto n = static_cast<int32_t>(s.size());
         if (n >= 2 && isSjisLead(static_cast<uint8_t>(s.back())) && !IsTrailByte(s, n)) s.pop_back();
         c.SetResultStr(s);
     }},
    {"Chr", [](FunctionCall& c) { c.SetResultStr(std::string(1, static_cast<char>(c.Int(0) & 0xFF))); }},
    {"Ord",
     [](FunctionCall& c) {
         const std::string s = c.Str(0);
         c.SetResultInt(s.empty() ? 0 : static_cast<uint8_t>(s[0]));
     }},
    {"StrToIntDef", [](FunctionCall& c) { c.SetResultInt(parseInt(c.Str(0)).value_or(c.Int(1))); }},
    {"StrToFloatDef",
     [](FunctionCall& c) {
         const auto x = parseReal(c.Str(0));
         setCheckedFloat(c, x ? *x : c.Float(1));
     }},
    {"ExtractFilePath",
     [](FunctionCall& c) {
         const std::string s = c.Str(0);
         const size_t at = lastDelimiter(s, "\\:");
         c.SetResultStr(at == std::string::npos ? std::string() : s.substr(0, at + 1));
     }},
    {"ExtractFileName",
     [](FunctionCall& c) {
         const std::string s = c.Str(0);
         const size_t at = lastDelimiter(s, "\\:");
         c.SetResultStr(at == std::string::npos ? s : s.substr(at + 1));
     }},
    {"ExtractFileExt",
     [](FunctionCall& c) {
         const std::string s = c.Str(0);
         const size_t at = lastDelimiter(s, ".\\:");
         c.SetResultStr(at != std::string::npos && s[at] == '.' ? s.substr(at) : std::string());
     }},
    {"IsPathDelimiter",
     [](FunctionCall& c) {
         const std::string s = c.Str(0);
         const int32_t n = c.Int(1);
         c.SetResultBool(isSingleByteAt(s, n) && s[static_cast<size_t>(n) - 1] == '\\');
     }},
    {"AddBackSlash",
     [](FunctionCall& c) {
         std::string s = c.Str(0);
         const auto n = static_cast<int32_t>(s.size());
         if (!(isSingleByteAt(s, n) && s.back() == '\\')) s += '\\';
         c.SetResultStr(s);
     }},
    {"ChangeFileExt",
     [](FunctionCall& c) {
         const std::string s = c.Str(0);
         const size_t at = lastDelimiter(s, ".\\:");
         const size_t keep = at != std::string::npos && s[at] == '.' ? at : s.size();
         c.SetResultStr(s.substr(0, keep) + c.Str(1));
     }},
    {"IsDelimiter",
     [](FunctionCall& c) {
         const std::string delims = c.Str(0), s = c.Str(1);
         const int32_t n = c.Int(2);
         c.SetResultBool(isSingleByteAt(s, n) && delims.find(s[static_cast<size_t>(n) - 1]) != std::string::npos);
     }},
    {"HanToZen", [](FunctionCall& c) { c.SetResultStr(HanToZen(c.Str(0))); }},
    {"ZenToHan", [](FunctionCall& c) { c.SetResultStr(ZenToHan(c.Str(0))); }},
};

} // namespace

void registerStringFunctions(TSysFuncMan& functions) {
    for (const Entry& e : kStrings) functions.SetHandler(findFunction(e.name), e.fn, true);
}

} // namespace nuvo
