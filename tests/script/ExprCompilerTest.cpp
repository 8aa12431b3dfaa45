#include "script/BuildNuvoParser.h"

#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::sj;

std::string listing(std::string_view text) {
    TBuildNuvoParser b;
    b.Build(text);
    std::string out;
    for (const auto& op : b.Operations()) out += (out.empty() ? "" : "; ") + describeOperation(op);
    return out;
}

// The error message (UTF-8) a compilation raises, including the checks made
// when the stream is written; empty when it compiles.
std::string compileError(std::string_view text) {
    try {
        TBuildNuvoParser b;
        b.Build(text);
        TKvMemoryStream s;
        b.SaveToStream(s);
        return {};
    } catch (const ENuvoError& e) {
        return e.what();
    }
}

struct ListingCase {
    const char* source;
    const char* expected;
};

TEST(ExprCompiler, OperationLists) {
    const ListingCase cases[] = {
        {"a = (b + 1) * 2", "ocPlus ____1 := b, 1; ocMul ____2 := ____1, 2; ocTo a := ____2"},
        {"x > 3", "ocBig ____0 := x, 3; ocTo ____arg := ____0"},
        {"f(g(1), 2)", "ocFunc ____0 := g, 1; ocFunc ____1 := f, ____0, 2; ocTo ____arg := ____1"},
        {"f((1))", "ocFunc ____0 := f, 1; ocTo ____arg := ____0"},
        {"f(a + 1)", "ocPlus ____2 := a, 1; ocFunc ____0 := f, ____2; ocTo ____arg := ____0"},
        {"DBFindFirst( )", "ocFunc ____0 := DBFindFirst; ocTo ____arg := ____0"},
        {"f(a[1, 2], 3)", "ocDimTo ____d_2 := a, 1, 2; ocTo ____1 := ____d_2; ocFunc ____0 := f, ____1, 3; "
                          "ocTo ____arg := ____0"},
        {"a[i+1, 2] = 5", "ocPlus ____2 := i, 1; ocDimTo ____d_0 := a, ____2, 2; ocTo ____d_0 := 5"},
        {"a [ 3 ] = b[c[1]]", "ocDimTo ____d_0 := c, 1; ocDimTo ____d_1 := b, ____d_0; ocDimTo ____d_2 := a, 3; "
                              "ocTo ____d_2 := ____d_1"},
        {"@KeyPush[13]", "ocDimTo ____d_0 := @KeyPush, 13; ocTo ____arg := ____d_0"},
        {"-5 * 2", "ocMul ____0 := 5, 2; ocMinus ____1 := 0, ____0; ocTo ____arg := ____1"},
        {"a * -b", "ocMinus ____0 := 0, b; ocMul ____1 := a, ____0; ocTo ____arg := ____1"},
        {"x = - -a", "ocMinus ____0 := 0, a; ocMinus ____1 := 0, ____0; ocTo x := ____1"},
        {"x = +a", "ocTo x := a"},
        {"1 = a", "ocTo 1 := a"},
        {"a b", "ocTo ____arg := a b"},
        {"", "ocTo ____arg := "},
        {"  ((a))  ", "ocTo ____0 := a; ocTo ____arg := ____0"},
        {"a - b - c", "ocMinus ____0 := a, b; ocMinus ____1 := ____0, c; ocTo ____arg := ____1"},
        {"a ++ b == c", "ocEqual ____0 := b, c; ocComboStr ____1 := a, ____0; ocTo ____arg := ____1"},
        {"x = a | b & c ^ d << 1", "ocShiftL ____0 := d, 1; ocAnd ____1 := b, c; ocXor ____2 := ____1, ____0; "
                                   "ocOr ____3 := a, ____2; ocTo x := ____3"},
        {"a<>b", "ocNEqual ____0 := a, b; ocTo ____arg := ____0"},
        {"s = \"a\\\"b\"", "ocTo ____0 := \"a\"b\"; ocTo s := ____0"},
        {"s = \"x\\ny\\\\\"", "ocTo ____0 := \"x\r\ny\\\"; ocTo s := ____0"},
        {"s = \"a + (b\" ++ \"]\"", "ocTo ____0 := \"a + (b\"; ocTo ____1 := \"]\"; ocComboStr ____2 := ____0, ____1; "
                                    "ocTo s := ____2"},
        {"s = \"abc", "ocTo s := \"abc"}, // an unclosed quote stays in the text
    };
    for (const auto& c : cases) EXPECT_EQ(listing(c.source), c.expected) << c.source;
}

TEST(ExprCompiler, ScansByCharacter) {
    // ゼ ends with 0x5B ("["), ポ with 0x7C ("|"), ソ and 表 with 0x5C (backslash).
    EXPECT_EQ(listing(sj("ゼ = ポ + 1")), sj("ocPlus ____0 := ポ, 1; ocTo ゼ := ____0"));
    EXPECT_EQ(listing(sj("s = \"ソ表\" ++ \"\\\"\"")),
              sj("ocTo ____0 := \"ソ表\"; ocTo ____1 := \"\"\"; ocComboStr ____2 := ____0, ____1; ocTo s := ____2"));
    EXPECT_EQ(listing(sj("配列[1] = 2")), sj("ocDimTo ____d_0 := 配列, 1; ocTo ____d_0 := 2"));
}

TEST(ExprCompiler, Errors) {
    const std::string syntax = "構文エラー";
    for (const char* text : {"a = b = c", "a[1][2]", "(a + b", "a + b)", "* a", "a +", "-", "x = ()", "a * * b",
                             "[1]", "x = [1]", "a =< b", "a[1]]", "f(a[1)", "f(a]1[)", "a]b[c"})
        EXPECT_EQ(compileError(text), syntax) << text;
    EXPECT_EQ(compileError("a[]"), "配列の添え字が不正です");
    EXPECT_EQ(compileError("intToStr(5)"), "\"intToStr\" 関数名がありません");
    EXPECT_EQ(compileError("Copy(s)"), "Copy 引数の数が不正です");
    EXPECT_EQ(compileError("PopVar(1)"), "PopVar 引数の数が不正です");
    EXPECT_EQ(compileError("SetArray(a, 1, 2, 3, 4, 5)"), "");
    EXPECT_EQ(compileError("x = 1 + IntToStr(Length(\"ab\"), 3)"), "");
    // Size and nesting are bounded.
    EXPECT_FALSE(compileError(std::string(kMaxExpressionBytes + 1, 'a')).empty());
    std::string deep;
    for (int i = 0; i < 2000; ++i) deep += "f(";
    deep += "1";
    for (int i = 0; i < 2000; ++i) deep += ")";
    EXPECT_EQ(compileError(deep), "\"f\" 関数名がありません");
}

// Where an error lies: the byte offset of the character the compiler stopped
// at, in the text as given, whatever it rewrote before.
TEST(ExprCompiler, ErrorsGiveTheirPlace) {
    const struct {
        std::string text;
        size_t offset;
    } cases[] = {
        {"a = b = c", 6},       // the second assignment has nothing to its left
        {"(a + b", 0},          // the bracket left open
        {"f(x) + (a + (b)", 7}, // the first of those left open
        {"a + b)", 5},          // the bracket closing nothing
        {"a +", 2},             // an operator without its right operand
        {"  * a", 2},           // ... or its left one
        {"x = a * * b", 8},     // two operators in a row
        {"x = = 1", 4},
        {"s = \"a(\" ++ [1]", 12},  // an index without its array, after a literal
        {"f(a]1[)", 3},             // inside a call's arguments
        {"a]b[c", 3},               // an index never closed
        {"x = a[]", 5},             // an empty index
        {"x = 1 + Copy(s)", 8},     // the function's name: too few arguments
        {"y = f(g(1)) + h(2)", 14}, // ... an unknown one (calls are taken from the last)
        {sj("ゼ = (1"), 5},         // double-byte characters count their bytes
        {sj("s = \"表\" ++ (1"), 12},
        {std::string(kMaxExpressionBytes + 1, 'a'), kMaxExpressionBytes},
    };
    for (const auto& c : cases) {
        try {
            TBuildNuvoParser b;
            b.Build(c.text);
            TKvMemoryStream s;
            b.SaveToStream(s);
            ADD_FAILURE() << c.text << " compiles";
        } catch (const ECompileError& e) {
            EXPECT_EQ(e.Offset(), c.offset) << c.text.substr(0, 40) << ": " << e.what();
        }
    }
}

// Operand records as the builder writes them: (tag, payload).
TEST(ExprCompiler, StreamFormat) {
    TBuildNuvoParser b;
    b.Build("x = IntToStr(1, $10) ++ \"q\\\"\" ++ 1.0 ++ true ++ TRUE");
    TKvMemoryStream s;
    b.SaveToStream(s);
    std::string expected;
    auto i32 = [&](int32_t v) { expected.append(reinterpret_cast<const char*>(&v), 4); };
    auto str = [&](std::string_view t) {
        i32(static_cast<int32_t>(t.size()));
        expected.append(t);
    };
    auto op = [&](uint8_t code, std::string_view target, int32_t n) {
        expected.push_back(static_cast<char>(code));
        str(target);
        i32(n);
    };
    i32(7);
    op(1, "____0", 1); // the literal
    expected.push_back(4);
    str("q\"");
    op(11, "____1", 2); // IntToStr(1, $10)
    expected.push_back(0);
    expected.push_back(1);
    i32(1);
    expected.push_back(1);
    i32(16);
    op(19, "____2", 2); // ____1 ++ ____0
    expected.push_back(0);
    str("____1");
    expected.push_back(0);
    str("____0");
    op(19, "____3", 2); // ++ 1.0
    expected.push_back(0);
    str("____2");
    expected.push_back(2);
    const uint8_t one[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    expected.append(reinterpret_cast<const char*>(one), 10);
    op(19, "____4", 2); // ++ true (a name)
    expected.push_back(0);
    str("____3");
    expected.push_back(0);
    str("true");
    op(19, "____5", 2); // ++ TRUE
    expected.push_back(0);
    str("____4");
    expected.push_back(3);
    expected.push_back(1);
    op(1, "x", 1);
    expected.push_back(0);
    str("____5");
    EXPECT_EQ(std::string(s.bytes().begin(), s.bytes().end()), expected);
}

} // namespace
} // namespace nuvo
