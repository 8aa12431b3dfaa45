// The text form of pages: round trips, every kind's fields, masks, the raw
// notation for operation lists no text gives, and errors.
#include "engine/PageSource.h"
#include "base/Error.h"
#include "base/StreamIO.h"
#include "engine/Commands.h"
#include "engine/ExprText.h"
#include "engine/Page.h"
#include "engine/SourceText.h"
#include "script/BuildNuvoParser.h"
#include "script/NuvoParser.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nuvo;
using nuvo::test::sj;

namespace {

std::vector<uint8_t> pageBytes(const TPage& page) {
    TKvMemoryStream s;
    page.SaveToStream(s);
    return s.bytes();
}

std::vector<uint8_t> build(const std::string& text) {
    TPage page;
    readPageSource(text, page);
    return pageBytes(page);
}

std::string dump(const std::vector<uint8_t>& bytes) {
    TKvMemoryStream s(bytes);
    TPage page;
    EXPECT_EQ(page.LoadFromStream(s), TPage::LoadResult::Loaded);
    return writePageSource(page);
}

// One line of every kind, each field given (versioned fields included).
const char* const kEveryKind = R"(page version=116 result=str
If {x > 3}
  Elseif {x == 2} @disabled
  Else @runon=0
Label "top"
Jump "b.nsb" index=4 cond={y <> 0}
Call "sub.nsb" index=2 result="r" args=[{1}, {"two"}, {x * 2}]
Exit {done}
Wait {ready} time={1000} blocked={TRUE}
BoxNew PR_NAME={"box"} PR_WIDTH={100}
ImgNew PR_NAME={"bg"} PR_SOURCE={"bg\room.png"} PR_DELAY={50}
MesNew PR_NAME={"mes"}
Timer PR_NAME={"t"}
Movie PR_SOURCE={"m.mpg"}
Flip {3} duration={500} reverse={FALSE} mode={1} names=[{"a"}, {"b"}] freeold={TRUE} parama={1} paramb={2} mask={"m.png"} blocked={TRUE}
Calc {a = (b + 1) * 2}
VarNew "v" type=str value={"x"} scope=status
VarDel "v"
GetProp {"bg"} prop={3} var="left"
SetProp {"bg"} prop={3} value={10}
ObjDel {"bg"}
TextIns "こんにちは\r\n[b]世界[/b]" box={"mes"} readmark={TRUE} wait={TRUE} blocked={FALSE}
MovieStop {"m"} fade={500} wait={TRUE} blocked={TRUE}
ClrHist
Cinema PR_NAME={"c"}
Caption PR_NAME={"cap"}
Menu PR_NAME={"menu"}
MenuClose {"menu"}
Comment "a note"
TextClr {"mes"}
CallHist {"mes"} first={5} count={2} flag={TRUE} format={"f"}
Button PR_NAME={"b1"}
While {i < 10} end=40
WhileInit {i = 0}
WhileLoop {i = i + 1} start=37
Break {i == 5} target=41
Continue {i == 3} target=-1
ParticleNew PR_NAME={"p"}
FireNew PR_NAME={"f"}
GameSave {3} page="after.nsb" index=2 caption={"slot"}
GameLoad {3}
PCReset "start.nsb" index=1 all=1
Reset "start.nsb" index=1
Sound PR_SOURCE={"se.wav"}
EditNew PR_NAME={"e"}
MemoNew PR_NAME={"memo"}
Terminate
DoEvent
ClrRead
MapImgNew PR_NAME={"map"}
WaveNew PR_NAME={"w"}
TileNew PR_NAME={"tile"}
SliderNew PR_NAME={"s"}
ScrollbarNew PR_NAME={"sb"}
GaugeNew PR_NAME={"g"}
CGCaption PR_NAME={"cg"}
MediaPlay {"m"}
PrevMenuNew PR_NAME={"pm"}
PropMotion {"pm1"} target={"bg"} prop={3} value={1.5} duration={300} curve={2} paused={TRUE}
FormatHist {"mes"} format={"f"}
SaveCabinet PR_NAME={"cab"} mode={TRUE} names=[{"bg"}]
LoadCabinet PR_NAME={"cab"} names=[{"bg"}, {"mes"}]
)";

} // namespace

TEST(PageSource, EveryKindRoundTripsThroughTheTextForm) {
    const auto bytes = build(kEveryKind);
    const std::string text = dump(bytes);
    EXPECT_EQ(text, kEveryKind); // the canonical form is what an author writes
    EXPECT_EQ(build(text), bytes);

    TKvMemoryStream s(bytes);
    TPage page;
    page.LoadFromStream(s);
    ASSERT_EQ(page.Commands.Count(), kCommandKindCount);
    auto& call = dynamic_cast<TComCall&>(*page.Commands.At(5));
    EXPECT_EQ(call.LineNo, 5); // the command's index unless @line says otherwise
    EXPECT_EQ(call.ArgExprs.size(), 3u);
    auto& elseif = *page.Commands.At(1);
    EXPECT_EQ(elseif.Indent, 1);
    EXPECT_EQ(elseif.FDisabled, 1);
    EXPECT_EQ(page.Commands.At(2)->FRunOn, 0);
    auto& var = dynamic_cast<TComVarNew&>(*page.Commands.At(15));
    EXPECT_EQ(var.VarType, 4);
    EXPECT_EQ(var.Scope, 3);
    auto& text2 = dynamic_cast<TComTextIns&>(*page.Commands.At(20));
    EXPECT_EQ(text2.Text, sj("こんにちは\r\n[b]世界[/b]"));
    auto& cont = dynamic_cast<TComContinue&>(*page.Commands.At(35));
    EXPECT_EQ(cont.TargetIndex, -1);
    EXPECT_EQ(page.ResultType, 4);
}

TEST(PageSource, FieldsLeftOutAreEmptyAndNotWritten) {
    // Every kind with every field left out: the fields read as empty or 0,
    // and the dump is the bare kind again.
    std::string text = "page version=116 result=int\n";
    for (int code = 0; code < kCommandKindCount; ++code)
        text += std::string(commandKind(code)->name) + "\n";
    const auto bytes = build(text);
    EXPECT_EQ(dump(bytes), text);
    TKvMemoryStream s(bytes);
    TPage page;
    page.LoadFromStream(s);
    EXPECT_EQ(dynamic_cast<TComVarNew&>(*page.Commands.At(15)).VarType, 0);
    EXPECT_EQ(dynamic_cast<TComJump&>(*page.Commands.At(4)).Index, 0);
    EXPECT_TRUE(dynamic_cast<TComWait&>(*page.Commands.At(7)).TimeExpr.Empty());
}

TEST(PageSource, MasksComeFromThePropertiesUnlessStated) {
    // Two ImgNew give the union of their properties.
    TPage page;
    readPageSource("page version=116\nImgNew PR_NAME={\"a\"}\nImgNew PR_LEFT={1} PR_TOP={}\n", page);
    TMask expected{};
    maskSet(expected, 0), maskSet(expected, 3), maskSet(expected, 4);
    EXPECT_EQ(page.Masks[9], expected);
    EXPECT_EQ(page.Masks[8], TMask{});
    // PR_TOP={} is present and empty: the dump states the mask to keep it.
    const std::string text = writePageSource(page);
    EXPECT_NE(text.find("mask ImgNew PR_NAME PR_LEFT PR_TOP\n"), std::string::npos) << text;
    EXPECT_EQ(build(text), pageBytes(page));

    // Stated masks may hold any bit, also for kinds without properties.
    const std::string stated = "page version=116 result=int\nmask If PR_NAME #167\nmask BoxNew PR_LEFT\nBoxNew\n";
    const auto bytes = build(stated);
    EXPECT_EQ(dump(bytes), stated);

    TPage refused;
    EXPECT_THROW(readPageSource("page version=116\nmask BoxNew PR_LEFT\nBoxNew PR_TOP={1}\n", refused), ESourceError);
}

TEST(PageSource, ExpressionsThatNoTextGivesUseTheRawNotation) {
    // Hand-made operation lists: a negative constant, an unknown operation
    // code, a flag byte of 5, a string with a lone LF and undecodable bytes,
    // a NaN, a name with a blank, an empty name.
    TKvMemoryStream e;
    WriteInt(e, 3);
    WriteByte(e, 2), WriteStr(e, "____0"), WriteInt(e, 4);
    WriteByte(e, 1), WriteInt(e, -5);
    WriteByte(e, 3), WriteByte(e, 5);
    WriteByte(e, 4), WriteStr(e, std::string("a\nb\x81\xff", 5));
    WriteByte(e, 0), WriteStr(e, "two words");
    WriteByte(e, 37), WriteStr(e, ""), WriteInt(e, 2);
    WriteByte(e, 2), WriteFloat(e, std::numeric_limits<long double>::quiet_NaN());
    WriteByte(e, 0), WriteStr(e, "");
    WriteByte(e, 11), WriteStr(e, "____arg"), WriteInt(e, 2), WriteByte(e, 0);
    WriteByte(e, 1), WriteInt(e, 1);
    WriteByte(e, 1), WriteInt(e, 2);
    const std::vector<uint8_t> expr = e.bytes();

    TKvMemoryStream p;
    WriteInt(p, 116), WriteByte(p, 1), WriteInt(p, 0), WriteInt(p, 21), WriteInt(p, 1);
    WriteByte(p, 14), WriteInt(p, 0), WriteByte(p, 0), WriteByte(p, 1), WriteInt(p, 0);
    p.write(expr.data(), static_cast<int64_t>(expr.size()));
    const std::string text = dump(p.bytes());
    EXPECT_NE(text.find("Calc raw{"), std::string::npos) << text;

    // Built back, the command carries the very same operations.
    const auto rebuilt = build(text);
    TKvMemoryStream r(rebuilt);
    TPage page;
    page.LoadFromStream(r);
    TKvMemoryStream out;
    dynamic_cast<TComCalc&>(*page.Commands.At(0)).CalcExpr.SaveToStream(out);
    EXPECT_EQ(out.bytes(), expr);
}

TEST(PageSource, OperationListsReadBackAsTextWhenTheyCan) {
    const char* const texts[] = {
        "x > 3",
        "a = a + 1",
        "a = (b + 1) * 2",
        "s = IntToStr(x) ++ \"回目\"",
        "arr[i + 1, 2] = 5",
        "x = Copy(s, 1, Length(s) - 1)",
        "-5 * 2",
        "a * -b",
        "a - b - c",
        "a - (b - c)",
        "a = b == c",
        "f = (x & 1) | (y ^ 2) << 3",
        "@Result = 1.5",
        "p = \"C:\\\\dir\\\\\"",
        "q = \"say \\\"hi\\\"\\n\"",
        "n = $1F",
        "TRUE",
        "\"just text\"",
        "x = 1e20 + 0.000001",
        "x = ((a))",
        "y = (a + b) + c",
        "z = -(a + b) * (c)",
    };
    for (const char* t : texts) {
        const auto parser = compileExpression(sj(t));
        const auto back = decompileExpression(*parser);
        ASSERT_TRUE(back.has_value()) << t;
        EXPECT_EQ(expressionSource(*parser).substr(0, 1), "{") << t;
        TBuildNuvoParser builder;
        builder.Build(*back);
        TKvMemoryStream a, b;
        builder.SaveToStream(a);
        parser->SaveToStream(b);
        EXPECT_EQ(a.bytes(), b.bytes()) << t << " -> " << *back;
    }
}

TEST(PageSource, TextWithBytesThatUtf8DoesNotCarry) {
    // A lone lead byte, an undefined code and a backslash before "x{".
    const std::string odd = std::string("\x81", 1) + "\\x{41}" + std::string("\xA0", 1);
    TPage page;
    readPageSource("page version=116\nComment \"x\"\n", page);
    dynamic_cast<TComComment&>(*page.Commands.At(0)).Text = odd;
    const std::string text = writePageSource(page);
    EXPECT_EQ(build(text), pageBytes(page)) << text;
}

TEST(PageSource, ErrorsNameTheLine) {
    struct Bad {
        const char* text;
        const char* message;
    } bad[] = {
        {"Calc {x}\n", "begins with"},
        {"page version=117\n", "from 103 to 116"},
        {"page version=116\nJmp \"a\"\n", "unknown command kind"},
        {"page version=116\nJump \"a\" idx=3\n", "no field 'idx'"},
        {"page version=106\nWait blocked={TRUE}\n", "needs page version 107"},
        {"page version=116\nCalc {x = = 1}\n", "expression"},
        {"page version=116\nCalc {\"open}\n", "unterminated"},
        {"page version=116\n   Calc {x}\n", "two blanks"},
        {"page version=116\nJump index=\"a\"\n", "takes an integer"},
        {"page version=116\nVarNew \"v\" type=complex\n", "int, float, bool, str"},
        {"page version=116\nCalc raw{ocBogus a := 1}\n", "unknown operation"},
        {"page version=116\nCalc raw{ocFunc a := NoSuch(1)}\n", "unknown function"},
        {"page version=116\nCalc raw{ocFunc a := #256(1)}\n", "0 to 255"},
        // Bytes that are not UTF-8 in a function name or a name operand.
        {"page version=116\nCalc raw{ocFunc a := Length\xd8\xd6(1)}\n", "unknown function"},
        {"page version=116\nCalc raw{ocTo a := TRUE\xd8\xd6}\n", "without a Shift-JIS form"},
        {"page version=116\nCalc raw{ocDimTo ____d_0 :=}\n", "cannot load"},
        {"page version=116\nImgNew PR_NOPE={1}\n", "no field 'PR_NOPE'"},
        {"page version=116\nElse {x}\n", "takes no fields"},
    };
    for (const Bad& b : bad) {
        TPage page;
        try {
            readPageSource(b.text, page);
            ADD_FAILURE() << b.text;
        } catch (const ESourceError& e) {
            EXPECT_NE(std::string(e.what()).find(b.message), std::string::npos) << b.text << " -> " << e.what();
            if (std::string_view(b.text).starts_with("page")) {
                EXPECT_EQ(e.Line(), std::string_view(b.message) == "from 103 to 116" ? 1 : 2);
            }
        }
    }
}
