// The text form of pages: round trips, every kind's fields, masks, the raw
// notation for operation lists no text gives, and errors.
#include "engine/PageSource.h"
#include "base/Cp932.h"
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

#include <filesystem>

using namespace nuvo;
using nuvo::test::sj;

namespace {

std::vector<uint8_t> pageBytes(const TPage& page) {
    TKvMemoryStream s;
    page.SaveToStream(s);
    return s.bytes();
}

// Pages are built as "self.nsb".
constexpr std::string_view kSelf = "self.nsb";

std::vector<uint8_t> build(const std::string& text) {
    TPage page;
    readPageSource(text, page, kSelf);
    return pageBytes(page);
}

std::unique_ptr<TPage> builtPage(const std::string& text) {
    auto page = std::make_unique<TPage>();
    readPageSource(text, *page, kSelf);
    return page;
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
GetProp {"bg"} prop=PR_LEFT var="left"
SetProp {"bg"} prop=PR_LEFT value={10}
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
PropMotion {"pm1"} target={"bg"} prop=PR_LEFT value={1.5} duration={300} curve={2} paused={TRUE}
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
    // and the dump is the bare kind again. (The loop kinds, outside a loop,
    // have nothing to take their index from: they state it.)
    std::string text = "page version=116 result=int\n";
    for (int code = 0; code < kCommandKindCount; ++code) {
        text += commandKind(code)->name;
        if (code == TComWhile::kCode) text += " end=0";
        if (code == TComWhileLoop::kCode) text += " start=0";
        if (code == TComBreak::kCode || code == TComContinue::kCode) text += " target=0";
        text += "\n";
    }
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

TEST(PageSource, ErrorsNameTheLineAndColumn) {
    // The column counts characters of the line; inside an expression it is
    // the character the compiler stopped at.
    struct Bad {
        const char* text;
        const char* message;
        int line, column;
    } bad[] = {
        {"Calc {x}\n", "begins with", 1, 1},
        {"page version=117\n", "from 103 to 116", 1, 14},
        {"page version=116\nJmp \"a\"\n", "unknown command kind", 2, 1},
        {"page version=116\nJump \"a\" idx=3\n", "no field 'idx'", 2, 10},
        {"page version=106\nWait blocked={TRUE}\n", "needs page version 107", 2, 6},
        {"page version=116\nCalc {\"open}\n", "unterminated", 2, 6},
        {"page version=116\n   Calc {x}\n", "two blanks", 2, 4},
        {"page version=116\n\tCalc {x}\n", "not tabs", 2, 1},
        {"page version=116\nJump index=\"a\"\n", "takes an integer", 2, 6},
        {"page version=116\nVarNew \"v\" type=complex\n", "int, float, bool, str", 2, 12},
        {"page version=116\nCalc raw{ocBogus a := 1}\n", "unknown operation", 2, 10},
        {"page version=116\nCalc raw{ocFunc a := NoSuch(1)}\n", "unknown function", 2, 22},
        {"page version=116\nCalc raw{ocFunc a := #256(1)}\n", "0 to 255", 2, 23},
        // Bytes that are not UTF-8 in a function name or a name operand.
        {"page version=116\nCalc raw{ocFunc a := Length\xd8\xd6(1)}\n", "unknown function", 2, 22},
        {"page version=116\nCalc raw{ocTo a := TRUE\xd8\xd6}\n", "without a Shift-JIS form", 2, 20},
        {"page version=116\nCalc raw{ocDimTo ____d_0 :=}\n", "cannot load", 2, 6},
        {"page version=116\nImgNew PR_NOPE={1}\n", "no field 'PR_NOPE'", 2, 8},
        {"page version=116\nElse {x}\n", "takes no fields", 2, 6},
        {"page version=116\nmask BoxNew PR_LEFT\nBoxNew PR_TOP={1}\n", "not in the page's mask", 3, 8},
        // Compile errors: an operator without its operand, an unmatched
        // bracket after double-byte text and an escape (each counts as the
        // characters it is written with), an unknown function, an empty index.
        {"page version=116\nCalc {x = 1 +}\n", "構文エラー", 2, 13},
        {"page version=116\nCalc {s = \"日本\" ++ (x}\n", "構文エラー", 2, 19},
        {"page version=116\nCalc {s = \"\\x{8740}\" ++ (x}\n", "構文エラー", 2, 25},
        {"page version=116\n  Calc {x = 1 + Foo(2)}\n", "\"Foo\" 関数名がありません", 2, 17},
        {"page version=116\nCalc {a[] = 1}\n", "配列の添え字が不正です", 2, 8},
        // The short forms.
        {"page version=116\nSetProp {\"a\"} prop=PR_NOPE value={1}\n", "unknown property 'PR_NOPE'", 2, 15},
        {"page version=116\nSetProp {\"a\"} prop=\"PR_LEFT\"\n", "or a property name", 2, 15},
        {"page version=116\nWhile {x}\nCalc {x}\n", "While without its WhileLoop", 2, 1},
        {"page version=116\nWhile {x}\n  If {y}\n    WhileLoop {}\n", "While without its WhileLoop", 2, 1},
        {"page version=116\nWhile {x} end=3\n  If {y}\n    WhileLoop {}\n", "WhileLoop that ends no", 4, 5},
        {"page version=116\nIf {x}\n  Break {y}\n", "Break outside", 3, 3},
        {"page version=116\nJump \"self.nsb\" label=nowhere\n", "no Label \"nowhere\"", 2, 17},
        {"page version=116\nLabel \"top\"\nJump \"other.nsb\" label=top\n", "is not this page", 3, 18},
        {"page version=116\nLabel \"top\"\nCall \"self.nsb\" index=1 label=top\n", "not both", 3, 25},
        {"page version=104\nLabel \"top\"\nGameSave {1} page=\"self.nsb\" label=top\n", "version 105", 3, 30},
    };
    for (const Bad& b : bad) {
        TPage page;
        try {
            readPageSource(b.text, page, kSelf);
            ADD_FAILURE() << b.text;
        } catch (const ESourceError& e) {
            EXPECT_NE(std::string(e.what()).find(b.message), std::string::npos) << b.text << " -> " << e.what();
            EXPECT_EQ(e.Line(), b.line) << b.text;
            EXPECT_EQ(e.Column(), b.column) << b.text;
            EXPECT_TRUE(std::string(e.what()).starts_with("line " + std::to_string(b.line) + ", column " +
                                                          std::to_string(b.column) + ": "))
                << e.what();
        }
    }
    // Without the page's own name no label resolves.
    TPage page;
    EXPECT_THROW(readPageSource("page version=116\nLabel \"a\"\nJump \"x.nsb\" label=a\n", page), ESourceError);
}

// Pages written with loop targets left out, and the indices they store.
TEST(PageSource, LoopTargetsComeFromNesting) {
    struct Case {
        const char* source;
        std::vector<std::pair<int, int32_t>> stored; // command index, its end/start/target
    } cases[] = {
        // A loop: While ends after its WhileLoop, which starts again at the While.
        {"WhileInit {i = 0}\nWhile {i < 3}\n  Calc {s = s + i}\n  WhileLoop {i = i + 1}\nExit\n", {{1, 4}, {3, 1}}},
        // Nested loops; Break and Continue at any depth of their own loop
        // (inside an If), the inner loop's Break leaving only the inner loop.
        {"While {a}\n"               // 0
         "  While {b}\n"             // 1
         "    If {c}\n"              // 2
         "      Break\n"             // 3
         "    Continue {d}\n"        // 4
         "    WhileLoop\n"           // 5
         "  If {e}\n"                // 6
         "    Calc {g}\n"            // 7
         "  Else\n"                  // 8
         "    Break {f}\n"           // 9
         "  Continue\n"              // 10
         "  WhileLoop {x = x + 1}\n" // 11
         "Calc {done = 1}\n",        // 12
         {{0, 12}, {1, 6}, {3, 6}, {4, 5}, {5, 1}, {9, 12}, {10, 11}, {11, 0}}},
        // A loop at the end of the page ends at the page's end.
        {"Calc {x}\nWhile {TRUE}\n  WhileLoop\n", {{1, 3}, {2, 1}}},
        // Given targets are kept as written, and the rest is still found.
        {"While {a} end=7\n  Break target=-1\n  Continue\n  WhileLoop start=5\n", {{0, 7}, {1, -1}, {2, 3}, {3, 5}}},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("page version=116 result=int\n") + c.source;
        const auto page = builtPage(text);
        for (const auto& [index, target] : c.stored) {
            TCommand* cmd = page->Commands.At(index);
            int32_t got = 0;
            if (auto* w = dynamic_cast<TComWhile*>(cmd))
                got = w->EndIndex;
            else if (auto* l = dynamic_cast<TComWhileLoop*>(cmd))
                got = l->StartIndex;
            else if (auto* b = dynamic_cast<TComBreak*>(cmd))
                got = b->TargetIndex;
            else if (auto* k = dynamic_cast<TComContinue*>(cmd))
                got = k->TargetIndex;
            else
                ADD_FAILURE() << "command " << index << " is no loop command";
            EXPECT_EQ(got, target) << c.source << "command " << index;
        }
        // The dump leaves out what nesting gives and writes the rest.
        const std::string dumped = writePageSource(*page);
        EXPECT_EQ(dumped, text);
        EXPECT_EQ(build(dumped), pageBytes(*page));
    }

    // A page whose stored indices differ from the nesting (or that has no
    // nesting to take them from) keeps every one in its dump.
    const auto odd = builtPage("page version=116\nWhile {a}\n  WhileLoop {}\nBreak target=0\n");
    dynamic_cast<TComWhile&>(*odd->Commands.At(0)).EndIndex = 0;
    dynamic_cast<TComWhileLoop&>(*odd->Commands.At(1)).StartIndex = 1;
    const std::string text = writePageSource(*odd);
    EXPECT_NE(text.find("While {a} end=0\n  WhileLoop start=1\nBreak target=0\n"), std::string::npos) << text;
    EXPECT_EQ(build(text), pageBytes(*odd));
}

TEST(PageSource, PropertiesByName) {
    const std::string text = "page version=116 result=int\n"
                             "GetProp {\"bg\"} prop=PR_SCROLLX var=\"x\"\n"
                             "SetProp {\"bg\"} prop=PR_BLURDELAY value={x + 1}\n"
                             "PropMotion {\"m\"} target={\"bg\"} prop=PR_NAME value={1}\n"
                             "SetProp {\"bg\"} prop={165} value={1}\n"
                             "SetProp {\"bg\"} prop={n} value={1}\n";
    const auto page = builtPage(text);
    // A name stores its number, as the number in braces does.
    EXPECT_EQ(build("page version=116\nSetProp {\"bg\"} prop={109} value={x + 1}\n"),
              build("page version=116\nSetProp {\"bg\"} prop=PR_SCROLLX value={x + 1}\n"));
    // Numbers with a name are dumped by name; others stay expressions.
    EXPECT_EQ(writePageSource(*page), text);
    EXPECT_EQ(build(writePageSource(*page)), pageBytes(*page));
}

TEST(PageSource, JumpsNameLabelsOfTheirOwnPage) {
    const std::string source = "page version=116\n"
                               "Label \"intro\"\n"
                               "Calc {n = n + 1}\n"
                               "Label \"again\"\n"
                               "Label \"intro\"\n"
                               "Jump \"self.nsb\" label=intro cond={n < 3}\n"
                               "Call \"SELF.NSB\" label=\"again\"\n"
                               "Reset \"self.nsb\" label=again\n"
                               "GameSave {1} page=\"self.nsb\" label=intro\n";
    const auto page = builtPage(source);
    // The first Label of the name, as the player finds it; the page's name in
    // any letter case.
    EXPECT_EQ(dynamic_cast<TComJump&>(*page->Commands.At(4)).Index, 0);
    EXPECT_EQ(dynamic_cast<TComCall&>(*page->Commands.At(5)).Index, 2);
    EXPECT_EQ(dynamic_cast<TComReset&>(*page->Commands.At(6)).Index, 2);
    EXPECT_EQ(dynamic_cast<TComGameSave&>(*page->Commands.At(7)).LoadIndex, 0);
    // The dump writes the index, which builds to the same page.
    const std::string dumped = writePageSource(*page);
    EXPECT_NE(dumped.find("Call \"SELF.NSB\" index=2\n"), std::string::npos) << dumped;
    EXPECT_EQ(build(dumped), pageBytes(*page));

    // A page in a folder is known by its whole name.
    TPage nested;
    readPageSource("page version=116\nLabel \"a\"\nJump \"sub/Scene.nsb\" label=a\n", nested, "sub\\scene.nsb");
    EXPECT_EQ(dynamic_cast<TComJump&>(*nested.Commands.At(1)).Index, 0);
}

// Every page source of the test titles and the demo: built, dumped and
// built again, the bytes are the same.
TEST(PageSource, TitleSourcesRoundTrip) {
    namespace fs = std::filesystem;
    int pages = 0;
    for (const char* folder : {"tests/titles", "demo"}) {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(NUVO_SOURCE_DIR) / folder)) {
            if (entry.path().extension() != ".nss") continue;
            SCOPED_TRACE(entry.path().string());
            const std::string text = test::readFile(entry.path());
            const std::string name = entry.path().stem().string() + ".nsb";
            TPage page;
            readPageSource(text, page, name);
            const std::vector<uint8_t> bytes = pageBytes(page);
            TKvMemoryStream s(bytes);
            TPage loaded;
            ASSERT_EQ(loaded.LoadFromStream(s), TPage::LoadResult::Loaded);
            TPage rebuilt;
            readPageSource(writePageSource(loaded), rebuilt, name);
            EXPECT_EQ(pageBytes(rebuilt), bytes);
            ++pages;
        }
    }
    EXPECT_GT(pages, 0); // the folders were found
}

// The place of a compile error in an expression given as text (the toolkit's
// expr commands): the same line and column a page line would give.
TEST(PageSource, CompileErrorTextPlacesTheError) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"a +", "line 1, column 3: 構文エラー"},
        {"日本 = (1", "line 1, column 6: 構文エラー"},
        {"s = \"\\x{8740}\" ++ (x", "line 1, column 19: 構文エラー"},
        {"a = 1 +\n  b)", "line 2, column 4: 構文エラー"},
        {"x = Foo(1)", "line 1, column 5: \"Foo\" 関数名がありません"},
    };
    for (const auto& c : cases) {
        try {
            compileExpression(*utf8EscapedToSjis(c.text));
            ADD_FAILURE() << c.text;
        } catch (const ENuvoError& e) {
            EXPECT_EQ(compileErrorText(c.text, e), c.message) << c.text;
        }
    }
    // An error without a place is its message alone.
    EXPECT_EQ(compileErrorText("x", ENuvoError(sj("データが壊れています"))), "データが壊れています");
}
