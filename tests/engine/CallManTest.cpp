// The call manager on pages held in memory: handler names, pages that cannot
// be loaded, the page cache, restarts, results into elements, the frame
// budget, the trace and the interpreter record.
#include "engine/CallMan.h"

#include "archive/VrFileManager.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "engine/Commands.h"
#include "engine/InterpreterDoubles.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "engine/ProgramContext.h"
#include "engine/TraceSink.h"
#include "script/ParamCollection.h"
#include "script/DBFunctions.h"
#include "script/DBManager.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nuvo;
using nuvo::test::sj;

namespace {

struct Interp {
    TVrFileManager files{nullptr, nullptr};
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext script{vars, functions};
    test::FakeEvents events;
    TProgramContext context;
    std::vector<std::string> trace;
    std::unique_ptr<TTraceSink> sink;
    std::unique_ptr<TCallMan> cm;

    explicit Interp(TraceLevel level = TraceLevel::Commands) {
        files.AddArchive("");
        context.Files = &files;
        context.Vars = &vars;
        context.Script = &script;
        context.Events = &events;
        sink = std::make_unique<TTraceSink>(level, [this](std::string_view line) { trace.emplace_back(line); });
        context.Trace = sink.get();
        cm = std::make_unique<TCallMan>(context);
        test::wireCallVariables(vars, [this] { return cm.get(); });
    }
    ~Interp() { cm.reset(); }

    // A page from its source text (UTF-8 names become Shift-JIS).
    void page(const std::string& name, const std::string& source) {
        TPage p;
        readPageSource("page version=116 result=int\n" + source, p);
        TKvMemoryStream bytes;
        p.SaveToStream(bytes);
        raw(name, std::string(bytes.bytes().begin(), bytes.bytes().end()));
    }
    void raw(const std::string& name, const std::string& bytes) {
        files.Archive(0).AddMemoryEntry(sj(name))->Data->write(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    void frames(int n = 1) {
        for (int i = 0; i < n; ++i) {
            context.FrameDelta = 16;
            context.TimeCounter += 16;
            cm->Run();
        }
    }
    std::string var(const char* name) {
        TParamCollectionItem* v = vars.Find(name);
        return v ? v->Value()->AsString() : "-";
    }
    std::string record() {
        TKvMemoryStream s;
        cm->SaveToStream(s);
        return std::string(s.bytes().begin(), s.bytes().end());
    }
};

} // namespace

TEST(CallMan, HandlerNamesSplitIntoPageAndLabel) {
    const struct {
        const char* handler;
        const char* file;
        const char* label;
    } cases[] = {
        {"menu.abc:SEL", "menu.nsb", "SEL"},
        {"a:b.abc", "a:b.nsb", ""}, // the dot comes first from the end
        {"dir\\m.abc:L", "dir\\m.nsb", "L"},
        {"dir\\x", "dinsb", ""},       // the last three bytes, whatever they are
        {"p.abc:表", "p.nsb", "表"},   // 表 ends in the byte of '\'
        {"ソ.abc:ソ", "ソ.nsb", "ソ"}, // ソ too
        {"ab", "nsb", ""},
    };
    for (const auto& c : cases) {
        std::string file, label;
        SplitHandler(sj(c.handler), file, label);
        EXPECT_EQ(file, sj(c.file)) << c.handler;
        EXPECT_EQ(label, sj(c.label)) << c.handler;
    }
}

// A page that cannot be loaded leaves the script after the command: no
// restart of the current page, no frame left behind; an event for it is
// dropped, one for a page that is not there at all stays waiting.
TEST(CallMan, PagesThatCannotBeLoadedLeaveTheScriptAfterTheCommand) {
    Interp t;
    // Version 116, no masks, one command of an unknown code.
    t.raw("broken.nsb", std::string("\x74\0\0\0\x01\0\0\0\0\x15\0\0\0\x01\0\0\0\x63", 18));
    t.page("start.nsb", "VarNew \"n\" type=int\n"
                        "Calc {n = n + 1}\n"
                        "Jump \"broken.nsb\" cond={TRUE}\n"
                        "Call \"broken.nsb\" cond={TRUE} result=\"r\"\n"
                        "Calc {n = n + 10}\n"
                        "Wait\n");
    t.cm->Start("start.nsb");
    t.frames();
    EXPECT_EQ(t.var("n"), "11");
    EXPECT_EQ(t.var("r"), "-");
    EXPECT_TRUE(t.cm->Stack.Empty());
    EXPECT_EQ(t.cm->PC, 5);

    t.events.Raise("missing.nsb", "b");
    t.events.Raise("broken.nsb", "b");
    t.frames();
    EXPECT_EQ(t.events.Waiting(), 2); // the first, not available, holds the queue
    t.events.records.erase(t.events.records.begin());
    t.frames();
    EXPECT_TRUE(t.events.records.empty());
    EXPECT_EQ(t.cm->State, 0);
    EXPECT_TRUE(t.cm->Stack.Empty());
    EXPECT_EQ(t.cm->PC, 5);
    EXPECT_EQ(t.var("n"), "11");
}

// After the main script has ended, events still run handlers, and the frame
// still ends when they are done.
TEST(CallMan, HandlersRunAfterTheScriptEnded) {
    Interp t;
    t.page("start.nsb", "VarNew \"log\" type=str\n");
    t.page("h.nsb", "Calc {log = log ++ \"h\"}\n");
    t.cm->Start("start.nsb");
    t.frames();
    EXPECT_EQ(t.cm->Page, nullptr);
    t.events.Raise("h.nsb", "b");
    t.events.Raise("h.nsb", "c");
    t.frames();
    EXPECT_EQ(t.var("log"), "hh");
    EXPECT_EQ(t.cm->Running, 0);
    EXPECT_EQ(t.cm->Page, nullptr);
    EXPECT_TRUE(t.events.records.empty());
}

// A handler state with no page and nothing to return to (as a damaged save
// may leave) ends instead of looping.
TEST(CallMan, AHandlerWithNothingToRunIsOver) {
    for (int32_t state : {1, 3}) {
        Interp t;
        t.cm->State = state;
        t.cm->EventLevel = 4;
        t.frames();
        EXPECT_EQ(t.cm->State, 0) << state;
        EXPECT_EQ(t.cm->Running, 0) << state;
    }
}

TEST(CallMan, AScriptThatNeverWaitsStillLetsFramesPass) {
    Interp t;
    t.page("start.nsb", "VarNew \"n\" type=int\n"
                        "While {TRUE} end=4\n"
                        "  Calc {n = n + 1}\n"
                        "  WhileLoop {} start=1\n");
    t.cm->MaxStepsPerRun = 300;
    t.cm->Start("start.nsb");
    t.frames();
    const int afterOne = std::stoi(t.var("n"));
    EXPECT_GT(afterOne, 90);
    EXPECT_LT(afterOne, 110);
    t.frames();
    EXPECT_GT(std::stoi(t.var("n")), afterOne + 90);
}

// A command whose Begin raises every time is tried again once per frame,
// not over and over within one: the frame ends at it, in the main script
// and in a handler, and the events behind it still run.
TEST(CallMan, ABeginThatAlwaysRaisesIsRetriedOncePerFrame) {
    class RaisingBegin final : public TCommand {
    public:
        explicit RaisingBegin(TComList& owner, int& begun) : TCommand(owner), begun_(begun) {}
        uint8_t TypeCode() const override { return TComLabel::kCode; }
        void VisitFields(TFieldVisitor&) override {}
        void Begin(TCallMan&) override {
            ++begun_;
            raiseError("begin");
        }

    private:
        int& begun_;
    };
    Interp t;
    t.page("start.nsb", "VarNew \"n\" type=int\n"
                        "Calc {n = n + 1}\n");
    t.page("h.nsb", "Calc {n = n + 100}\n");
    int begun = 0;
    TPage* start = t.cm->Start("start.nsb");
    start->Commands.Add(std::make_unique<RaisingBegin>(start->Commands, begun));
    TPage* handler = t.cm->GetPage("h.nsb", false);
    handler->Commands.Add(std::make_unique<RaisingBegin>(handler->Commands, begun));

    t.frames(3);
    EXPECT_EQ(begun, 3);
    EXPECT_EQ(t.var("n"), "1");
    EXPECT_EQ(t.cm->PC, 2);
    EXPECT_EQ(t.cm->Started, 0);

    // The handler reaches its own raising command: the frame ends there too.
    t.events.Raise("h.nsb", "b");
    t.frames(2);
    EXPECT_EQ(t.var("n"), "101");
    EXPECT_EQ(begun, 5);
    EXPECT_EQ(t.cm->Page->Name, "h.nsb");
}

TEST(CallMan, TheCurrentPageIsNeverEvictedFromTheCache) {
    Interp t;
    for (int i = 0; i <= 11; ++i)
        t.page("p" + std::to_string(i) + ".nsb", "Wait\n");
    t.cm->Page = t.cm->GetPage("p0.nsb", true);
    for (int i = 1; i <= 9; ++i)
        t.cm->GetPage("p" + std::to_string(i) + ".nsb", true);
    t.cm->GetPage("p10.nsb", true); // p0 is the least recent, but current
    t.cm->GetPage("p11.nsb", true);
    ASSERT_EQ(t.cm->CachedPageCount(), 12);
    EXPECT_EQ(t.cm->CachedPage(11).Name, "p0.nsb");
    // Found again, a page moves to the front; without promote it stays.
    t.cm->GetPage("p5.nsb", false);
    EXPECT_EQ(t.cm->CachedPage(6).Name, "p5.nsb");
    t.cm->GetPage("p5.nsb", true);
    EXPECT_EQ(t.cm->CachedPage(0).Name, "p5.nsb");
}

// PCReset from a page a handler called: the frame the handler interrupted
// takes the new place; the handler and its callee go on.
TEST(CallMan, PCResetInAPageCalledByAHandlerMovesTheInterruptedScript) {
    Interp t;
    t.page("start.nsb", "VarNew \"log\" type=str\n"
                        "Wait\n"
                        "Calc {log = log ++ \"never\"}\n"
                        "Calc {log = log ++ \"R\"}\n");
    t.page("h.nsb", "Call \"c.nsb\" cond={TRUE}\n"
                    "Calc {log = log ++ \"h\"}\n");
    t.page("c.nsb", "PCReset \"start.nsb\" index=3\n"
                    "Calc {log = log ++ \"c\"}\n");
    t.cm->Start("start.nsb");
    t.frames();
    t.events.Raise("h.nsb", "b");
    t.frames();
    EXPECT_EQ(t.var("log"), "chR");
    EXPECT_TRUE(t.cm->Stack.Empty());
}

TEST(CallMan, ResetClearsTheGameAndStartsAgain) {
    Interp t;
    TDBManager tables;
    installDBFunctions(t.functions, tables);
    t.context.Tables = &tables;
    t.page("start.nsb", "VarNew \"keep\" type=int value={7} scope=status\n"
                        "VarNew \"game\" type=int value={1}\n"
                        "Calc {DBCreateTable(\"saved\", TRUE)}\n"
                        "Calc {DBCreateTable(\"scene\", FALSE)}\n"
                        "Call \"sub.nsb\" cond={TRUE}\n");
    t.page("sub.nsb", "Reset \"after.nsb\" index=1\n");
    t.page("after.nsb", "Calc {game = 99}\n"
                        "VarNew \"again\" type=int value={1}\n"
                        "Wait\n");
    t.cm->Start("start.nsb");
    t.frames();
    EXPECT_EQ(t.var("keep"), "7");
    EXPECT_EQ(t.var("game"), "-");
    EXPECT_EQ(t.var("again"), "1");
    EXPECT_EQ(t.events.componentResets, 1);
    EXPECT_TRUE(t.cm->Stack.Empty());
    EXPECT_EQ(t.vars.CurrentDepth, 0);
    // Game tables go, status tables stay, and no table is active.
    EXPECT_EQ(tables.IndexOfTable(sj("scene")), -1);
    EXPECT_EQ(tables.IndexOfTable(sj("saved")), 0);
    EXPECT_EQ(tables.Active(), -1);
}

// A result for an element, or for an existing variable of another type; the
// callee's locals die with its level.
TEST(CallMan, ResultsGoIntoElementsAndExistingVariables) {
    Interp t;
    declareVariable(t.vars, "a[3]:int");
    declareVariable(t.vars, "n:float");
    t.page("start.nsb", "Call \"sub.nsb\" cond={TRUE} result=\"a[1]\"\n"
                        "Call \"sub.nsb\" cond={TRUE} result=\"n\"\n"
                        "Wait\n");
    TPage sub;
    readPageSource("page version=116 result=str\n"
                   "VarNew \"loc\" type=int value={@ParamCount} scope=local\n"
                   "Calc {@Result = \"12\"}\n",
                   sub);
    TKvMemoryStream bytes;
    sub.SaveToStream(bytes);
    t.raw("sub.nsb", std::string(bytes.bytes().begin(), bytes.bytes().end()));
    t.cm->Start("start.nsb");
    t.frames();
    EXPECT_NE(dumpVariablesJson(t.vars).find(R"("a": {"type": 1, "dims": [3], "value": [0, 12, 0]})"),
              std::string::npos)
        << dumpVariablesJson(t.vars);
    EXPECT_EQ(t.vars.Find("n")->Value()->AsFloat(), 12.0L);
    EXPECT_EQ(t.var("loc"), "-");
    EXPECT_EQ(t.var("____callresult"), "-");
}

TEST(CallMan, TraceLinesByLevel) {
    for (TraceLevel level : {TraceLevel::Commands, TraceLevel::Events}) {
        Interp t(level);
        t.page("start.nsb", "Calc {}\nWait @line=42\n");
        t.page("h.nsb", "Label \"x\"\nCalc {} @line=9\n");
        t.cm->Start("start.nsb");
        t.frames(3);
        t.events.Raise("h.abc:x", "b");
        t.frames();
        // A command is traced when the interpreter comes to it, not again
        // while it waits; an event with the line of the handler's first command.
        std::vector<std::string> expected = {"00000010 : start.nsb(0)",    "00000010 : start.nsb(42)",
                                             "00000040 : <Event>h.nsb(0)", "00000040 : h.nsb(0)",
                                             "00000040 : h.nsb(9)",        "00000040 : start.nsb(42)"};
        if (level == TraceLevel::Events) expected = {"00000040 : <Event>h.nsb(0)"};
        EXPECT_EQ(t.trace, expected);
    }
}

// The record of an interpreter with a call pending (its result slot holding
// a value) and a handler running over a half-done Wait reads back into a
// fresh interpreter that writes the same record and goes on the same way.
// Every shorter record is refused and changes nothing.
TEST(CallMan, TheInterpreterRecordReadsBackAndRefusesTruncation) {
    const auto setUp = [](Interp& t) {
        t.page("start.nsb", "VarNew \"log\" type=str\n"
                            "Call \"sub.nsb\" cond={TRUE} result=\"r\" args=[{\"a\"}]\n"
                            "Calc {log = log ++ \"[\" ++ r ++ \"]\"}\n");
        TPage sub;
        readPageSource("page version=116 result=str\n"
                       "Calc {@Result = \"x\"}\n"
                       "Wait time={480}\n"
                       "Calc {log = log ++ @ParamStr[0]}\n",
                       sub);
        TKvMemoryStream bytes;
        sub.SaveToStream(bytes);
        t.raw("sub.nsb", std::string(bytes.bytes().begin(), bytes.bytes().end()));
        t.page("h.nsb", "Calc {log = log ++ \"h\"}\nWait time={320}\nCalc {log = log ++ \"H\"}\n");
    };
    Interp a;
    setUp(a);
    a.cm->Start("start.nsb");
    a.frames(3);
    a.events.Raise("h.nsb", "button");
    a.frames(2);
    ASSERT_EQ(a.cm->State, 2);
    ASSERT_EQ(a.cm->Stack.Count(), 2);
    const std::string saved = a.record();

    Interp b;
    setUp(b);
    b.events.component("button");
    b.cm->Start("start.nsb");
    b.frames();
    const std::string before = b.record();
    for (size_t n = 0; n < saved.size(); ++n) {
        TKvMemoryStream cut(std::vector<uint8_t>(saved.begin(), saved.begin() + static_cast<ptrdiff_t>(n)));
        EXPECT_THROW(b.cm->LoadFromStream(cut, 145), ENuvoError) << n;
        ASSERT_EQ(b.record(), before) << n;
    }
    TKvMemoryStream whole(std::vector<uint8_t>(saved.begin(), saved.end()));
    b.vars.Find("log")->Value()->SetString(a.var("log"));
    b.cm->LoadFromStream(whole, 145);
    EXPECT_EQ(b.record(), saved);
    EXPECT_EQ(b.cm->EventSourceName(), "button");
    EXPECT_EQ(b.vars.CurrentDepth, 2);

    a.frames(60);
    b.frames(60);
    EXPECT_EQ(a.var("log"), "hHa[x]");
    EXPECT_EQ(b.var("log"), a.var("log"));
    EXPECT_EQ(b.var("r"), "x");
}

// A Wait's state in the oldest layout (no tag, no blocked flag) and in the
// tagged one.
TEST(CallMan, WaitStateLayouts) {
    Interp t;
    t.page("w.nsb", "Wait time={100}\n");
    TCommand& wait = *t.cm->GetPage("w.nsb", true)->Commands.At(0);
    auto& w = static_cast<TComWait&>(wait);
    TKvMemoryStream legacy;
    WriteInt(legacy, 300);
    WriteInt(legacy, 1);
    legacy.setPosition(0);
    wait.LoadState(*t.cm, legacy);
    EXPECT_EQ(std::make_tuple(w.Remaining, w.FirstFrame, w.Blocked), std::make_tuple(300, 1, uint8_t{0}));
    EXPECT_EQ(legacy.position(), 8);

    std::unique_ptr<TKvMemoryStream> state;
    w.Blocked = 1;
    wait.SaveState(state);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->size(), 16);
    w.Remaining = w.FirstFrame = w.Blocked = 0;
    state->setPosition(0);
    wait.LoadState(*t.cm, *state);
    EXPECT_EQ(std::make_tuple(w.Remaining, w.FirstFrame, w.Blocked), std::make_tuple(300, 1, uint8_t{1}));
    EXPECT_TRUE(wait.BlocksEvents());
}
