// Titles run end to end by the interpreter, frame by frame at 16 ms: the
// variable dump, the trace and the call manager's own state after given
// frames. Events come from a stand-in queue, raised between frames as a
// registry would raise them.
#include "base/Stream.h"
#include "engine/CallMan.h"
#include "engine/InterpreterDoubles.h"
#include "engine/Page.h"
#include "engine/TitleRunner.h"
#include "engine/TraceSink.h"
#include "script/ParamCollection.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nuvo;

namespace {

const std::filesystem::path kBuilt = NUVO_TITLES_DIR;

struct TitleRun {
    TTitleRunner runner;
    test::FakeEvents events;
    std::vector<std::string> trace;

    explicit TitleRun(const std::string& title, const std::string& startPage = {}) : runner((kBuilt / title).string()) {
        runner.SetEvents(&events);
        runner.SetTrace(std::make_unique<TTraceSink>(TraceLevel::Commands,
                                                     [this](std::string_view line) { trace.emplace_back(line); }));
        test::wireCallVariables(runner.Vars(), [this] { return &runner.CallMan(); });
        EXPECT_TRUE(runner.Open()) << runner.Messages();
        if (!startPage.empty()) runner.CallMan().Start(startPage);
    }

    // The variable as text, or "-" when there is none.
    std::string var(const char* name) {
        TParamCollectionItem* v = runner.Vars().Find(name);
        return v ? v->Value()->AsString() : "-";
    }
    // Frames until the variable reads value (at most limit); the frame
    // number it did, counting from 1, or 0.
    int framesUntil(const char* name, const std::string& value, int limit) {
        for (int frame = 1; frame <= limit; ++frame) {
            runner.Frame();
            if (var(name) == value) return frame;
        }
        return 0;
    }
    bool traced(const std::string& line) const { return std::find(trace.begin(), trace.end(), line) != trace.end(); }
};

class FlowTitle : public testing::TestWithParam<const char*> {};

} // namespace

// Branches, loops, jumps, calls and restarts all run in the first frame,
// which ends with Terminate.
TEST_P(FlowTitle, RunsInOneFrameAndEndsWithTerminate) {
    TitleRun t(GetParam());
    EXPECT_EQ(t.runner.RunFrames(5), 1);
    EXPECT_TRUE(t.runner.Context().QuitRequested);

    const std::string dump = t.runner.DumpVariables();
    for (const char* line : {
             // exactly one branch of each If/Elseif/Else chain, then Exit's
             R"("log": {"type": 4, "dims": [], "value": "a,b,c,d,d,ex"})",
             // Break and Continue
             R"("i": {"type": 1, "dims": [], "value": 10})",
             R"("odd": {"type": 1, "dims": [], "value": 25})",
             R"("turns": {"type": 1, "dims": [], "value": 9})",
             // a result variable made on return holds the text of the value,
             // quotes and backslashes included; an existing one converts
             R"("made": {"type": 4, "dims": [], "value": "7/two/2"})",
             R"("quoted": {"type": 4, "dims": [], "value": "say \"hi\" \\ back"})",
             R"("existing": {"type": 1, "dims": [], "value": 42})",
             // PCReset outside a handler goes to the page at once
             R"("restarted": {"type": 3, "dims": [], "value": true})",
         })
        EXPECT_NE(dump.find(line), std::string::npos) << line << "\nin\n" << dump;
    for (const char* gone : {"\"loc\"", "\"skipped\"", "\"never\""})
        EXPECT_EQ(dump.find(gone), std::string::npos) << gone << " in\n" << dump;
    EXPECT_TRUE(t.runner.CallMan().Stack.Empty());

    // Closing runs the exit page for one pass, with the stop flag cleared
    // for it and set again.
    t.runner.Close();
    EXPECT_EQ(t.var("log"), "a,b,c,d,d,ex!");
    EXPECT_TRUE(t.traced("00000010 : bye.nsb(1)"));
    EXPECT_TRUE(t.runner.Context().QuitRequested);
}

INSTANTIATE_TEST_SUITE_P(Title, FlowTitle, testing::Values("flow", "flow-pack"));

// Wait 1000 at 16 ms a frame: the frame it begins in does not count, so it
// is over in frame 64 (63 x 16 >= 1000), and the command after it runs in
// that frame (time 0x400). DoEvent ends the frame; a false condition passes
// at once; a Wait without time stays until a handler moves the script on.
TEST(TimingTitle, WaitCountsFromTheFrameAfterItBegan) {
    TitleRun t("timing");
    EXPECT_EQ(t.framesUntil("done", "1", 100), 64);
    EXPECT_TRUE(t.traced("00000400 : start.nsb(2)"));
    EXPECT_TRUE(t.traced("00000400 : start.nsb(3)"));
    EXPECT_FALSE(t.traced("00000400 : start.nsb(4)"));
    t.runner.Frame();
    EXPECT_EQ(t.var("done"), "3");
    EXPECT_TRUE(t.traced("00000410 : start.nsb(7)"));

    const size_t lines = t.trace.size();
    t.runner.RunFrames(200);
    EXPECT_EQ(t.var("done"), "3");
    EXPECT_EQ(t.trace.size(), lines); // the same command is not traced again

    // The handler moves the interrupted script past its Wait and goes on.
    t.events.Raise("skip.nss", "button");
    t.runner.Frame();
    EXPECT_EQ(t.var("done"), "4");
    EXPECT_EQ(t.var("handled"), "1");
    EXPECT_TRUE(t.traced("000010a0 : <Event>skip.nsb(0)"));
    EXPECT_TRUE(t.runner.CallMan().Stack.Empty());
    EXPECT_TRUE(t.events.records.empty());
}

// A handler whose component is gone is still a handler: its PCReset moves
// the script it interrupted, not the handler.
TEST(TimingTitle, PCResetFromAHandlerWhoseComponentIsGone) {
    TitleRun t("timing");
    t.runner.RunFrames(70);
    t.events.Raise("skip.nsb", "button");
    t.events.components["button"]->alive = false;
    t.runner.Frame();
    EXPECT_EQ(t.var("done"), "4");
    EXPECT_EQ(t.var("handled"), "1");
    EXPECT_TRUE(t.runner.CallMan().Stack.Empty());
}

TEST(TimingTitle, PCResetOfAllThreadsEndsTheHandlerAndEmptiesTheQueue) {
    TitleRun t("timing");
    t.runner.RunFrames(70); // at the Wait without time
    t.events.Raise("restart.abc", "button");
    t.events.Raise("note.nsb", "other");
    t.runner.Frame();
    EXPECT_EQ(t.var("done"), "4");
    EXPECT_EQ(t.var("handled"), "-");
    EXPECT_TRUE(t.events.records.empty());
    EXPECT_EQ(t.runner.CallMan().State, 0);
    EXPECT_TRUE(t.runner.CallMan().Stack.Empty());
}

TEST(TimingTitle, HandlersRunFromTheirLabelWithSenderAndArguments) {
    TitleRun t("timing", "events.nsb");
    t.runner.Frame();
    t.events.Raise("click.abc:L2", "btn", {"x"});
    t.runner.Frame();
    EXPECT_EQ(t.var("log"), "[btn:x]");
    EXPECT_TRUE(t.events.records.empty());
    EXPECT_EQ(t.runner.CallMan().State, 0);
    EXPECT_EQ(t.runner.CallMan().Page->Name, "events.nsb");
}

// A handler that waits lets the next event run at the level below it; the
// script it interrupted stays where it was until both are over.
TEST(TimingTitle, AWaitingHandlerIsInterruptedByANestedOne) {
    TitleRun t("timing", "events.nsb");
    t.runner.Frame();
    t.events.Raise("slow.nsb", "a");
    t.runner.Frame();
    EXPECT_EQ(t.var("log"), "<");
    EXPECT_EQ(t.runner.CallMan().State, 2);
    t.events.Raise("quick.nsb", "b");
    t.runner.Frame();
    EXPECT_EQ(t.var("log"), "<q");
    EXPECT_EQ(t.runner.CallMan().Stack.Count(), 1); // back in the slow handler
    EXPECT_EQ(t.events.records.size(), 1u);         // its own record, taken
    // 160 ms from the frame after the Wait began; inside a handler the step
    // in which a Wait ends still ends the frame, so ">" comes one frame later.
    EXPECT_EQ(t.framesUntil("log", "<q>", 20), 10);
    EXPECT_EQ(t.runner.CallMan().State, 0);
    EXPECT_TRUE(t.runner.CallMan().Stack.Empty());
    EXPECT_TRUE(t.events.records.empty());
}

TEST(TimingTitle, AWaitHoldingEventsBackLetsThemRunOnlyWhenItIsOver) {
    TitleRun t("timing", "blocked.nsb");
    t.runner.Frame();
    t.events.Raise("note.nsb", "button");
    t.runner.RunFrames(5);
    EXPECT_EQ(t.var("log"), "B");
    EXPECT_EQ(t.events.Waiting(), 1);
    t.runner.RunFrames(20);
    EXPECT_EQ(t.var("log"), "Bhb");
}

// The interpreter record saved in the middle of a Wait and read into a new
// run of the title: the wait ends in the same frame as without the save.
TEST(TimingTitle, ASaveInTheMiddleOfAWaitKeepsItsRemainingTime) {
    TKvMemoryStream record, variables;
    {
        TitleRun t("timing");
        t.runner.RunFrames(20);
        EXPECT_EQ(t.var("done"), "0");
        t.runner.CallMan().SaveToStream(record);
        t.runner.Vars().SaveGameVariables(variables);
    }
    // The Wait's state closes the record: tag, 1000 - 19 x 16 ms left, the
    // first frame counted, events not held back.
    const std::vector<uint8_t>& b = record.bytes();
    ASSERT_GE(b.size(), 16u);
    EXPECT_EQ(std::string(b.end() - 16, b.end() - 9), "nuvo100");
    EXPECT_EQ(std::vector<uint8_t>(b.end() - 9, b.end()), (std::vector<uint8_t>{0xB8, 2, 0, 0, 0, 0, 0, 0, 0}));

    TitleRun t("timing", "events.nsb");
    variables.setPosition(0);
    t.runner.Vars().LoadGameVariables(variables, 145);
    record.setPosition(0);
    t.runner.CallMan().LoadFromStream(record, 145);
    EXPECT_EQ(t.framesUntil("done", "1", 100), 44);
}

// p0 jumps to p1 ... p10 in one frame: eleven pages, of which the cache keeps
// the ten most recent.
TEST(PagesTitle, ElevenPagesJumpedToInTurnEvictTheFirst) {
    TitleRun t("pages");
    t.runner.Frame();
    EXPECT_EQ(t.var("trail"), "0123456789A");
    const TCallMan& cm = t.runner.CallMan();
    ASSERT_EQ(cm.CachedPageCount(), TCallMan::kPageCacheSize);
    EXPECT_EQ(cm.CachedPage(0).Name, "p10.nsb");
    EXPECT_EQ(cm.CachedPage(9).Name, "p1.nsb");
}

// A call of a number beyond the catalogue does nothing (to a variable target
// too; a temporary receiving it is a new integer); a call with too few or too
// many arguments fails its own evaluation, after what came before it in that
// expression, and the page goes on.
TEST(TolerantTitle, UnknownFunctionsAndOddCountsFailNoMoreThanTheirExpression) {
    TitleRun t("tolerant");
    t.runner.RunFrames(3);
    const std::string dump = t.runner.DumpVariables();
    for (const char* line : {
             R"("x": {"type": 1, "dims": [], "value": 7})",
             R"("y": {"type": 1, "dims": [], "value": 0})",
             R"("log": {"type": 4, "dims": [], "value": "abc"})",
         })
        EXPECT_NE(dump.find(line), std::string::npos) << line << "\nin\n" << dump;
    EXPECT_EQ(dump.find("____"), std::string::npos) << dump;
    // The failed condition reads as false; the page runs to its last command.
    EXPECT_FALSE(t.traced("00000010 : start.nsb(9)")) << testing::PrintToString(t.trace);
    EXPECT_TRUE(t.traced("00000010 : start.nsb(12)")) << testing::PrintToString(t.trace);
}
