// Shift-JIS (code page 932 as Windows defines it) character model and its
// conversion to and from UTF-8. Inside the program text stays Shift-JIS; these
// conversions are used only where text leaves or enters it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nuvo {

// First byte of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
constexpr bool isSjisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Length in bytes of the character at pos: 2 for a lead byte followed by
// another byte, else 1. A lead byte at the very end counts as one character.
inline size_t charLength(std::string_view s, size_t pos) {
    return (isSjisLead(static_cast<uint8_t>(s[pos])) && pos + 1 < s.size()) ? 2 : 1;
}

// The Unicode code point of one Shift-JIS character (one or two bytes), or -1
// when the code page leaves it undefined.
int32_t cp932ToUnicode(uint16_t code);
// The Shift-JIS code of a code point as Windows chooses it among duplicates
// (JIS X 0208 first, then the NEC row 13, then the IBM extensions), or -1.
int32_t unicodeToCp932(uint32_t codePoint);

// Lossy conversions for display: undefined bytes become U+FFFD, characters
// without a Shift-JIS form become '?'.
std::string sjisToUtf8(std::string_view sjis);
std::string utf8ToSjis(std::string_view utf8);

// Exact conversions for the tools. Every character whose bytes do not come
// back identically through UTF-8 (undefined codes, a lone lead byte, the
// duplicate NEC/IBM codes) is written as the escape \x{HH} or \x{HHHH} with the
// raw bytes in upper-case hexadecimal; a literal backslash that would be
// followed by "x{" is itself escaped as \x{5C}. utf8EscapedToSjis reverses
// it, giving nullopt for text that has no Shift-JIS form.
std::string sjisToUtf8Escaped(std::string_view sjis);
std::optional<std::string> utf8EscapedToSjis(std::string_view utf8);

// ASCII letter case folding that steps over double-byte characters, whose
// second byte may look like a letter.
std::string sjisLower(std::string_view s);
std::string sjisUpper(std::string_view s);
bool sjisSameText(std::string_view a, std::string_view b);

} // namespace nuvo
