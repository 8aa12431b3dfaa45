// Numbers as text, the way scripts see them. Every conversion here is
// locale-independent ("." is the decimal point) and never fails: callers that
// need to know whether a text is a number use the parse functions.
//
// Integer text: an optional sign followed by decimal digits, or by "$" and
// hexadecimal digits; nothing else, not even blanks. Decimal text must fit a
// signed 32-bit integer; hexadecimal text may use all 32 bits ("$FFFFFFFF" is
// -1) and a sign before "$" negates the value.
//
// Real text: blanks (space, tab) around an optional sign, decimal digits with
// an optional "." and an optional exponent ("E" or "e", optional sign, digits);
// at least one mantissa digit. A value too large for the 80-bit real is not a
// number; one too small for it reads as 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nuvo {

// Decimal digits, "-" for negatives.
std::string intToText(int32_t value);

// The shortest general form with up to 15 significant digits: "1.5", "3",
// "-0.25". Exponent form ("1E20", "1.5E-6", "-2.5E-7") when the value rounded
// to 15 digits is below 0.00001 in magnitude or has more than 15 digits before
// the point. Not-a-number gives "NAN", infinities "INF" and "-INF".
std::string realToText(long double value);

std::optional<int32_t> parseInt(std::string_view text);
std::optional<long double> parseReal(std::string_view text);

// The conversions of a string element: invalid text gives 0 / 0.0.
inline int32_t textToInt(std::string_view text) { return parseInt(text).value_or(0); }
inline long double textToReal(std::string_view text) { return parseReal(text).value_or(0.0L); }

} // namespace nuvo
