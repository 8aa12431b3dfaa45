// Shift-JIS text by characters: the character functions of the script library
// (JLength, JCopy, JPos ...), the splitting step shared by several readers,
// JTrim and the width conversions HanToZen / ZenToHan.
//
// A byte 0x81-0x9F or 0xE0-0xFC is a lead byte; a lead byte and the byte after
// it form one character; every other byte, and a lead byte that ends the text,
// is a character by itself. Character positions count from 1. A character's
// code is its byte, or lead * 256 + second byte.
//
// Only IsTrailByte raises ("Illegal Index"); everything else clamps.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvo {

int32_t JLength(std::string_view s);
// The code of character n (1-based); 0 outside the text.
int32_t JCharAt(std::string_view s, int32_t n);
// The byte position (1-based) where character n starts: 1 for n below 2, the
// position after the last byte for n beyond the end.
int32_t JByteIndex(std::string_view s, int32_t n);
// True when byte i (1-based) is the second byte of a double-byte character:
// the run of lead bytes just before it has odd length.
bool IsTrailByte(std::string_view s, int32_t i);

// Character position of the first occurrence of t in s, trying only positions
// that start a character; 0 when there is none or t is empty.
int32_t JPos(std::string_view t, std::string_view s);
// Characters from through from + count - 1 (a from below 1 still ends there).
std::string JCopy(std::string_view s, int32_t from, int32_t count);
// s without count characters from character from (from below 1 counts as 1).
std::string JDelete(std::string_view s, int32_t from, int32_t count);
// s with t inserted before character index (clamped to the text).
std::string JInsert(std::string_view t, std::string_view s, int32_t index);

// Cuts s at the first byte that is one of the bytes of delims and not the
// second byte of a character: returns the text before it and leaves the text
// after it in s. Without such a byte (or with empty delims) returns all of s
// and leaves s empty.
std::string SplitFirst(std::string& s, std::string_view delims);

// s without leading and trailing spaces (0x20) and full-width spaces (0x81 0x40).
std::string JTrim(std::string_view s);

// Half-width to full-width: printable ASCII and half-width katakana become
// their full-width characters (a kana followed by a voicing mark becomes the
// voiced kana where one exists); double-byte characters stay; other single
// bytes are dropped.
std::string HanToZen(std::string_view s);
// Full-width to half-width: the inverse of HanToZen's table (voiced kana give
// two half-width characters), plus the left double quotation mark as '"'.
std::string ZenToHan(std::string_view s);

} // namespace nuvo
