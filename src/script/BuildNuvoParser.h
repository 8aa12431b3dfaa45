// The expression compiler: turns expression text (Shift-JIS) into the flat list
// of three-address operations that compiled pages store and TNuvoParser runs.
//
// Build rewrites the text phase by phase (string literals, function calls,
// array elements, parenthesised groups, tokens, unary signs, reduction by
// precedence) and then removes copies between temporaries. Every scan walks
// characters, so the second byte of a double-byte character is never taken
// for an operator. SaveToStream classifies the operand texts (numbers, TRUE,
// FALSE, string literals, names) and checks function names and argument
// counts against the catalogue.
//
// Errors raise ECompileError: "構文エラー", "配列の添え字が不正です", the unknown
// function message and the argument-count message, each with the byte offset
// in the text where the compiler found the fault. Texts longer than
// kMaxExpressionBytes are refused, and nesting is bounded, so no input can
// exhaust the stack or run for long.
#pragma once

#include "base/Error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TStream;

// One operation while compiling: operand texts are numbers, TRUE, FALSE,
// double-quoted literals, names or temporaries; for ocFunc operand 0 is the
// function name.
struct TBuildOpeData {
    uint8_t Opcode = 0;
    std::string Target;
    std::vector<std::string> Operands;

    bool operator==(const TBuildOpeData&) const = default;
};

constexpr size_t kMaxExpressionBytes = 32 * 1024;

// A compile error and where it lies: the byte offset in the compiled text of
// the character the compiler stopped at (the offending operator or bracket,
// an operand nothing takes, a function's name). Since the compiler rewrites
// the text as it goes, the place is where the construct began in the text as
// written.
class ECompileError : public ENuvoError {
public:
    ECompileError(std::string sjisMessage, size_t offset);
    size_t Offset() const { return offset_; }

private:
    size_t offset_;
};

class TBuildNuvoParser {
public:
    // Compiles text into Operations(); raises ECompileError on a syntax error
    // (the list is then cleared).
    void Build(std::string_view text);
    const std::vector<TBuildOpeData>& Operations() const { return ops_; }

    // Writes the stream form of a compiled expression; raises ECompileError
    // for an unknown function name or an argument count outside the
    // function's bounds, at the function's name.
    void SaveToStream(TStream& s) const;

private:
    std::vector<TBuildOpeData> ops_;
    std::vector<uint32_t> functionOrigins_; // per ocFunc of ops_, in order: where its name stands
};

// The listing form of one operation, for tools and tests:
// "ocPlus ____1 := b, 1", "ocFunc ____0 := IntToStr(n, 3)".
std::string describeOperation(const TBuildOpeData& op);

} // namespace nuvo
