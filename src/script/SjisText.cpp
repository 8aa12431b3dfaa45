#include "script/SjisText.h"

#include "base/Cp932.h"
#include "base/Error.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace nuvo {
namespace {

uint8_t byteAt(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

// Byte offset (0-based) where character n (1-based) starts, s.size() past the end.
size_t charOffset(std::string_view s, int64_t n) {
    size_t pos = 0;
    for (int64_t k = 1; k < n && pos < s.size(); ++k) pos += charLength(s, pos);
    return pos;
}

void appendCode(std::string& out, uint16_t code) {
    if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
}

// Full-width forms of the printable ASCII characters 0x20..0x7E.
constexpr std::array<uint16_t, 95> kAsciiToZen = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166, // space ! " # $ % & '
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E, // ( ) * + , - . /
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256, // 0..7
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, // 8 9 : ; < = > ?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266, // @ A..G
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E, // H..O
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, // P..W
    0x8277, 0x8278, 0x8279, 0x816D, 0x818F, 0x816E, 0x814F, 0x8151, // X Y Z [ \ ] ^ _
    0x8165, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287, // ` a..g
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, // h..o
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297, // p..w
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160,         // x y z { | } ~
};

// Full-width katakana and punctuation for the half-width bytes 0xA1..0xDF
// (JIS X 0201 to JIS X 0208).
constexpr std::array<uint16_t, 63> kKanaToZen = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, // ｡ ｢ ｣ ､ ･ ｦ ｧ ｨ
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B, // ｩ ｪ ｫ ｬ ｭ ｮ ｯ ｰ
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, // ｱ ｲ ｳ ｴ ｵ ｶ ｷ ｸ
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, // ｹ ｺ ｻ ｼ ｽ ｾ ｿ ﾀ
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C, // ﾁ ﾂ ﾃ ﾄ ﾅ ﾆ ﾇ ﾈ
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, // ﾉ ﾊ ﾋ ﾌ ﾍ ﾎ ﾏ ﾐ
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A, // ﾑ ﾒ ﾓ ﾔ ﾕ ﾖ ﾗ ﾘ
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,         // ﾙ ﾚ ﾛ ﾜ ﾝ ﾞ ﾟ
};

constexpr uint8_t kVoiced = 0xDE;
constexpr uint8_t kSemiVoiced = 0xDF;

bool takesVoicedMark(uint8_t b) { return (b >= 0xB6 && b <= 0xC4) || (b >= 0xCA && b <= 0xCE); } // ｶ..ﾄ, ﾊ..ﾎ
bool takesSemiVoicedMark(uint8_t b) { return b >= 0xCA && b <= 0xCE; }                           // ﾊ..ﾎ

// The inverse table: full-width code -> one or two half-width bytes.
struct HanForm {
    uint16_t zen;
    uint8_t first;
    uint8_t second; // 0 for none
};

std::vector<HanForm> buildZenToHan() {
    std::vector<HanForm> table;
    for (size_t i = 0; i < kAsciiToZen.size(); ++i) table.push_back({kAsciiToZen[i], static_cast<uint8_t>(0x20 + i), 0});
    for (size_t i = 0; i < kKanaToZen.size(); ++i) {
        const auto b = static_cast<uint8_t>(0xA1 + i);
        table.push_back({kKanaToZen[i], b, 0});
        if (takesVoicedMark(b)) table.push_back({static_cast<uint16_t>(kKanaToZen[i] + 1), b, kVoiced});
        if (takesSemiVoicedMark(b)) table.push_back({static_cast<uint16_t>(kKanaToZen[i] + 2), b, kSemiVoiced});
    }
    table.push_back({0x8167, '"', 0}); // the left double quotation mark
    return table;
}

const HanForm* findHanForm(uint16_t zen) {
    static const std::vector<HanForm> table = [] {
        auto t = buildZenToHan();
        std::sort(t.begin(), t.end(), [](const HanForm& a, const HanForm& b) { return a.zen < b.zen; });
        return t;
    }();
    auto it = std::lower_bound(table.begin(), table.end(), zen, [](const HanForm& f, uint16_t z) { return f.zen < z; });
    return (it != table.end() && it->zen == zen) ? &*it : nullptr;
}

} // namespace

int32_t JLength(std::string_view s) {
    int32_t n = 0;
    for (size_t pos = 0; pos < s.size(); pos += charLength(s, pos)) ++n;
    return n;
}

int32_t JCharAt(std::string_view s, int32_t n) {
    if (n < 1) return 0;
    const size_t pos = charOffset(s, n);
    if (pos >= s.size()) return 0;
    if (charLength(s, pos) == 2) return byteAt(s, pos) * 256 + byteAt(s, pos + 1);
    return byteAt(s, pos);
}

int32_t JByteIndex(std::string_view s, int32_t n) {
    if (n < 2) return 1;
    return static_cast<int32_t>(charOffset(s, n)) + 1;
}

bool IsTrailByte(std::string_view s, int32_t i) {
    if (i < 1 || static_cast<size_t>(i) > s.size()) raiseError("Illegal Index");
    size_t run = 0;
    for (size_t k = static_cast<size_t>(i) - 1; k > 0 && isSjisLead(byteAt(s, k - 1)); --k) ++run;
    return run % 2 == 1;
}

int32_t JPos(std::string_view t, std::string_view s) {
    if (t.empty()) return 0;
    int32_t index = 1;
    for (size_t pos = 0; pos < s.size(); pos += charLength(s, pos), ++index)
        if (s.compare(pos, t.size(), t) == 0) return index;
    return 0;
}

std::string JCopy(std::string_view s, int32_t from, int32_t count) {
    if (count < 1) return {};
    const int64_t last = static_cast<int64_t>(from) + count - 1;
    const int64_t first = from < 1 ? 1 : from;
    if (last < first) return {};
    const size_t begin = charOffset(s, first);
    size_t end = begin;
    for (int64_t k = first; k <= last && end < s.size(); ++k) end += charLength(s, end);
    return std::string(s.substr(begin, end - begin));
}

std::string JDelete(std::string_view s, int32_t from, int32_t count) {
    if (from < 1) from = 1;
    const size_t begin = charOffset(s, from);
    if (count < 1 || begin >= s.size()) return std::string(s);
    size_t end = begin;
    for (int32_t k = 0; k < count && end < s.size(); ++k) end += charLength(s, end);
    std::string out(s.substr(0, begin));
    out.append(s.substr(end));
    return out;
}

std::string JInsert(std::string_view t, std::string_view s, int32_t index) {
    const size_t pos = charOffset(s, index < 1 ? 1 : index);
    std::string out(s.substr(0, pos));
    out.append(t);
    out.append(s.substr(pos));
    return out;
}

std::string SplitFirst(std::string& s, std::string_view delims) {
    for (size_t pos = 0; pos < s.size() && !delims.empty(); pos += charLength(s, pos)) {
        if (delims.find(s[pos]) == std::string_view::npos) continue;
        std::string head = s.substr(0, pos);
        s.erase(0, pos + 1);
        return head;
    }
    std::string all = std::move(s);
    s.clear();
    return all;
}

std::string JTrim(std::string_view s) {
    auto blankAt = [&](size_t pos) -> size_t { // length of a blank character at pos, 0 if none
        if (s[pos] == ' ') return 1;
        if (charLength(s, pos) == 2 && byteAt(s, pos) == 0x81 && byteAt(s, pos + 1) == 0x40) return 2;
        return 0;
    };
    size_t begin = 0;
    while (begin < s.size()) {
        const size_t len = blankAt(begin);
        if (len == 0) break;
        begin += len;
    }
    size_t end = begin; // end of the last character that is not a blank
    for (size_t pos = begin; pos < s.size();) {
        const size_t len = charLength(s, pos);
        pos += len;
        if (blankAt(pos - len) == 0) end = pos;
    }
    return std::string(s.substr(begin, end - begin));
}

std::string HanToZen(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (size_t pos = 0; pos < s.size();) {
        const size_t len = charLength(s, pos);
        if (len == 2) {
            out.append(s.substr(pos, 2));
            pos += 2;
            continue;
        }
        const uint8_t b = byteAt(s, pos++);
        if (b >= 0x20 && b <= 0x7E) {
            appendCode(out, kAsciiToZen[b - 0x20]);
        } else if (b >= 0xA1 && b <= 0xDF) {
            uint16_t code = kKanaToZen[b - 0xA1];
            const uint8_t next = pos < s.size() ? byteAt(s, pos) : 0;
            if (next == kVoiced && takesVoicedMark(b)) {
                code += 1;
                ++pos;
            } else if (next == kSemiVoiced && takesSemiVoicedMark(b)) {
                code += 2;
                ++pos;
            }
            appendCode(out, code);
        }
        // anything else (control characters, 0x7F, 0x80, 0xA0, 0xFD..0xFF, a
        // lone lead byte) has no full-width form and is dropped
    }
    return out;
}

std::string ZenToHan(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t pos = 0; pos < s.size();) {
        const size_t len = charLength(s, pos);
        if (len == 2) {
            const auto code = static_cast<uint16_t>(byteAt(s, pos) * 256 + byteAt(s, pos + 1));
            if (const HanForm* f = findHanForm(code)) {
                out.push_back(static_cast<char>(f->first));
                if (f->second) out.push_back(static_cast<char>(f->second));
            } else {
                out.append(s.substr(pos, 2));
            }
        } else {
            out.push_back(s[pos]);
        }
        pos += len;
    }
    return out;
}

} // namespace nuvo
