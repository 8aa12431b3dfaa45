// The order of Shift-JIS text a Japanese reader expects, for CompareText and
// SortStr. Text is compared in three levels, each deciding only when the
// earlier ones tie:
//  1. base characters: controls, then symbols and punctuation, digits (by
//     value), Latin letters, Greek, Cyrillic, kana in the order of the kana
//     table (あいうえお かきくけこ ...), kanji in Shift-JIS (JIS) order, which for
//     the common kanji is the order of their readings. Full- and half-width
//     forms, upper and lower case, hiragana and katakana, and plain, small and
//     voiced kana share a base; a long vowel mark (ー) counts as the vowel of
//     the kana before it.
//  2. kana marks: plain, then small, voiced, semi-voiced, the long vowel mark.
//  3. case (lower first), kana type (hiragana first), width (the usual width
//     first: ASCII before full-width Latin, full-width kana before half-width).
#pragma once

#include <string>
#include <string_view>

namespace nuvo {

// A byte string whose order (as std::string compares) is the order above:
// with ignoreCase the order of CollateText, else that of CollateStr.
std::string CollationKey(std::string_view s, bool ignoreCase);

// -1, 0 or 1, without regard to letter case (0 for texts that differ only in case).
int CollateText(std::string_view a, std::string_view b);
// -1, 0 or 1 with letter case; texts that tie on every level are ordered by
// their bytes, so only equal texts give 0.
int CollateStr(std::string_view a, std::string_view b);

} // namespace nuvo
