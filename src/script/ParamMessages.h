// The messages the variables and the variable table raise. Each template is
// kept here as UTF-8 and converted to Shift-JIS once, on first use.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace nuvo {

// "[%d]:配列の添字が不正です": an element index outside 0..count-1.
[[noreturn]] void raiseBadIndex(int32_t index);
// "配列の要素数[%s]が不正です" with the requested sizes joined by ",".
[[noreturn]] void raiseBadDims(std::span<const int32_t> sizes);
// "CopyMem:変数の型があいません".
[[noreturn]] void raiseCopyMemType();
// A double-quoted name followed by "：変数名が不正です".
[[noreturn]] void raiseBadName(std::string_view name);
// "%s:不正な変数です" with the variable's name.
[[noreturn]] void raiseBadVariable(std::string_view name);
// "変数名がありません".
[[noreturn]] void raiseNoName();

} // namespace nuvo
