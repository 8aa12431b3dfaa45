// The catalogue of built-in functions. A function's position is the number
// stored in compiled expressions, so the order is binding. Names match exactly,
// letter case included.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvo {

struct FunctionInfo {
    const char* name;
    int8_t minArgs;
    int8_t maxArgs;     // -1: no upper bound
    uint8_t resultType; // type of the temporary that receives the result (PT_...)

    bool acceptsArgCount(int64_t n) const { return n >= minArgs && (maxArgs < 0 || n <= maxArgs); }
};

constexpr int kFunctionCount = 161;

// Function numbers the evaluator and the library refer to by name.
enum : uint8_t { FN_GETPROP = 2, FN_SETPROP = 3, FN_GETCHECK = 24, FN_SETCHECK = 25, FN_CALC = 136 };

// A stored expression may carry any number from 0 to 255: only these are
// functions; calling any other does nothing.
constexpr bool isFunctionNumber(int number) { return number >= 0 && number < kFunctionCount; }

// The entry of a function number (0 .. kFunctionCount - 1).
const FunctionInfo& functionInfo(int number);
// The number of the function of that exact name, or -1.
int findFunction(std::string_view name);
// A function as listings and the source form write it: its name, or "#" and
// its number when the catalogue has none ("#200").
std::string functionText(int number);
// Raises the function's argument-count message (its name, " 引数の数が不正です").
[[noreturn]] void raiseArgumentCount(int number);

} // namespace nuvo
