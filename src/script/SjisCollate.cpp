#include "script/SjisCollate.h"

#include "base/Cp932.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace nuvo {
namespace {

// Character classes in sorting order.
enum Class : uint8_t { kControl, kSymbol, kDigit, kLatin, kGreek, kCyrillic, kKana, kKanji, kOther };

// Tertiary differences, compared last: letter case (upper after lower), kana
// type (katakana after hiragana), and the less usual width of a character
// (full-width Latin after ASCII, half-width kana after full-width).
enum : uint8_t { kUpper = 1, kKatakana = 2, kOtherWidth = 4 };

struct Element {
    uint8_t cls;
    uint32_t primary;
    uint8_t secondary; // kana: 0 plain, 1 small, 2 voiced, 3 semi-voiced, 4 long vowel mark
    uint8_t tertiary;
};

// Hiragana U+3041..U+3096: index of the base kana in the order
// あいうえお かきくけこ ... わゐゑを ん, the secondary difference, and the
// vowel (index of あいうえお) a following long vowel mark repeats (-1: none).
struct KanaInfo {
    int8_t base, secondary, vowel;
};
constexpr KanaInfo kHiragana[86] = {
    {0, 1, 0}, {0, 0, 0}, {1, 1, 1}, {1, 0, 1}, {2, 1, 2}, {2, 0, 2}, {3, 1, 3}, {3, 0, 3},
    {4, 1, 4}, {4, 0, 4}, {5, 0, 0}, {5, 2, 0}, {6, 0, 1}, {6, 2, 1}, {7, 0, 2}, {7, 2, 2},
    {8, 0, 3}, {8, 2, 3}, {9, 0, 4}, {9, 2, 4}, {10, 0, 0}, {10, 2, 0}, {11, 0, 1}, {11, 2, 1},
    {12, 0, 2}, {12, 2, 2}, {13, 0, 3}, {13, 2, 3}, {14, 0, 4}, {14, 2, 4}, {15, 0, 0}, {15, 2, 0},
    {16, 0, 1}, {16, 2, 1}, {17, 1, 2}, {17, 0, 2}, {17, 2, 2}, {18, 0, 3}, {18, 2, 3}, {19, 0, 4},
    {19, 2, 4}, {20, 0, 0}, {21, 0, 1}, {22, 0, 2}, {23, 0, 3}, {24, 0, 4}, {25, 0, 0}, {25, 2, 0},
    {25, 3, 0}, {26, 0, 1}, {26, 2, 1}, {26, 3, 1}, {27, 0, 2}, {27, 2, 2}, {27, 3, 2}, {28, 0, 3},
    {28, 2, 3}, {28, 3, 3}, {29, 0, 4}, {29, 2, 4}, {29, 3, 4}, {30, 0, 0}, {31, 0, 1}, {32, 0, 2},
    {33, 0, 3}, {34, 0, 4}, {35, 1, 0}, {35, 0, 0}, {36, 1, 2}, {36, 0, 2}, {37, 1, 4}, {37, 0, 4},
    {38, 0, 0}, {39, 0, 1}, {40, 0, 2}, {41, 0, 3}, {42, 0, 4}, {43, 1, 0}, {43, 0, 0}, {44, 0, 1},
    {45, 0, 3}, {46, 0, 4}, {47, 0, -1}, {2, 2, 2}, {5, 1, 0}, {8, 1, 3}
};
constexpr uint32_t kLongMarkAlone = 48; // after ん

// Full-width forms of the half-width katakana 0xA1..0xDF (as HanToZen).
constexpr uint16_t kHalfKana[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};

Element ascii(uint8_t b, uint8_t widthBit) {
    if (b < 0x20 || b == 0x7F) return {kControl, b, 0, widthBit};
    if (b >= '0' && b <= '9') return {kDigit, static_cast<uint32_t>(b - '0'), 0, widthBit};
    if (b >= 'a' && b <= 'z') return {kLatin, b, 0, widthBit};
    if (b >= 'A' && b <= 'Z') return {kLatin, static_cast<uint32_t>(b + 32), 0, static_cast<uint8_t>(widthBit | kUpper)};
    return {kSymbol, b, 0, widthBit};
}

class Keys {
public:
    explicit Keys(std::string_view s) {
        for (size_t pos = 0; pos < s.size();) {
            const auto b = static_cast<uint8_t>(s[pos]);
            if (charLength(s, pos) == 2) {
                add(static_cast<uint16_t>(b * 256 + static_cast<uint8_t>(s[pos + 1])), 0);
                pos += 2;
            } else if (b >= 0xA1 && b <= 0xDF) {
                // Half-width kana, with a following voicing mark taken in as HanToZen does.
                uint16_t code = kHalfKana[b - 0xA1];
                const uint8_t next = pos + 1 < s.size() ? static_cast<uint8_t>(s[pos + 1]) : 0;
                const bool voiceable = (b >= 0xB6 && b <= 0xC4) || (b >= 0xCA && b <= 0xCE);
                pos += 1;
                if (next == 0xDE && voiceable) {
                    code += 1;
                    pos += 1;
                } else if (next == 0xDF && b >= 0xCA && b <= 0xCE) {
                    code += 2;
                    pos += 1;
                }
                add(code, kOtherWidth);
            } else if (b < 0x80) {
                push(ascii(b, 0));
                pos += 1;
            } else {
                push({kOther, b, 0, 0}); // 0x80, 0xA0, 0xFD..0xFF, a lone lead byte
                pos += 1;
            }
        }
    }
    const std::vector<Element>& elements() const { return elements_; }

private:
    void push(const Element& e) {
        elements_.push_back(e);
        lastVowel_ = -1;
    }

    void add(uint16_t code, uint8_t widthBit) {
        const int32_t u = cp932ToUnicode(code);
        if (u < 0) return push({kOther, code, 0, widthBit});
        if (u == 0x3000) return push(ascii(' ', kOtherWidth));
        if (u >= 0xFF01 && u <= 0xFF5E) return push(ascii(static_cast<uint8_t>(u - 0xFEE0), kOtherWidth));
        switch (u) {
        case 0xFFE5: return push(ascii('\\', kOtherWidth));
        case 0x2018: return push(ascii('`', kOtherWidth));
        case 0x2019: return push(ascii('\'', kOtherWidth));
        case 0x201C:
        case 0x201D: return push(ascii('"', kOtherWidth));
        default: break;
        }
        if ((u >= 0x3041 && u <= 0x3096) || (u >= 0x30A1 && u <= 0x30F6)) {
            const bool katakana = u >= 0x30A1;
            const KanaInfo& k = kHiragana[(katakana ? u - 0x60 : u) - 0x3041];
            elements_.push_back({kKana, static_cast<uint32_t>(k.base), static_cast<uint8_t>(k.secondary),
                                 static_cast<uint8_t>(widthBit | (katakana ? kKatakana : 0))});
            lastVowel_ = k.vowel;
            return;
        }
        if (u == 0x30FC) { // the long vowel mark repeats the vowel before it
            const uint32_t primary = lastVowel_ >= 0 ? static_cast<uint32_t>(lastVowel_) : kLongMarkAlone;
            const int8_t vowel = lastVowel_;
            elements_.push_back({kKana, primary, 4, widthBit});
            lastVowel_ = vowel;
            return;
        }
        if (u >= 0x0391 && u <= 0x03C9) {
            const bool lower = u >= 0x03B1;
            return push({kGreek, static_cast<uint32_t>(lower ? u - 0x20 : u), 0, static_cast<uint8_t>(lower ? 0 : kUpper)});
        }
        if ((u >= 0x0410 && u <= 0x044F) || u == 0x0401 || u == 0x0451) {
            const bool lower = u >= 0x0430;
            uint32_t base = (u == 0x0401 || u == 0x0451) ? 0x0415 * 2 + 1 : (lower ? u - 0x20 : u) * 2;
            return push({kCyrillic, base, 0, static_cast<uint8_t>(lower ? 0 : kUpper)});
        }
        if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0x3005 && u <= 0x3007))
            return push({kKanji, code, 0, 0}); // Shift-JIS order: the first level is ordered by reading
        push({kSymbol, 0x10000u + static_cast<uint32_t>(u), 0, widthBit});
    }

    std::vector<Element> elements_;
    int8_t lastVowel_ = -1;
};

void appendBigEndian(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

int sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

} // namespace

// Each level is a run of fixed-width records whose first byte is never 0,
// closed by a 0 byte, so a text that is a prefix of another sorts first.
std::string CollationKey(std::string_view s, bool ignoreCase) {
    const Keys keys(s);
    const auto& elements = keys.elements();
    std::string key;
    key.reserve(elements.size() * 7 + 3);
    for (const Element& e : elements) {
        key.push_back(static_cast<char>(e.cls + 1));
        appendBigEndian(key, e.primary);
    }
    key.push_back('\0');
    for (const Element& e : elements) key.push_back(static_cast<char>(e.secondary + 1));
    key.push_back('\0');
    const uint8_t mask = ignoreCase ? static_cast<uint8_t>(~kUpper) : 0xFF;
    for (const Element& e : elements) key.push_back(static_cast<char>((e.tertiary & mask) + 1));
    key.push_back('\0');
    if (!ignoreCase) key.append(s);
    return key;
}

int CollateText(std::string_view a, std::string_view b) { return sign(CollationKey(a, true).compare(CollationKey(b, true))); }

int CollateStr(std::string_view a, std::string_view b) {
    return sign(CollationKey(a, false).compare(CollationKey(b, false)));
}

} // namespace nuvo
