// The "@" variables through the expression language, with the registry and a
// stand-in for the window: what reads give, what writes do, and the type
// conversions that differ from ordinary variables.
#include "base/Cp932.h"
#include "components/NuvoBaseList.h"
#include "engine/ProgramContext.h"
#include "script/BuildNuvoParser.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"
#include "shell/SystemVariables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::sj;

class FakeHost final : public ISystemVariableHost {
public:
    TProgramContext context;
    TNuvoBaseList* bases = nullptr;
    platform::LocalTime time{2024, 2, 29, 13, 5, 9, 0, 4};
    bool full = false;
    int32_t mode = 2;
    int32_t cursorX = -1, cursorY = -1;
    bool dither = false;
    std::vector<std::string> fonts = {sj("ＭＳ ゴシック"), "Arial"};

    TProgramContext& Context() override { return context; }
    TNuvoBaseList* Bases() override { return bases; }
    TScreenManager* Screen() override { return nullptr; }
    platform::LocalTime FrameLocalTime() override { return time; }
    uint32_t SystemTickMs() override { return 123456; }
    std::vector<std::string> FontNames(bool fixedOnly) override {
        return fixedOnly ? std::vector<std::string>{fonts[0]} : fonts;
    }
    bool IsFullScreen() override { return full; }
    void SetFullScreen(bool f) override { full = f; }
    int32_t DisplayModeIndex() override { return mode; }
    void SelectDisplayMode(int32_t index) override { mode = index; }
    void SetCursorX(int32_t x) override { cursorX = x; }
    void SetCursorY(int32_t y) override { cursorY = y; }
    bool CGDither() override { return dither; }
    void SetCGDither(bool d) override { dither = d; }
};

class SystemVariables : public ::testing::Test {
protected:
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext ctx{vars, functions};
    TNuvoBaseList bases;
    FakeHost host;

    SystemVariables() {
        host.bases = &bases;
        host.context.Vars = &vars;
        InstallSystemVariables(vars, host);
        bases.SetSize(64, 48);
    }

    // The value of an expression as text, "<none>" when it gives none.
    std::string eval(std::string_view utf8) {
        auto parser = compileExpression(sj(utf8));
        parser->Execute(ctx);
        return parser->Result() ? sjisToUtf8(parser->Result()->AsString()) : "<none>";
    }
    uint8_t type(std::string_view utf8) {
        auto parser = compileExpression(sj(utf8));
        parser->Execute(ctx);
        return parser->Result() ? parser->Result()->ParamType() : 0xFF;
    }
    TParamSystem& sys(int i) { return *vars.SystemVariable(i); }
};

TEST_F(SystemVariables, ReadsShowThePlayersState) {
    bases.MouseMove(12, 34);
    bases.MouseDown(true, false);
    bases.ProcessInput();
    // (On a bare base the registry hands the click to the base itself.)
    bases.ActiveBase()->LClick = true;
    bases.SetKey(13, true);
    host.context.TimeCounter = 5000;
    host.context.FrameCount = 77;
    vars.TextDelay = 40;
    vars.SelStr = sj("はい");
    const struct {
        const char* expr;
        const char* value;
        uint8_t type;
    } cases[] = {
        {"@LClick", "TRUE", PT_BOOL},
        {"@RClick", "FALSE", PT_BOOL},
        {"@LPush", "TRUE", PT_BOOL},
        {"@MouseX * 1", "12", PT_INT},
        {"@MouseY", "34", PT_INT},
        {"@TextDelay", "40", PT_INT},
        {"@HistoryCount", "0", PT_INT},
        {"@ParamCount", "0", PT_INT},
        {"@Sender", "", PT_STR},
        {"@TickCount", "5000", PT_INT},
        {"@PCTickCount", "123456", PT_INT},
        {"@UpdateCount", "77", PT_INT},
        {"@Year", "2024", PT_INT},
        {"@Month", "2", PT_INT},
        {"@Day", "29", PT_INT},
        {"@Week", "5", PT_INT}, // Thursday
        {"@Hour", "13", PT_INT},
        {"@Min", "5", PT_INT},
        {"@Sec", "9", PT_INT},
        {"@Fonts", "ＭＳ ゴシック\r\nArial", PT_STR},
        {"@FixedFonts", "ＭＳ ゴシック", PT_STR},
        {"@FullScr", "FALSE", PT_BOOL},
        {"@SelStr", "はい", PT_STR},
        {"@Pi + 0", "3.14159265358979", PT_FLOAT},
        {"@1Hour * 24", "1", PT_FLOAT},
        {"@1Sec * 86400", "1", PT_FLOAT},
        {"@KeyPush[13]", "TRUE", PT_BOOL},
        {"@KeyPush[14]", "FALSE", PT_BOOL},
        {"@KeyPush", "FALSE", PT_BOOL},
        {"@DisplayModeCount", "0", PT_INT},
        {"@DisplayModeIndex", "2", PT_INT},
        {"@SoundON", "TRUE", PT_BOOL},
        {"@ActiveCompo", "", PT_STR},
        {"@MidiPort", "", PT_STR},
        {"@MidiPorts", "", PT_STR},
        {"@IsDebug", "FALSE", PT_BOOL},
        {"@StackCount", "0", PT_INT},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(eval(c.expr), c.value) << c.expr;
        EXPECT_EQ(type(c.expr), c.type) << c.expr;
    }
    // The arrays: 256 keys and the two wheel flags; the wheel flags are the
    // active base's.
    EXPECT_EQ(sys(35).Count(), 258);
    EXPECT_EQ(sys(35).DimSize(0), 258);
    EXPECT_FALSE(sys(35).GetBoolAt(258)) << "beyond the array reads FALSE";
    EXPECT_FALSE(sys(35).GetBoolAt(-1));
    bases.MouseWheel(true);
    bases.ProcessInput();
    EXPECT_TRUE(sys(35).GetBoolAt(257));
    EXPECT_FALSE(sys(35).GetBoolAt(256));
    EXPECT_EQ(eval("@WheelUp"), "TRUE");
    EXPECT_EQ(eval("@KeyRepeat[257]"), "TRUE");
    EXPECT_EQ(sys(46).Count(), 0) << "no MIDI ports";
    EXPECT_EQ(sys(10).Count(), 0) << "no arguments without a call";
    // Without a call @Result has no type and reads the defaults.
    EXPECT_EQ(sys(0).ParamType(), PT_NONE);
    EXPECT_EQ(sys(0).AsInteger(), 0);
    EXPECT_EQ(sys(0).AsString(), "");
    EXPECT_EQ(sys(0).Count(), 1);
    sys(0).SetInteger(5);
    EXPECT_EQ(sys(0).AsInteger(), 0) << "writing @Result without a call does nothing";
}

TEST_F(SystemVariables, WritesActOrAreIgnored) {
    EXPECT_EQ(eval("@Week = 3"), "<none>");
    EXPECT_EQ(eval("@Week"), "5") << "read-only: nothing changes, nothing is raised";
    eval("@TextDelay = 90");
    EXPECT_EQ(vars.TextDelay, 90);
    eval("@Cursor = \"hand.cur\"");
    EXPECT_EQ(vars.CursorName, "hand.cur");
    eval("@SelIndex = \"7\"");
    EXPECT_EQ(vars.SelIndex, 7);
    eval("@SelIndex = \"x\"");
    EXPECT_EQ(vars.SelIndex, 7) << "a text that is no integer is ignored";
    eval("@MouseX = 40");
    EXPECT_EQ(host.cursorX, 40);
    eval("@MouseY = 41.9");
    EXPECT_EQ(host.cursorY, 41) << "a real is cut toward zero";
    eval("@FullScr = TRUE");
    EXPECT_TRUE(host.full);
    eval("@DisplayModeIndex = 0");
    EXPECT_EQ(host.mode, 0);
    eval("@CGDither = 1");
    EXPECT_TRUE(host.dither);
    eval("@SoundON = FALSE");
    EXPECT_FALSE(bases.SoundEnabled());
    eval("@HistoryMaxCount = 250");
    EXPECT_EQ(eval("@HistoryMaxCount"), "250");
    // A string into a flag is TRUE only for a non-zero integer text.
    const struct {
        const char* value;
        bool stored;
    } flags[] = {{"\"TRUE\"", false}, {"\"1\"", true}, {"\"0\"", false}, {"\"-3\"", true}, {"\"\"", false}};
    for (const auto& f : flags) {
        eval(std::string("@LClick = ") + f.value);
        EXPECT_EQ(bases.ActiveBase()->LClick, f.stored) << f.value;
    }
    bases.ActiveBase()->LClick = false;
    eval("@LClick = 5");
    EXPECT_TRUE(bases.ActiveBase()->LClick) << "a non-zero integer is TRUE";
}

TEST_F(SystemVariables, ConversionsOfOtherTypes) {
    vars.SelStr = "1.5";
    EXPECT_EQ(sys(28).AsInteger(), 0) << "a string is read as a decimal integer";
    EXPECT_EQ(sys(28).AsFloat(), 0.0L) << "a real from a string is read as an integer too";
    EXPECT_TRUE(sys(28).AsBool()) << "any non-empty string is TRUE";
    vars.SelStr = "42";
    EXPECT_EQ(sys(28).AsInteger(), 42);
    EXPECT_EQ(sys(28).AsFloat(), 42.0L);
    vars.SelStr = "";
    EXPECT_FALSE(sys(28).AsBool());
    EXPECT_EQ(sys(30).AsInteger(), 3) << "@Pi as an integer is cut toward zero";
    EXPECT_EQ(sys(3).AsString(), "FALSE");
    EXPECT_EQ(sys(3).AsInteger(), 0);
    sys(28).SetBool(true);
    EXPECT_EQ(vars.SelStr, "TRUE") << "a flag written into a string";
    sys(29).SetString("12");
    EXPECT_EQ(vars.SelIndex, 12);
    sys(29).SetBool(true);
    EXPECT_EQ(vars.SelIndex, 1);
    sys(29).SetStrAt(5, "9");
    EXPECT_EQ(vars.SelIndex, 9) << "a scalar variable ignores the index";
    EXPECT_EQ(sys(29).GetIntAt(3), 9);
    EXPECT_EQ(sys(29).Count(), 1);
    EXPECT_EQ(sys(29).DimCount(), 1);
}

TEST_F(SystemVariables, TempForwardsToTheNamedVariable) {
    EXPECT_EQ(sys(44).Count(), 1) << "without a variable @Temp counts 1";
    EXPECT_EQ(sys(44).AsInteger(), 0);
    sys(44).SetInteger(4);
    EXPECT_EQ(sys(44).AsInteger(), 0);
    declareVariable(vars, "x[5]:int");
    eval("x[2] = 11");
    EXPECT_EQ(eval("AssignTemp(\"x\")"), "TRUE");
    EXPECT_EQ(eval("@Temp[2]"), "11");
    EXPECT_EQ(sys(44).Count(), 5);
    EXPECT_EQ(sys(44).ParamType(), PT_INT);
    eval("@Temp[4] = 6");
    EXPECT_EQ(eval("x[4]"), "6");
    vars.Delete(vars.Find("x"));
    EXPECT_EQ(sys(44).AsInteger(), 0) << "after x is deleted @Temp reads the default";
    EXPECT_EQ(sys(44).ParamType(), PT_NONE);
    vars.TempAlias = "@Temp";
    EXPECT_EQ(sys(44).Count(), 1) << "naming itself forwards nowhere";
}

TEST_F(SystemVariables, FocusGoesOnlyToControlsThatTakeIt) {
    TNuvoControl* c = bases.Create<TNuvoControl>();
    c->SetName("field");
    c->SetParent(bases.ActiveBase());
    eval("@ActiveCompo = \"field\"");
    EXPECT_EQ(eval("@ActiveCompo"), "") << "a control without HandleKey does not take the focus";
    c->SetHandleKey(true);
    eval("@ActiveCompo = \"field\"");
    EXPECT_EQ(eval("@ActiveCompo"), "field");
    eval("@ActiveCompo = \"nothing\"");
    EXPECT_EQ(eval("@ActiveCompo"), "field");
}

TEST_F(SystemVariables, NoneAreDumpedOrSaved) {
    const std::string json = dumpVariablesJson(vars);
    EXPECT_EQ(json.find('@'), std::string::npos) << json;
}

} // namespace
} // namespace nuvo
