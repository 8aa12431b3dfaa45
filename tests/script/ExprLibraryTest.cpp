// The script library through the evaluator: each case is an expression and the
// text of its result, with a few declared variables.
#include "base/Cp932.h"
#include "platform/Clock.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SjisCollate.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace nuvo {
namespace {

using test::sj;

class Library : public ::testing::Test {
public:
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext ctx{vars, functions};

    void declare(std::initializer_list<const char*> specs) {
        for (const char* s : specs) declareVariable(vars, s);
    }
    // The result of a plain expression (UTF-8 text in, escaped UTF-8 out).
    std::string eval(std::string_view utf8) {
        auto parser = compileExpression(*utf8EscapedToSjis(utf8));
        parser->Execute(ctx);
        return parser->Result() ? sjisToUtf8Escaped(parser->Result()->AsString()) : "<none>";
    }
    long double real(std::string_view utf8) {
        auto parser = compileExpression(*utf8EscapedToSjis(utf8));
        parser->Execute(ctx);
        return parser->Result() ? parser->Result()->AsFloat() : NAN;
    }
    std::string elements(std::string_view name) {
        const TCustomParam* v = vars.Find(name)->Value();
        std::string out;
        for (int32_t i = 0; i < v->Count(); ++i) out += (i ? "|" : "") + sjisToUtf8Escaped(v->GetStrAt(i));
        return out;
    }
};

struct Case {
    const char* text;
    const char* result;
};

void expectAll(Library& lib, std::initializer_list<Case> cases) {
    for (const Case& c : cases) EXPECT_EQ(lib.eval(c.text), c.result) << c.text;
}

TEST_F(Library, Strings) {
    declare({"v:str=abc", "w:str=あいう"});
    expectAll(*this, {
                         {"IntToStr(-5, 3)", "-005"},
                         {"IntToStr(5, 3)", "005"},
                         {"IntToStr(12345, 3)", "12345"},
                         {"IntToStr(0 - 2147483647 - 1, 12)", "-002147483648"},
                         {"IntToStr(7, \"\")", "7"},
                         {"IntToStr(7, \"x\")", "<none>"},
                         {"IntToStr(7, -1)", "<none>"},
                         {"IntToHex(-1, 2)", "FFFFFFFF"},
                         {"IntToHex(255, 4)", "00FF"},
                         {"IntToHex(1, 300)", "<none>"},
                         {"Copy(\"abcdef\", 3, 2)", "cd"},
                         {"Copy(\"abcdef\", 0)", "abcdef"},
                         {"Copy(\"abcdef\", 5, 99)", "ef"},
                         {"Copy(\"abcdef\", 9)", ""},
                         {"Copy(\"abcdef\", 2, -1)", ""},
                         {"JCopy(w, 2, 1)", "い"},
                         {"JCopy(w, 0, 2)", "あ"},
                         {"Length(\"あいa\")", "5"},
                         {"JLength(\"あいa\")", "3"},
                         {"Pos(\"cd\", \"abcdcd\")", "3"},
                         {"Pos(\"\", \"abc\")", "0"},
                         {"JPos(\"う\", w)", "3"},
                         {"CompareStr(\"a\", \"b\") < 0", "TRUE"},
                         {"CompareStr(\"ab\", \"a\") > 0", "TRUE"},
                         {"CompareStr(\"a\", \"a\")", "0"},
                         {"CompareText(\"abc\", \"ABC\")", "0"},
                         {"CompareText(\"a\", \"B\")", "-1"},
                         {"Trim(\"\\n x \")", "x"},
                         {"JTrim(\"　x　\")", "x"},
                         {"LowerCase(\"AbＡソ\")", "abＡソ"},
                         {"UpperCase(\"abｱ\")", "ABｱ"},
                         {"StringOfChar(\"ab\", 3)", "ababab"},
                         {"StringOfChar(\"ab\", 0)", ""},
                         {"StringOfChar(\"ab\", 20000000)", "<none>"}, // larger than any string may be
                         {"StringReplace(\"aXbxc\", \"x\", \"-\")", "aXb-c"},
                         {"StringReplace(\"aXbxc\", \"x\", \"-\", TRUE, TRUE)", "a-b-c"},
                         {"StringReplace(\"aXbxc\", \"x\", \"-\", FALSE, TRUE)", "a-bxc"},
                         {"StringReplace(\"ソ\\\\\", \"\\\\\", \"/\", TRUE)", "ソ/"},
                         {"AddDelimiter(\",\", \"\")", ""},
                         {"AddDelimiter(\",\", \"a\")", "a,"},
                         {"FixStr(\"ab\\x{82}\")", "ab"},
                         {"FixStr(\"aソ\")", "aソ"},
                         {"FixStr(\"\\x{82}\")", "\\x{82}"},
                         {"Chr(321)", "A"},
                         {"Ord(\"ア\")", "131"},
                         {"Ord(\"\")", "0"},
                         {"StrToIntDef(\"12\", 5)", "12"},
                         {"StrToIntDef(\"12abc\", 5)", "5"},
                         {"StrToIntDef(\"$1F\", 5)", "31"},
                         {"StrToFloatDef(\"x\", 1.5)", "1.5"},
                         {"StrToFloatDef(\" 2.5E1 \", 1.5)", "25"},
                         {"ExtractFilePath(\"c:\\\\dir\\\\ソ\\\\a.b.txt\")", "c:\\dir\\ソ\\"},
                         {"ExtractFileName(\"c:\\\\dir\\\\ソ\")", "ソ"},
                         {"ExtractFileExt(\"dir.x\\\\a.b.txt\")", ".txt"},
                         {"ExtractFileExt(\"dir.x\\\\abc\")", ""},
                         {"ChangeFileExt(\"a.b\\\\c.txt\", \".pel\")", "a.b\\c.pel"},
                         {"ChangeFileExt(\"a.b\\\\c\", \".pel\")", "a.b\\c.pel"},
                         {"AddBackSlash(\"ソ\")", "ソ\\"},
                         {"AddBackSlash(\"a\\\\\")", "a\\"},
                         {"IsPathDelimiter(\"ソ\", 2)", "FALSE"},
                         {"IsPathDelimiter(\"a\\\\\", 2)", "TRUE"},
                         {"IsDelimiter(\",;\", \"a;b\", 2)", "TRUE"},
                         {"IsDelimiter(\"\\\\\", \"ソ\", 2)", "FALSE"},
                         {"IsDelimiter(\",\", \"a\", 5)", "FALSE"},
                         {"HanToZen(\"ｶﾞ1\")", "ガ１"},
                         {"ZenToHan(\"ガ１あ\")", "ｶﾞ1あ"},
                     });
}

TEST_F(Library, StringsWrittenBackIntoVariables) {
    declare({"s:str=abc", "n:int=12345", "w:str=あいう", "r:str=x"});
    eval("Delete(s, 10)");
    EXPECT_EQ(elements("s"), "abc");
    eval("Delete(s, 2, 1)");
    EXPECT_EQ(elements("s"), "ac");
    eval("Delete(n, 1, 2)"); // the text is written back with the variable's own type
    EXPECT_EQ(elements("n"), "345");
    eval("Insert(\"XY\", s, 2)");
    EXPECT_EQ(elements("s"), "aXYc");
    eval("Insert(\"!\", s, 99)");
    EXPECT_EQ(elements("s"), "aXYc!");
    eval("JDelete(w, 2, 1)");
    EXPECT_EQ(elements("w"), "あう");
    eval("JInsert(\"ん\", w, 0)");
    EXPECT_EQ(elements("w"), "んあう");
    // A constant in a variable's place is never changed.
    auto p = compileExpression("r = Delete(\"abc\", 1) ++ \"abc\"");
    p->Execute(ctx);
    p->Execute(ctx);
    EXPECT_EQ(elements("r"), "abc");
}

TEST_F(Library, Numbers) {
    ctx.RandSeed = 12345;
    expectAll(*this, {
                         {"Int(-2.7)", "-2"},
                         {"Int(2.7) ++ \"\"", "2"},
                         {"Int(2.7) + 0.5", "2.5"},
                         {"Float(3) / 2", "1.5"},
                         {"Abs(-5)", "5"},
                         {"Abs(0 - 2147483647 - 1)", "-2147483648"},
                         {"Fabs(-2.5)", "2.5"},
                         {"Min(3, -4)", "-4"},
                         {"Max(3, -4)", "3"},
                         {"Fmin(1.5, 2)", "1.5"},
                         {"Fmax(1.5, 2)", "2"},
                         {"ArcSin(2)", "<none>"},
                         {"ArcCos(-1.5)", "<none>"},
                         {"Random(1)", "0"},
                         {"Random(0)", "0"},
                         {"Random(-1) <> 0", "TRUE"},
                     });
    struct Real {
        const char* text;
        long double value;
    };
    for (const Real& r : {Real{"Sin(1.5707963267948966)", 1.0L}, Real{"Cos(3.141592653589793)", -1.0L},
                          Real{"Tan(0.7853981633974483)", 1.0L}, Real{"ArcSin(1)", 1.5707963267948966L},
                          Real{"ArcCos(0)", 1.5707963267948966L}, Real{"ArcTan(1)", 0.7853981633974483L},
                          Real{"ArcTan2(1, -1)", 2.356194490192345L}, Real{"ArcTan2(-1, -1)", -2.356194490192345L},
                          Real{"Hypot(3, 4)", 5.0L}})
        EXPECT_NEAR(static_cast<double>(real(r.text)), static_cast<double>(r.value), 1e-14) << r.text;

    // The generator: seed := seed * 134775813 + 1; result := high half of seed * n.
    ctx.RandSeed = 1;
    uint32_t seed = 1;
    for (int i = 0; i < 5; ++i) {
        seed = seed * 134775813u + 1u;
        EXPECT_EQ(eval("Random(1000)"), std::to_string((static_cast<uint64_t>(seed) * 1000u) >> 32));
    }
    EXPECT_EQ(ctx.RandSeed, seed);
}

TEST(ScriptRandom, SeededWithTheMillisecondsOfTheUniversalDay) {
    // A local time far from universal time: the seed follows the latter.
    struct Clock : platform::IClock {
        uint64_t TickMs() override { return 0; }
        platform::LocalTime Now() override { return {2000, 1, 1, 23, 0, 0, 5, 6}; }
        uint32_t UtcMillisecondsOfDay() override { return 3'600'000 + 5; }
    } clock;
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext ctx(vars, functions, &clock);
    ctx.SeedRandomFromClock();
    EXPECT_EQ(ctx.RandSeed, 3'600'005u);
    // A clock in no zone (the virtual clock) gives its own time of day.
    struct Virtual : platform::IClock {
        uint64_t TickMs() override { return 0; }
        platform::LocalTime Now() override { return {2000, 1, 1, 1, 2, 3, 4, 6}; }
    } virtualClock;
    EXPECT_EQ(virtualClock.UtcMillisecondsOfDay(), ((1u * 60 + 2) * 60 + 3) * 1000 + 4);
}

TEST_F(Library, DatesAndTimes) {
    declare({"y:int", "m:int", "d:int", "h:int", "n:int", "s:int"});
    expectAll(*this, {
                         {"EncodeDate(1899, 12, 30)", "0"},
                         {"EncodeDate(2000, 1, 1)", "36526"},
                         {"EncodeDate(2000, 2, 29)", "36585"},
                         {"EncodeDate(1900, 2, 29)", "<none>"},
                         {"EncodeDate(2000, 13, 1)", "<none>"},
                         {"EncodeTime(12, 0, 0)", "0.5"},
                         {"EncodeTime(24, 0, 0)", "<none>"},
                         {"GetYear(36526.75)", "2000"},
                         {"GetMonth(36585)", "2"},
                         {"GetDay(36585)", "29"},
                         {"GetWeek(36526)", "7"},
                         {"GetWeekStr(36526)", "Saturday"},
                         {"GetWeekStr(36527)", "Sunday"},
                         {"GetWeekJStr(36528)", "月"},
                         {"GetHour(EncodeTime(1, 2, 3))", "1"},
                         {"GetMin(EncodeTime(1, 2, 3))", "2"},
                         {"GetSec(EncodeTime(1, 2, 3))", "3"},
                         {"GetSec(EncodeTime(23, 59, 59))", "59"},
                         {"GetYear(-693593)", "1"},
                         {"GetYear(-693594)", "0"},
                         {"GetYear(1.0E300)", "<none>"},
                     });
    eval("DecodeDate(EncodeDate(2024, 2, 29) + EncodeTime(13, 14, 15), y, m, d)");
    eval("DecodeTime(EncodeDate(2024, 2, 29) + EncodeTime(13, 14, 15), h, n, s)");
    EXPECT_EQ(elements("y") + "-" + elements("m") + "-" + elements("d") + " " + elements("h") + ":" + elements("n") +
                  ":" + elements("s"),
              "2024-2-29 13:14:15");
}

TEST_F(Library, FlagsAndVariables) {
    declare({"x:int=1", "s:str", "b:flag=true"});
    expectAll(*this, {
                         {"Not(b)", "FALSE"},
                         {"Not(0)", "TRUE"},
                         {"VarExists(\"X\")", "TRUE"},
                         {"VarExists(\"nope\")", "FALSE"},
                         {"GetVarType(x)", "1"},
                         {"GetVarType(s)", "4"},
                         {"GetVarType(1.5)", "2"},
                         {"AssignTemp(\"\")", "FALSE"},
                         {"AssignTemp(\"nope\")", "FALSE"},
                         {"AssignTemp(\"x\")", "TRUE"},
                         {"PushVar(\"x\", \"nope\", \"s\")", "TRUE"},
                     });
    EXPECT_EQ(vars.TempAlias, "x");
    eval("x = 99");
    eval("s = \"changed\"");
    EXPECT_EQ(eval("PopVar()"), "TRUE");
    EXPECT_EQ(elements("x"), "1");
    EXPECT_EQ(elements("s"), "");
    EXPECT_EQ(eval("PopVar()"), "TRUE"); // an empty stack: nothing happens
}

TEST_F(Library, Arrays) {
    declare({"a:int", "s[3]:str", "t:str", "m[2,2]:int=7", "f[3]:float", "n:int"});
    EXPECT_EQ(eval("SetArray(a, 3, 4)"), "0");
    expectAll(*this, {
                         {"GetArraySize(a, 0)", "4"},
                         {"GetArraySize(a, 1)", "3"},
                         {"GetArraySize(a)", "12"},
                         {"GetArraySize(5)", "<none>"},
                         {"SetArray(5, 2)", "<none>"},
                         {"FillMem(5, 2)", "<none>"},
                         {"CopyMem(a, 5)", "<none>"},
                         {"AddArray(m, s)", "4"},
                         {"InsertArray(m, 0, s)", "4"},
                         {"DeleteArray(m, 0, 1)", "4"},
                     });
    EXPECT_EQ(elements("m"), "7|7|7|7");

    eval("StringToArray(\"a,,b\", s, \",\")");
    EXPECT_EQ(elements("s"), "a||b");
    eval("StringToArray(\"a,\", s, \",\")");
    EXPECT_EQ(elements("s"), "a");
    eval("StringToArray(\",a;b\", s, \";,\")");
    EXPECT_EQ(elements("s"), "|a|b");
    eval("StringToArray(\"l1\\nl2\\n\", s)");
    EXPECT_EQ(elements("s"), "l1|l2");
    eval("StringToArray(\"\", s)");
    EXPECT_EQ(elements("s"), "");
    EXPECT_TRUE(vars.Find("s")->Value()->Dims().empty());
    eval("StringToArray(\"ソ\\\\x\", s, \"\\\\\")"); // the second byte of ソ is no separator
    EXPECT_EQ(elements("s"), "ソ|x");

    eval("StringToArray(\"10,9,100\", s, \",\")");
    eval("SortStr(s, TRUE, TRUE)");
    EXPECT_EQ(elements("s"), "100|10|9");
    eval("SortStr(s)");
    EXPECT_EQ(elements("s"), "10|100|9");
    eval("StringToArray(\"b,B,a,A,カ,か,ｶ,ガ,1,漢\", s, \",\")");
    eval("SortStr(s)");
    EXPECT_EQ(elements("s"), "1|a|A|b|B|か|カ|ｶ|ガ|漢");
    EXPECT_EQ(eval("ArrayToString(s, \"/\")"), "1/a/A/b/B/か/カ/ｶ/ガ/漢");
    EXPECT_EQ(eval("IndexOfStr(s, \"b\")"), "3");
    EXPECT_EQ(eval("IndexOfStr(s, \"B\", FALSE)"), "3");
    EXPECT_EQ(eval("IndexOfStr(s, \"か\", TRUE, TRUE)"), "5");
    EXPECT_EQ(eval("IndexOfStr(s, \"zz\")"), "-1");

    eval("StringToArray(\"1,2,3\", a, \",\")");
    EXPECT_EQ(eval("AddArray(a, a)"), "6");
    EXPECT_EQ(elements("a"), "1|2|3|1|2|3");
    EXPECT_EQ(eval("InsertArray(a, 1, \"9\")"), "7");
    EXPECT_EQ(elements("a"), "1|9|2|3|1|2|3");
    EXPECT_EQ(eval("DeleteArray(a, 5, 10)"), "5");
    EXPECT_EQ(elements("a"), "1|9|2|3|1");
    EXPECT_EQ(eval("DeleteArray(a, -3, 2)"), "3");
    EXPECT_EQ(elements("a"), "2|3|1");
    EXPECT_EQ(eval("ArrayToString(a)"), "2\r\n3\r\n1");

    eval("FillMem(f, 1.25)");
    eval("f[1] = 1.0 / 3");
    eval("SortStr(f, TRUE, TRUE)"); // elements move with their full precision
    EXPECT_EQ(vars.Find("f")->Value()->GetFloatAt(2), 1.0L / 3);
    EXPECT_EQ(eval("CopyArray(m, f)"), "TRUE");
    EXPECT_EQ(elements("m"), "1|1|0");
    EXPECT_EQ(eval("CopyMem(n, f)"), "<none>");
    eval("CopyMem(n, a)");
    EXPECT_EQ(elements("n"), "2|3|1");
}

TEST(Collation, JapaneseOrder) {
    // Each text sorts before the next one.
    const char* ordered[] = {" ", "!", "0", "１", "9", "a", "A", "ａ", "b", "z", "α", "Я", "あ", "ア", "ｱ", "ぁ",
                             "いい", "いー", "いう", "か", "が", "き", "ぱ", "ん", "亜", "唖", "漢"};
    for (size_t i = 0; i + 1 < std::size(ordered); ++i)
        EXPECT_LT(CollateStr(sj(ordered[i]), sj(ordered[i + 1])), 0) << ordered[i] << " " << ordered[i + 1];
    EXPECT_EQ(CollateText(sj("Ａbc"), sj("ａBC")), 0);
    EXPECT_NE(CollateText(sj("abc"), sj("ａｂｃ")), 0);
    EXPECT_EQ(CollateStr("abc", "abc"), 0);
    EXPECT_LT(CollateText("ab", "abc"), 0);
}

} // namespace
} // namespace nuvo
