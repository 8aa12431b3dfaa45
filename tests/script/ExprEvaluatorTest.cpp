#include "script/NuvoParser.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "script/BuildNuvoParser.h"
#include "script/OpeCode.h"
#include "script/ParamCollection.h"
#include "script/ParamVar.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace nuvo {
namespace {

using test::sj;

class Script : public ::testing::Test {
protected:
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext ctx{vars, functions};

    void declare(std::initializer_list<const char*> specs) {
        for (const char* s : specs) declareVariable(vars, s);
    }
    // Evaluates text as one expression; the Result as text ("<none>" without one).
    std::string eval(std::string_view text) {
        auto parser = compileExpression(text);
        parser->Execute(ctx);
        return parser->Result() ? sjisToUtf8Escaped(parser->Result()->AsString()) : "<none>";
    }
    uint8_t resultType(std::string_view text) {
        auto parser = compileExpression(text);
        parser->Execute(ctx);
        return parser->Result() ? parser->Result()->ParamType() : 0xFF;
    }
    std::string var(std::string_view name) {
        const TParamCollectionItem* e = vars.Find(sj(name));
        return e ? sjisToUtf8Escaped(e->Value()->AsString()) : "<missing>";
    }
    std::string element(std::string_view name, int32_t i) { return vars.Find(name)->Value()->GetStrAt(i); }
};

struct ValueCase {
    const char* text;
    const char* result;
};

TEST_F(Script, OperatorSemantics) {
    const ValueCase cases[] = {
        {"\"1\" + \"2\"", "3"},
        {"\"a\" + \"b\"", "0"},
        {"\"a\" ++ \"b\"", "ab"},
        {"\"5\" + 1.5", "6"}, // a string on the left: the temporary is a string, the sum an integer
        {"1 + \"2.5\"", "1"},
        {"1.5 + \"2.5\"", "4"},
        {"7 / 2", "3"},
        {"7.0 / 2", "3.5"},
        {"-7 / 2", "-3"},
        {"-7 % 2", "-1"},
        {"7 % -2", "1"},
        {"-8 >> 1", "2147483644"},
        {"1 << 33", "2"},
        {"-1 << 31", "-2147483648"},
        {"2147483647 + 1", "-2147483648"},
        {"65536 * 65536", "0"},
        {"6 | 3", "7"},
        {"6 & 3", "2"},
        {"6 ^ 3", "5"},
        {"TRUE | FALSE", "1"},
        {"1 < 1.5", "FALSE"},
        {"1.5 > 1", "TRUE"},
        {"\"abc\" < \"abd\"", "TRUE"},
        {"\"B\" < \"a\"", "TRUE"},
        {"\"a\" == \"A\"", "FALSE"},
        {"\"10\" < \"9\"", "TRUE"},
        {"\"ab\" < \"abc\"", "TRUE"},
        {"\"\\x{82A0}\" > \"z\"", "TRUE"},
        {"TRUE > FALSE", "TRUE"},
        {"1 <> 2", "TRUE"},
        {"2 >= 2", "TRUE"},
        {"1.0 / 3 * 3 == 1", "TRUE"},
        {"1 ++ 2", "12"},
        {"2.5 ++ \"\"", "2.5"},
        {"3.0 ++ \"\"", "3"},
        {"0.00001 ++ \"\"", "0.00001"},
        {"0.000001 ++ \"\"", "1E-6"},
        {"999999999999999.0 ++ \"\"", "999999999999999"},
        {"1000000000000000.0 ++ \"\"", "1E15"},
        {"-0.0000015 ++ \"\"", "-1.5E-6"},
        {"", "<none>"}, // an empty operand names no variable
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        if (const auto sjisText = utf8EscapedToSjis(text)) text = *sjisText;
        EXPECT_EQ(eval(text), c.result) << c.text;
    }
    EXPECT_EQ(resultType("\"1\" + \"2\""), PT_STR);
    EXPECT_EQ(resultType("1 + 2.0"), PT_FLOAT);
    EXPECT_EQ(resultType("1 % 2.0"), PT_INT);
    EXPECT_EQ(resultType("1 < 2"), PT_BOOL);
    EXPECT_EQ(resultType("IntToStr(1)"), PT_STR);
    EXPECT_EQ(resultType("Length(\"x\")"), PT_INT);
}

TEST_F(Script, AssignmentsConvertToTheTargetType) {
    declare({"i:int=4", "f:float", "b:flag", "s:str", "arr[3]:int=9"});
    eval("i = 2.9");
    EXPECT_EQ(var("i"), "2");
    eval("i = -2.9");
    EXPECT_EQ(var("i"), "-2");
    eval("f = 7 / 2");
    EXPECT_EQ(var("f"), "3"); // the division's own temporary is an integer
    eval("f = 7 / 2.0");
    EXPECT_EQ(var("f"), "3.5");
    eval("b = 5");
    EXPECT_EQ(var("b"), "TRUE");
    eval("s = \"1\" + \"2\"");
    EXPECT_EQ(var("s"), "3");
    eval("s = arr");
    EXPECT_EQ(var("s"), "9");
    eval("arr = 5");
    EXPECT_TRUE(vars.Find("arr")->Value()->Dims().empty());
    EXPECT_EQ(vars.Find("arr")->Value()->Count(), 1);
    EXPECT_EQ(eval("i = 1"), "<none>"); // an assignment leaves no result
}

TEST_F(Script, ArrayElements) {
    declare({"a[3,4]:int", "x:int=1"});
    eval("a[1, 2] = 7");
    EXPECT_EQ(element("a", 6), "7");
    eval("a[0, 5] = 8");
    EXPECT_EQ(element("a", 5), "8");
    eval("a[x + 1, x] = a[1, 2] * 2");
    EXPECT_EQ(element("a", 9), "14");
    EXPECT_EQ(eval("a[1,2] + a[0,5]"), "15");
    const int before = vars.Count();
    for (const char* bad : {"x = a[2, 4]", "x = a[1]", "x = a[-1, 0]", "x = a[1, 2, 3]", "x = b[1]"}) {
        auto p = compileExpression(bad);
        p->Execute(ctx);
        EXPECT_EQ(var("x"), "1") << bad << " " << sjisToUtf8(p->LastError());
        EXPECT_EQ(vars.Count(), before) << bad; // no temporary stays behind
    }
    // An element passed to a function is the element itself.
    eval("x = Length(IntToStr(a[1, 2] * 1000))");
    EXPECT_EQ(var("x"), "4");
}

TEST_F(Script, FailureMessages) {
    declare({"a[3,4]:int", "s:str"});
    const std::pair<const char*, const char*> cases[] = {
        {"a[2, 4] = 1", "a[2,4]\r\n要素数を超えています"},
        {"a[1] = 1", "a[1]\r\n添え字が不正です"},
        {"q = 1", "\"q\" 変数がありません"},
        {"s = q + 1", "\"q\" 変数がありません"},
        {"a[-1, 0] = 1", "[-4]:配列の添字が不正です"},
        {"s = GetArraySize(5)", "GetArraySize:変数が見つかりません"},
        {"s = GetProp(\"x\", 165)", "GetPropの引数が違います"},
        {"s = GetProp(\"x\", 0)", "GetProp:この関数はまだ使えません"},
        {"s = CopyMem(s, a)", "CopyMem:変数の型があいません"},
    };
    for (const auto& [text, message] : cases) {
        auto p = compileExpression(text);
        p->Execute(ctx);
        EXPECT_EQ(p->LastError(), sj(message)) << text;
    }
    // An operator code without a temporary to create: the invalid-expression text.
    TKvMemoryStream s{std::vector<uint8_t>{1, 0, 0, 0, 0, 5, 0, 0, 0, '_', '_', '_', '_', '9', 1, 0, 0, 0, 4, 1, 0, 0, 0, 'z'}};
    TNuvoParser p;
    p.LoadFromStream(s);
    p.Execute(ctx);
    EXPECT_EQ(p.LastError(), sj("不正な式\r\n\r\n代入先:____9演算タイプ:ocNone\r\nz"));
}

TEST_F(Script, FailureStopsAtTheFailingOperation) {
    declare({"x:int=5", "a:int", "f:float=1.5"});
    // SetArray runs before the division fails: its effect stays, the assignment never happens.
    eval("x = SetArray(a, 2, 3) + 1 / 0");
    EXPECT_EQ(var("x"), "5");
    EXPECT_EQ(vars.Find("a")->Value()->Count(), 6);
    EXPECT_EQ(eval("1 / 0"), "<none>");
    EXPECT_EQ(eval("x / 0 ++ \"\""), "<none>");
    for (const char* bad : {"x = (0 - 2147483647 - 1) / -1", "x = (0 - 2147483647 - 1) % -1", "x = 1 % 0",
                            "f = 1.0 / 0", "f = 0.0 / 0", "f = 1.0E4000 * 1.0E4000", "f = 1.0E4932 + 1.0E4932",
                            "x = ArcSin(2)", "x = IntToStr(1, \"3x\")", "x = IntToStr(1, 256)", "x = undefined + 1",
                            "x = intToStr(1)"}) {
        const int before = vars.Count();
        RunExpressionText(ctx, bad);
        EXPECT_EQ(var("x"), "5") << bad;
        EXPECT_EQ(var("f"), "1.5") << bad;
        EXPECT_EQ(vars.Count(), before) << bad;
    }
    EXPECT_EQ(eval("Abs(0 - 2147483647 - 1)"), "-2147483648");
    EXPECT_EQ(eval("(0 - 2147483647 - 1) / 1"), "-2147483648");
    // The result of a plain expression survives a failure after its last operation only.
    EXPECT_EQ(eval("x"), "5");
}

TEST_F(Script, RunExpressionText) {
    declare({"x:int"});
    EXPECT_FALSE(RunExpressionText(ctx, "   "));
    EXPECT_FALSE(RunExpressionText(ctx, "x = = 1"));
    EXPECT_TRUE(RunExpressionText(ctx, " x = 3 "));
    EXPECT_EQ(var("x"), "3");
    EXPECT_TRUE(RunExpressionText(ctx, "x = y")); // compiles; fails when evaluated
    EXPECT_EQ(var("x"), "3");
}

TEST_F(Script, TemporariesAreTableEntriesDuringTheEvaluation) {
    declare({"seen:flag", "n:int", "s:str"});
    // A function that looks at the table sees the temporaries made so far.
    eval("seen = VarExists(\"____\" ++ \"0\")");
    EXPECT_EQ(var("seen"), "TRUE");
    EXPECT_EQ(vars.Find("____0"), nullptr);
    // A variable that already has a temporary's name is used, not replaced.
    declare({"____0:str=kept"});
    eval("n = 1 + 2");
    EXPECT_EQ(var("n"), "3");
    EXPECT_EQ(var("____0"), "3");
    EXPECT_NE(vars.Find("____0"), nullptr);
    // @Temp standing for a temporary reads it while the evaluation runs.
    vars.Delete(vars.Find("____0"));
    eval("AssignTemp(\"s\")");
    EXPECT_EQ(vars.TempAlias, "s");
}

// One compiled expression run again and again (as a page's commands are)
// finds its names as the table holds them at each run, whatever it found
// before: variables deleted and made again with another type, a local of the
// current call depth hiding a global, and another table altogether.
TEST_F(Script, ARunFindsTheTableAsItIsNow) {
    declare({"a:int=5", "x:int"});
    auto parser = compileExpression("x = a + 1");
    auto run = [&](ScriptContext& context) {
        parser->Execute(context);
        return parser->LastError();
    };
    EXPECT_EQ(run(ctx), "");
    EXPECT_EQ(var("x"), "6");

    TParamCollection otherVars; // (with as many entries as vars)
    ScriptContext other{otherVars, functions};
    declareVariable(otherVars, "a:int=1");
    declareVariable(otherVars, "x:int");
    EXPECT_EQ(run(other), "");
    EXPECT_EQ(otherVars.Find("x")->Value()->AsString(), "2");
    EXPECT_EQ(var("x"), "6");

    vars.Delete(vars.Find("a"));
    vars.Delete(vars.Find("x"));
    declare({"a:str=41", "x:str"}); // a string plus a number adds as numbers
    EXPECT_EQ(run(ctx), "");
    EXPECT_EQ(var("x"), "42");

    vars.CurrentDepth = 1;
    vars.Declare("a", PT_FLOAT, SCOPE_LOCAL, nullptr)->Value()->SetFloat(0.5L);
    EXPECT_EQ(run(ctx), "");
    EXPECT_EQ(var("x"), "1.5");
    vars.CurrentDepth = 0; // the local is hidden again, the table unchanged
    EXPECT_EQ(run(ctx), "");
    EXPECT_EQ(var("x"), "42");
    vars.CurrentDepth = 1;
    EXPECT_EQ(run(ctx), "");
    EXPECT_EQ(var("x"), "1.5");

    vars.DeleteOwnedBy(1);
    vars.Delete(vars.Find("a"));
    EXPECT_NE(run(ctx), ""); // a is gone: the run stops, x keeps its value
    EXPECT_EQ(var("x"), "1.5");
}

TEST_F(Script, NestedEvaluations) {
    declare({"x:int=1", "y:int", "t:str", "r:str"});
    eval("r = Calc(\"y = x + 41\")");
    EXPECT_EQ(var("y"), "42");
    EXPECT_EQ(var("r"), "TRUE");
    eval("r = \"\"");
    eval("r = Calc(\"  \")");
    EXPECT_EQ(var("r"), "");
    eval("r = Calc(\"y = = 1\")");
    EXPECT_EQ(var("r"), "");
    eval("r = Calc(\"y = 1 / 0\")"); // an evaluation error inside is swallowed there
    EXPECT_EQ(var("r"), "TRUE");
    // The inner evaluation sees the outer one's temporaries (here ____0, the
    // literal "7") and deletes only its own, so the outer one goes on with it.
    eval("t = \"y = ____0\"");
    eval("r = Calc(t) ++ \"7\"");
    EXPECT_EQ(var("y"), "7");
    EXPECT_EQ(var("r"), "TRUE7");
    EXPECT_EQ(vars.Find("____0"), nullptr);
    // A text that calls itself twice at every level ends, and ends soon.
    eval("t = \"y = y + 1 + Length(Calc(t) ++ Calc(t))\"");
    eval("y = 0");
    eval("r = Calc(t)");
    EXPECT_EQ(vars.Count(), kSystemVariableCount + 4);
    EXPECT_EQ(ctx.EvaluationDepth, 0);
    // PopVar inside Calc may delete a temporary of the outer evaluation (here
    // the one receiving Calc's result): the result goes to what now has that
    // name, and the evaluation still cleans up safely.
    declare({"____0:int=7", "nm:str=____0", "pop:str=PopVar()"});
    eval("PushVar(nm)");
    vars.Delete(vars.Find("____0"));
    eval("y = Calc(pop)");
    EXPECT_EQ(var("y"), "0"); // "TRUE" stored into the re-created integer ____0
    EXPECT_EQ(ctx.EvaluationDepth, 0);
}

TEST_F(Script, StreamRoundTripIsByteExact) {
    for (const char* text : {"a = (b + 1) * 2", "x = IntToStr(Length(s ++ \"\\\"q\\\"\"), 3) ++ 1.5E300",
                             "a[i + 1, 2] = -b * TRUE ^ FALSE", "f(g(1), (2))", "SetArray(a, 1, 2, 3, 4, 5, 6, 7)"}) {
        TBuildNuvoParser builder;
        try {
            builder.Build(text);
        } catch (const ENuvoError&) {
            ADD_FAILURE() << text;
            continue;
        }
        TKvMemoryStream written;
        try {
            builder.SaveToStream(written);
        } catch (const ENuvoError&) {
            continue; // f and g are not functions
        }
        written.setPosition(0);
        TNuvoParser loaded;
        loaded.LoadFromStream(written);
        TKvMemoryStream again;
        loaded.SaveToStream(again);
        EXPECT_EQ(again.bytes(), written.bytes()) << text;
        TNuvoParser copy;
        copy.Assign(loaded);
        TKvMemoryStream third;
        copy.SaveToStream(third);
        EXPECT_EQ(third.bytes(), written.bytes()) << text;
    }
}

std::vector<uint8_t> streamOf(std::initializer_list<int> bytes) {
    std::vector<uint8_t> out;
    for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
    return out;
}

TEST_F(Script, LoadRefusesMalformedOperations) {
    // ocDimTo without operands.
    const auto noArray = streamOf({1, 0, 0, 0, 10, 1, 0, 0, 0, 'r', 0, 0, 0, 0});
    // A count that the stream cannot back.
    const auto huge = streamOf({0xFF, 0xFF, 0xFF, 0x7F});
    // Truncated inside an operand.
    const auto truncated = streamOf({1, 0, 0, 0, 1, 1, 0, 0, 0, 'r', 1, 0, 0, 0, 1, 7});
    for (const auto& bytes : {noArray, huge, truncated}) {
        TKvMemoryStream s{std::vector<uint8_t>(bytes)};
        TNuvoParser p;
        EXPECT_THROW(p.LoadFromStream(s), ENuvoError);
        EXPECT_TRUE(p.Operations().empty());
    }
    // Unknown operand tags read as names; unknown operators are kept and do nothing.
    TKvMemoryStream ok{streamOf({1, 0, 0, 0, 99, 1, 0, 0, 0, 'x', 1, 0, 0, 0, 9, 1, 0, 0, 0, 'y'})};
    TNuvoParser p;
    p.LoadFromStream(ok);
    ASSERT_EQ(p.Operations().size(), 1u);
    EXPECT_EQ(describeOperation(p.Operations()[0]), "oc99 x := y");
}

// One operation of a hand-written stream: operands are integer constants
// when they begin with a digit, names otherwise.
struct HandOp {
    uint8_t opcode;
    const char* target;
    std::vector<const char*> operands;
    uint8_t function = 0; // ocFunc only
};

std::vector<uint8_t> handStream(std::initializer_list<HandOp> ops) {
    TKvMemoryStream s;
    WriteInt(s, static_cast<int32_t>(ops.size()));
    for (const HandOp& op : ops) {
        WriteByte(s, op.opcode);
        WriteStr(s, op.target);
        WriteInt(s, static_cast<int32_t>(op.operands.size()));
        if (op.opcode == ocFunc) WriteByte(s, op.function);
        for (const char* operand : op.operands) {
            if (operand[0] >= '0' && operand[0] <= '9') WriteByte(s, PT_INT), WriteInt(s, std::atoi(operand));
            else WriteByte(s, PT_NONE), WriteStr(s, operand);
        }
    }
    return s.bytes();
}

// A page may hold calls the compiler never writes. They load (and save back
// unchanged); run, a number beyond the catalogue does nothing and a count
// outside the function's bounds fails the evaluation with the function's own
// message, after what came before it, and no function sees the arguments.
TEST_F(Script, UnknownFunctionsAndOddArgumentCountsLoadAndFailWhenRun) {
    const uint8_t kCopy = 7, kLength = 5, kGetProp = 2;
    struct Case {
        std::vector<uint8_t> bytes;
        const char* x;      // x afterwards (7 before)
        const char* n;      // n afterwards (0 before)
        const char* result; // Result as text
        const char* error;
    } cases[] = {
        // To a variable: the variable is left as it was, not even converted.
        {handStream({{ocFunc, "x", {"s", "1"}, 200}, {ocTo, "n", {"1"}}}), "7", "1", "<none>", ""},
        // A temporary receiving it is a new integer.
        {handStream({{ocFunc, "____0", {}, 161}, {ocTo, "x", {"____0"}}}), "0", "0", "<none>", ""},
        {handStream({{ocFunc, "____0", {"s"}, 255}, {ocTo, "____arg", {"____0"}}}), "7", "0", "0", ""},
        {handStream({{ocTo, "n", {"1"}}, {ocFunc, "____0", {"s"}, kCopy}, {ocTo, "x", {"____0"}}}), "7", "1", "<none>",
         "Copy 引数の数が不正です"},
        {handStream({{ocFunc, "____0", {"s", "1", "2", "3"}, kCopy}, {ocTo, "____arg", {"____0"}}}), "7", "0",
         "<none>", "Copy 引数の数が不正です"},
        // Straight into a variable: Length would have stored 0 into x.
        {handStream({{ocFunc, "x", {}, kLength}}), "7", "0", "<none>", "Length 引数の数が不正です"},
        // The count goes before the property number that types GetProp's result.
        {handStream({{ocFunc, "____0", {"s"}, kGetProp}, {ocTo, "x", {"____0"}}}), "7", "0", "<none>",
         "GetProp 引数の数が不正です"},
    };
    declare({"x:int", "n:int", "s:str=abc"});
    const int before = vars.Count();
    for (const Case& c : cases) {
        eval("x = 7");
        eval("n = 0");
        TKvMemoryStream in{std::vector<uint8_t>(c.bytes)};
        TNuvoParser p;
        ASSERT_NO_THROW(p.LoadFromStream(in));
        EXPECT_EQ(in.remaining(), 0);
        TKvMemoryStream out;
        p.SaveToStream(out);
        EXPECT_EQ(out.bytes(), c.bytes);
        std::string listing;
        for (const auto& op : p.Operations()) listing += describeOperation(op) + "; ";

        p.Execute(ctx);
        EXPECT_EQ(sjisToUtf8(p.LastError()), c.error) << listing;
        EXPECT_EQ(var("x"), c.x) << listing;
        EXPECT_EQ(var("n"), c.n) << listing;
        EXPECT_EQ(p.Result() ? sjisToUtf8(p.Result()->AsString()) : "<none>", c.result) << listing;
        EXPECT_EQ(vars.Count(), before) << listing;
    }
    // The listing names a number beyond the catalogue by the number.
    TKvMemoryStream in{handStream({{ocFunc, "x", {"s", "1"}, 200}})};
    TNuvoParser p;
    p.LoadFromStream(in);
    EXPECT_EQ(describeOperation(p.Operations()[0]), "ocFunc x := #200, s, 1");
}

TEST_F(Script, ListingOfLoadedOperations) {
    auto p = compileExpression("x = IntToStr(1.0, 3) ++ \"a\\\"b\\nc\" ++ TRUE ++ y[2]");
    std::string out;
    for (const auto& op : p->Operations()) out += describeOperation(op) + "\n";
    EXPECT_EQ(out, "ocTo ____0 := \"a\\\"b\\nc\"\n"
                   "ocFunc ____1 := IntToStr, 1.0, 3\n"
                   "ocDimTo ____d_2 := y, 2\n"
                   "ocComboStr ____3 := ____1, ____0\n"
                   "ocComboStr ____4 := ____3, TRUE\n"
                   "ocComboStr ____5 := ____4, ____d_2\n"
                   "ocTo x := ____5\n");
}

} // namespace
} // namespace nuvo
