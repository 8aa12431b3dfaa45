// Operator codes of compiled expressions and their names (the names appear in
// the evaluator's error messages and in the toolkit's listings).
#pragma once

#include <cstdint>
#include <string_view>

namespace nuvo {

enum TOpeCode : uint8_t {
    ocNone = 0,
    ocTo = 1,      // a = b
    ocPlus = 2,    // a + b
    ocMinus = 3,   // a - b, and unary minus as 0 - b
    ocMul = 4,     // a * b
    ocDiv = 5,     // a / b
    ocMod = 6,     // a % b
    ocOr = 7,      // a | b
    ocAnd = 8,     // a & b
    ocXor = 9,     // a ^ b
    ocDimTo = 10,  // name[i, j, ...]
    ocFunc = 11,   // Name(x, y, ...)
    ocEqual = 12,  // a == b
    ocBig = 13,    // a > b
    ocSmall = 14,  // a < b
    ocEBig = 15,   // a >= b
    ocESmall = 16, // a <= b
    ocShiftL = 17, // a << b
    ocShiftR = 18, // a >> b
    ocComboStr = 19, // a ++ b
    ocNEqual = 20, // a <> b
};

constexpr uint8_t kLastOpeCode = ocNEqual;

// "ocNone" ... "ocNEqual"; empty for codes above kLastOpeCode.
constexpr std::string_view opeCodeName(uint8_t code) {
    constexpr std::string_view names[] = {"ocNone",  "ocTo",     "ocPlus",   "ocMinus", "ocMul",     "ocDiv",   "ocMod",
                                          "ocOr",    "ocAnd",    "ocXor",    "ocDimTo", "ocFunc",    "ocEqual", "ocBig",
                                          "ocSmall", "ocEBig",   "ocESmall", "ocShiftL", "ocShiftR", "ocComboStr",
                                          "ocNEqual"};
    return code <= kLastOpeCode ? names[code] : std::string_view{};
}

// Names that begin with this prefix are temporaries of an evaluation.
constexpr std::string_view kTempPrefix = "____";
constexpr std::string_view kRefTempPrefix = "____d_";
constexpr std::string_view kArgTemp = "____arg";

constexpr bool isTempName(std::string_view name) { return name.substr(0, 4) == kTempPrefix; }

} // namespace nuvo
