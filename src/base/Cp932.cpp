#include "base/Cp932.h"

#include <array>
#include <memory>

namespace nuvo {
namespace {

#include "base/Cp932Table.inc"

// Rank of a double-byte code among duplicates of one code point: Windows
// prefers JIS X 0208, then NEC row 13, then the IBM extensions, then the
// NEC-selected IBM extensions.
int duplicateRank(uint16_t code) {
    const int lead = code >> 8;
    if (lead == 0x87) return 1;
    if (lead >= 0xFA) return 2;
    if (lead == 0xED || lead == 0xEE) return 3;
    return 0;
}

struct ReverseTable {
    std::array<uint16_t, 0x10000> code{}; // 0 = no mapping (U+0000 handled apart)
    ReverseTable() {
        for (int b = 1; b < 256; ++b)
            if (kSingleToUnicode[b] != 0) code[kSingleToUnicode[b]] = static_cast<uint16_t>(b);
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isSjisLead(static_cast<uint8_t>(lead))) continue;
            for (int t = 0x40; t <= 0xFC; ++t) {
                const uint16_t u = kDoubleToUnicode[lead - 0x81][t - 0x40];
                if (u == 0) continue;
                const uint16_t c = static_cast<uint16_t>(lead << 8 | t);
                uint16_t& slot = code[u];
                if (slot == 0 || (slot > 0xFF && duplicateRank(c) < duplicateRank(slot))) slot = c;
            }
        }
    }
};

const ReverseTable& reverse() {
    static const ReverseTable table;
    return table;
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at pos; returns the code point and advances pos,
// or -1 (advancing one byte) for malformed input.
int32_t nextUtf8(std::string_view s, size_t& pos) {
    const auto b0 = static_cast<uint8_t>(s[pos]);
    int len = b0 < 0x80 ? 1 : (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || pos + len > s.size()) {
        ++pos;
        return -1;
    }
    uint32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (int i = 1; i < len; ++i) {
        const auto b = static_cast<uint8_t>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return -1;
        }
        cp = cp << 6 | (b & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return -1;
    }
    pos += len;
    return static_cast<int32_t>(cp);
}

void appendCode(std::string& out, int32_t code) {
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

uint16_t codeAt(std::string_view s, size_t pos, size_t len) {
    const auto b0 = static_cast<uint8_t>(s[pos]);
    return len == 2 ? static_cast<uint16_t>(b0 << 8 | static_cast<uint8_t>(s[pos + 1])) : b0;
}

void appendEscape(std::string& out, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\x{";
    for (unsigned char c : bytes) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    out += '}';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

int32_t cp932ToUnicode(uint16_t code) {
    if (code <= 0xFF) {
        if (code == 0) return 0;
        if (isSjisLead(static_cast<uint8_t>(code))) return -1;
        const uint16_t u = kSingleToUnicode[code];
        return u == 0 ? -1 : u;
    }
    const int lead = code >> 8, trail = code & 0xFF;
    if (!isSjisLead(static_cast<uint8_t>(lead)) || trail < 0x40 || trail > 0xFC) return -1;
    const uint16_t u = kDoubleToUnicode[lead - 0x81][trail - 0x40];
    return u == 0 ? -1 : u;
}

int32_t unicodeToCp932(uint32_t cp) {
    if (cp == 0) return 0;
    if (cp > 0xFFFF) return -1;
    const uint16_t c = reverse().code[cp];
    return c == 0 ? -1 : c;
}

std::string sjisToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 3 / 2);
    for (size_t i = 0; i < s.size();) {
        const size_t len = charLength(s, i);
        const int32_t u = cp932ToUnicode(codeAt(s, i, len));
        appendUtf8(out, u < 0 ? 0xFFFD : static_cast<uint32_t>(u));
        i += len;
    }
    return out;
}

std::string utf8ToSjis(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const int32_t cp = nextUtf8(s, i);
        const int32_t code = cp < 0 ? -1 : unicodeToCp932(static_cast<uint32_t>(cp));
        if (code < 0)
            out += '?';
        else
            appendCode(out, code);
    }
    return out;
}

std::string sjisToUtf8Escaped(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 3 / 2);
    for (size_t i = 0; i < s.size();) {
        const size_t len = charLength(s, i);
        const uint16_t code = codeAt(s, i, len);
        const int32_t u = cp932ToUnicode(code);
        const bool literalIntroducer = code == '\\' && s.substr(i + 1, 2) == "x{";
        if (u < 0 || unicodeToCp932(static_cast<uint32_t>(u)) != code || literalIntroducer)
            appendEscape(out, s.substr(i, len));
        else
            appendUtf8(out, static_cast<uint32_t>(u));
        i += len;
    }
    return out;
}

std::optional<std::string> utf8EscapedToSjis(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (s.compare(i, 3, "\\x{") == 0) {
            const size_t close = s.find('}', i + 3);
            const size_t digits = close == std::string_view::npos ? 0 : close - (i + 3);
            if (digits == 2 || digits == 4) {
                std::string bytes;
                bool ok = true;
                for (size_t k = i + 3; k < close; k += 2) {
                    const int hi = hexValue(s[k]), lo = hexValue(s[k + 1]);
                    if (hi < 0 || lo < 0) ok = false;
                    bytes += static_cast<char>(hi << 4 | lo);
                }
                if (ok) {
                    out += bytes;
                    i = close + 1;
                    continue;
                }
            }
        }
        const int32_t cp = nextUtf8(s, i);
        const int32_t code = cp < 0 ? -1 : unicodeToCp932(static_cast<uint32_t>(cp));
        if (code < 0) return std::nullopt;
        appendCode(out, code);
    }
    return out;
}

std::string sjisLower(std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); i += charLength(out, i))
        if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
    return out;
}

std::string sjisUpper(std::string_view s) {
    std::string out(s);
    for (size_t i = 0; i < out.size(); i += charLength(out, i))
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 32);
    return out;
}

bool sjisSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size();) {
        const size_t len = charLength(a, i);
        if (len != charLength(b, i)) return false;
        if (len == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        } else {
            char x = a[i], y = b[i];
            if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
            if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
            if (x != y) return false;
        }
        i += len;
    }
    return true;
}

} // namespace nuvo
