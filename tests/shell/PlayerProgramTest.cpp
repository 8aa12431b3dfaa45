// The real nuvoplayer program run headless on the test titles: screenshots,
// the variable and component dumps and the trace it writes, runs that repeat
// exactly, and the exit code and message of every way a run can end.
#include "platform/System.h"
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "shell/ShellTestSupport.h"
#include "shell/Startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace nuvo {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int code = -1;
    std::string err;
};

// Runs the player with the arguments (each quoted) from dir; its standard
// error is kept.
Outcome player(const test::TempDir& dir, const std::vector<std::string>& args) {
    std::string command = "cd \"" + dir.str() + "\" && \"" NUVOPLAYER_PATH "\"";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " 2> stderr.txt > /dev/null";
    const int status = std::system(command.c_str());
    Outcome r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = test::readFile(dir.path() / "stderr.txt");
    return r;
}

// The colour (0x00BBGGRR) at a pixel of a screenshot.
int32_t shotColour(const fs::path& png, int32_t x, int32_t y) {
    const std::string bytes = test::readFile(png);
    TDIBSurface picture;
    int32_t transparent = -1;
    ReadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), picture, transparent);
    return picture.ColorOfPixel(static_cast<uint32_t>(picture.GetPixel(x, y)));
}

constexpr int32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;

TEST(PlayerProgram, HeadlessRunWritesShotsDumpAndTrace) {
    const std::string title = test::builtTitle("player");
    test::TempDir dir;
    dir.write("input.txt", "# a click, the Return key, a wheel notch, a click on the box\n"
                           "3 click 10 10\n"
                           "6 key Return\n"
                           "8 wheel up\n"
                           "12 click 110 80\n");
    const Outcome r = player(dir, {"--headless", "--frames", "20", "--input", "input.txt", "--shots", "shots", "--shot-at",
                               "2,5,10,15", "--dump-vars", "vars.json", "--trace", "trace.txt", "--date",
                               "2026-12-10T07:30:05", "--save-dir", "saves", title});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The screen's colour shows what the script saw: red at first, green
    // after the click, blue after the key.
    EXPECT_EQ(shotColour(dir.path() / "shots/frame-000002.png", 0, 0), kRed);
    EXPECT_EQ(shotColour(dir.path() / "shots/frame-000005.png", 159, 119), kGreen);
    EXPECT_EQ(shotColour(dir.path() / "shots/frame-000010.png", 80, 60), kBlue);
    EXPECT_FALSE(fs::exists(dir.path() / "shots/frame-000003.png"));
    // The half-transparent white box over the green screen.
    EXPECT_EQ(shotColour(dir.path() / "shots/frame-000015.png", 120, 85), 0x7FFE7F);
    EXPECT_EQ(shotColour(dir.path() / "shots/frame-000015.png", 99, 85), kGreen);
    const std::string vars = test::readFile(dir.path() / "vars.json");
    for (const char* expected : {"\"clicks\": {\"type\": 1, \"dims\": [], \"value\": 2}",
                                 "\"boxclicks\": {\"type\": 1, \"dims\": [], \"value\": 1}",
                                 "\"boxarg\": {\"type\": 4, \"dims\": [], \"value\": \"10,10 box\"}",
                                 "\"keyhits\": {\"type\": 1, \"dims\": [], \"value\": 1}",
                                 "\"wheels\": {\"type\": 1, \"dims\": [], \"value\": 1}",
                                 "\"updates\": {\"type\": 1, \"dims\": [], \"value\": 19}",
                                 "\"when\": {\"type\": 4, \"dims\": [], \"value\": \"2026-12-10 7:30:5\"}",
                                 "\"week\": {\"type\": 1, \"dims\": [], \"value\": 5}",
                                 "\"twice\": {\"type\": 1, \"dims\": [], \"value\": 42}",
                                 "\"argc\": {\"type\": 1, \"dims\": [], \"value\": 2}",
                                 "\"depth\": {\"type\": 1, \"dims\": [], \"value\": 1}",
                                 "\"farewell\": {\"type\": 1, \"dims\": [], \"value\": 20}"})
        EXPECT_NE(vars.find(expected), std::string::npos) << expected << "\n" << vars;
    const std::string trace = test::readFile(dir.path() / "trace.txt");
    EXPECT_EQ(trace.rfind("00000000 : start.nsb(0)\n", 0), 0u) << trace.substr(0, 200);
    EXPECT_NE(trace.find(" : bye.nsb(0)\n"), std::string::npos) << "the exit page runs at the end";
    EXPECT_TRUE(fs::is_directory(dir.path() / "saves"));
    EXPECT_FALSE(fs::exists(fs::path(title) / "save.dat")) << "nothing is written into the title";
}

// The interpreter's titles through the program itself: the flow commands
// end in Terminate (exit code 0, the exit page's mark in the dump), and a
// Wait of 1000 ms begun in frame 0 (at time 0) ends in frame 63, the 64th,
// as in the engine's own runs of the title.
TEST(PlayerProgram, InterpreterTitlesRunHeadless) {
    test::TempDir dir;
    const Outcome flow = player(dir, {"--headless", "--frames", "50", "--dump-vars", "flow.json", "--save-dir", "saves",
                                      test::builtTitle("flow")});
    ASSERT_EQ(flow.code, 0) << flow.err;
    const std::string vars = test::readFile(dir.path() / "flow.json");
    for (const char* expected : {R"("log": {"type": 4, "dims": [], "value": "a,b,c,d,d,ex!"})",
                                 R"("quoted": {"type": 4, "dims": [], "value": "say \"hi\" \\ back"})"})
        EXPECT_NE(vars.find(expected), std::string::npos) << expected << "\n" << vars;

    const Outcome timing = player(dir, {"--headless", "--frames", "70", "--trace", "timing.txt", "--save-dir", "saves",
                                        test::builtTitle("timing")});
    ASSERT_EQ(timing.code, 0) << timing.err;
    const std::string trace = test::readFile(dir.path() / "timing.txt");
    EXPECT_NE(trace.find("\n000003f0 : start.nsb(2)\n000003f0 : start.nsb(3)\n"), std::string::npos) << trace;
}

TEST(PlayerProgram, RunsRepeatExactly) {
    const std::string title = test::builtTitle("player");
    std::string dumps[2], shots[2];
    for (int i = 0; i < 2; ++i) {
        test::TempDir dir;
        dir.write("input.txt", "2 click 1 1\n4 key Return\n");
        const Outcome r = player(dir, {"--headless", "--frames", "8", "--input", "input.txt", "--shots", "shots",
                                   "--dump-vars", "vars.json", "--save-dir", "saves", title});
        ASSERT_EQ(r.code, 0) << r.err;
        dumps[i] = test::readFile(dir.path() / "vars.json");
        int count = 0;
        for (int f = 0; f < 8; ++f) {
            char name[32];
            std::snprintf(name, sizeof name, "shots/frame-%06d.png", f);
            if (!fs::exists(dir.path() / name)) continue;
            shots[i] += test::readFile(dir.path() / name);
            ++count;
        }
        EXPECT_EQ(count, 8) << "--shots alone takes every frame";
    }
    EXPECT_EQ(dumps[0], dumps[1]);
    EXPECT_TRUE(shots[0] == shots[1]);
    EXPECT_NE(dumps[0].find("\"firstrandom\""), std::string::npos);
}

TEST(PlayerProgram, EveryWayARunEnds) {
    const std::string title = test::builtTitle("player");
    const struct {
        const char* name;
        const char* input;
        std::vector<std::string> args;
        int code;
        const char* message;
    } cases[] = {
        {"frames done", "", {"--headless", "--frames", "3"}, 0, ""},
        {"the title terminates", "2 key Escape\n", {"--headless", "--frames", "100"}, 0, ""},
        {"quit from the script", "2 quit\n", {"--headless"}, 0, ""},
        {"quit box answered yes", "2 toolbar quit\n2 answer yes\n", {"--headless"}, 0, ""},
        {"quit box without an answer", "2 toolbar quit\n", {"--headless", "--frames", "10"}, 3, "has no answer"},
        {"a bad input script", "2 jump\n", {"--headless", "--frames", "10"}, 2, "unknown action"},
        {"an unknown option", "", {"--headless", "--fast"}, 2, "unknown option --fast"},
        {"a headless option without --headless", "", {"--shots", "x"}, 2, "--shots needs --headless"},
        {"a bad date", "", {"--headless", "--date", "2026-02-30T00:00:00"}, 2, "--date takes"},
        // The dumps come when the window is torn down: one that cannot be
        // written fails the run, it does not crash it.
        {"a variable dump not written", "", {"--headless", "--frames", "3", "--dump-vars", "no/such/vars.json"}, 1,
         "no/such/vars.json"},
        {"a tree dump not written", "", {"--headless", "--frames", "3", "--dump-tree", "no/such/tree.json"}, 1,
         "no/such/tree.json"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        dir.write("input.txt", c.input);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--input", "input.txt", "--save-dir", "saves", title});
        const Outcome r = player(dir, args);
        EXPECT_EQ(r.code, c.code) << c.name << ": " << r.err;
        if (*c.message) EXPECT_NE(r.err.find(c.message), std::string::npos) << c.name << ": " << r.err;
        else EXPECT_EQ(r.err, "") << c.name;
    }
    test::TempDir dir;
    const Outcome missing = player(dir, {"--headless", "--frames", "3", (dir.path() / "nothing").string()});
    EXPECT_EQ(missing.code, 1) << "a folder that is not there";
    EXPECT_EQ(missing.err, "nuvoplayer: " + (dir.path() / "nothing").string() + ": no such folder\n");
    dir.write("empty/readme.txt", "");
    const Outcome empty = player(dir, {"--headless", "--frames", "3", (dir.path() / "empty").string()});
    EXPECT_EQ(empty.code, 1) << "a folder without a title";
    EXPECT_EQ(empty.err, "nuvoplayer: no project file nuvo.npb in the title's data; nothing to run\n");
}

// The components as the title leaves them: parked in cabinets or taken out
// across Flips, a cabinet left empty gone, the outgoing screen freed, a
// property motion; a creating kind the player cannot make yet is said once.
TEST(PlayerProgram, DumpTreeListsTheComponentsWhenTheTitleEnds) {
    test::TempDir dir;
    const Outcome r = player(dir, {"--headless", "--frames", "100", "--dump-tree", "tree.json", "--dump-vars",
                                   "vars.json", "--save-dir", "saves", test::builtTitle("cabinets")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "nuvoplayer: MesNew is not supported yet\n");
    EXPECT_EQ(test::readFile(dir.path() / "tree.json"),
              test::readFile(NUVO_SOURCE_DIR "/tests/shell/expected/cabinets-tree.json"));
    const std::string vars = test::readFile(dir.path() / "vars.json");
    for (const char* expected : {R"("flips": {"type": 1, "dims": [], "value": 2})",
                                 R"("done": {"type": 1, "dims": [], "value": 1})"})
        EXPECT_NE(vars.find(expected), std::string::npos) << expected << "\n" << vars;
}

TEST(PlayerProgram, HeadlessRunBesideAnotherPlayer) {
    const std::string title = test::builtTitle("player");
    auto system = platform::createLinuxSystem();
    // Another player holds the title's data folder.
    auto held = system->TryLock(InstanceGuardName({title}, system->ExecutableFolder()));
    ASSERT_NE(held, nullptr);
    test::TempDir dir;
    const Outcome shared = player(dir, {"--headless", "--frames", "2", title});
    EXPECT_EQ(shared.code, 1) << "sharing the save file is refused, not skipped in silence";
    EXPECT_NE(shared.err.find("another player runs on this data folder"), std::string::npos) << shared.err;
    const Outcome apart = player(dir, {"--headless", "--frames", "2", "--save-dir", "saves", title});
    EXPECT_EQ(apart.code, 0) << apart.err;
}

// Everything the audio device played, one frame per 1/44100 s of virtual
// time (silence here: the title plays nothing), and the MIDI messages sent
// (none); both only headless, and a file that cannot be written fails the run.
TEST(PlayerProgram, HeadlessRunsRecordTheirSound) {
    const std::string title = test::builtTitle("player");
    test::TempDir dir;
    const Outcome r = player(dir, {"--headless", "--frames", "30", "--step", "20", "--audio-wav", "out.wav",
                                   "--midi-log", "midi.txt", "--save-dir", "saves", title});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string wav = test::readFile(dir.path() / "out.wav");
    ASSERT_EQ(wav.size(), 44u + 4u * 26460u) << "600 ms";
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.find_first_not_of('\0', 44), std::string::npos);
    EXPECT_EQ(test::readFile(dir.path() / "midi.txt"), "");

    EXPECT_EQ(player(dir, {"--audio-wav", "x.wav", title}).code, 2);
    EXPECT_EQ(player(dir, {"--midi-log", "x.txt", title}).code, 2);
    const Outcome unwritable =
        player(dir, {"--headless", "--frames", "2", "--audio-wav", "/nonexistent/x.wav", "--save-dir", "saves", title});
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_NE(unwritable.err.find("/nonexistent/x.wav"), std::string::npos) << unwritable.err;
}

TEST(PlayerProgram, TimeoutEndsARunawayTitle) {
    const std::string title = test::builtTitle("spin");
    test::TempDir dir;
    const Outcome r = player(dir, {"--headless", "--frames", "100000", "--timeout", "1", "--save-dir", "saves", title});
    EXPECT_EQ(r.code, 4) << r.err;
    EXPECT_NE(r.err.find("--timeout"), std::string::npos) << r.err;
}

} // namespace
} // namespace nuvo
