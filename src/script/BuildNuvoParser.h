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
// Errors raise ENuvoError: "構文エラー", "配列の添え字が不正です", the unknown
// function message and the argument-count message. Texts longer than
// kMaxExpressionBytes are refused, and nesting is bounded, so no input can
// exhaust the stack or run for long.
#pragma once

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

class TBuildNuvoParser {
public:
    // Compiles text into Operations(); raises on a syntax error (the list is
    // then cleared).
    void Build(std::string_view text);
    const std::vector<TBuildOpeData>& Operations() const { return ops_; }

    // Writes the stream form of a compiled expression; raises for an unknown
    // function name or an argument count outside the function's bounds.
    void SaveToStream(TStream& s) const;

private:
    std::vector<TBuildOpeData> ops_;
};

// The listing form of one operation, for tools and tests:
// "ocPlus ____1 := b, 1", "ocFunc ____0 := IntToStr(n, 3)".
std::string describeOperation(const TBuildOpeData& op);

} // namespace nuvo
