// The command-line convention both programs share: the parser itself, then
// every nuvotool group and nuvoplayer run as programs through the same rules.
#include "cli/CommandLine.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace nuvo;
using cli::Arity;
using cli::TCommandLine;

const cli::OptionDef kOptions[] = {{"--long"}, {"--format", Arity::Value}, {"--var", Arity::Repeated}};

TEST(CommandLine, ParsesTheConvention) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> positional;
        std::string format; // "" when not given
        std::vector<std::string> vars;
        bool isLong, help, version;
    };
    const Case cases[] = {
        {{"a", "--format=101", "b"}, {"a", "b"}, "101", {}, false, false, false},
        {{"--format", "0", "a"}, {"a"}, "0", {}, false, false, false},
        {{"--format", "--long"}, {}, "--long", {}, false, false, false}, // a value may look like an option
        {{"--format=1", "--format=2"}, {}, "2", {}, false, false, false},
        {{"--var", "a:int", "--var=b:str=x", "--long"}, {}, "", {"a:int", "b:str=x"}, true, false, false},
        {{"--", "--long", "-x", "--help"}, {"--long", "-x", "--help"}, "", {}, false, false, false},
        {{"-", "x"}, {"-", "x"}, "", {}, false, false, false}, // "-" is standard input
        {{"a", "--bogus", "-h"}, {}, "", {}, false, true, false}, // help wins over a bad option
        {{"--version", "x"}, {}, "", {}, false, false, true},
        {{"x", "--", "--help"}, {"x", "--help"}, "", {}, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const TCommandLine line(c.args, kOptions);
        EXPECT_EQ(line.HelpRequested(), c.help);
        EXPECT_EQ(line.VersionRequested(), c.version);
        if (c.help || c.version) continue;
        EXPECT_EQ(line.Positional(), c.positional);
        EXPECT_EQ(line.Value("--format", ""), c.format);
        EXPECT_EQ(line.Values("--var"), c.vars);
        EXPECT_EQ(line.Has("--long"), c.isLong);
    }
}

TEST(CommandLine, RefusesWhatBreaksTheRules) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"}, {"-v"}, {"--long=yes"}, {"--format"}, {"a", "--x=y"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_THROW(TCommandLine(args, kOptions), cli::EUsageError);
    }
    const std::vector<std::string> numbers = {"--format", "12x"};
    const TCommandLine line(numbers, kOptions);
    EXPECT_THROW(line.Integer("--format", 0, 200, 0), cli::EUsageError);
    EXPECT_EQ(TCommandLine(std::vector<std::string>{"--format=150"}, kOptions).Integer("--format", 0, 200, 7), 150);
    EXPECT_THROW(TCommandLine(std::vector<std::string>{"--format=201"}, kOptions).Integer("--format", 0, 200, 7),
                 cli::EUsageError);
}

size_t lineCount(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

// One command of each group, with arguments naming a file that is not there.
struct GroupCase {
    std::string group;
    std::vector<std::string> command; // a command and its arguments
    bool readsAFile;
};

const std::string kMissing = "/nonexistent-nuvo/file";

const GroupCase kGroups[] = {
    {"arc", {"list", kMissing}, true},
    {"page", {"dump", kMissing}, true},
    {"project", {"dump", kMissing}, true},
    {"title", {"build", kMissing, "/tmp/nuvo-never-written"}, true},
    {"pel", {"info", kMissing}, true},
    {"wipe", {"fade", kMissing, kMissing, "/tmp/nuvo-never-written"}, true},
    {"expr", {"eval", "a = 1"}, false},
    {"compo", {"render", kMissing, "/tmp/nuvo-never-written.png", "BoxNew"}, true},
    {"midi", {"dump", kMissing}, true},
    {"audio", {"mix", "/tmp/nuvo-never-written.wav", kMissing}, true},
    {"text", {"layout", kMissing}, true},
};

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(CommandLine, EveryToolGroupFollowsTheRules) {
    for (const GroupCase& g : kGroups) {
        SCOPED_TRACE(g.group);
        // A bare group (wipe is one command: it lacks its arguments).
        test::ProgramRun r = test::runProgram(NUVOTOOL_PATH, {g.group});
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: nuvotool " + g.group), std::string::npos) << r.err;

        for (const auto& help : {std::vector<std::string>{g.group, "--help"}, concat({g.group}, concat(g.command, {"-h"}))}) {
            r = test::runProgram(NUVOTOOL_PATH, help);
            EXPECT_EQ(r.code, 0) << testing::PrintToString(help);
            EXPECT_EQ(r.out.rfind("usage: nuvotool " + g.group, 0), 0u) << r.out;
            EXPECT_EQ(r.err, "");
        }

        r = test::runProgram(NUVOTOOL_PATH, concat({g.group}, concat(g.command, {"--version"})));
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out.rfind("nuvotool ", 0), 0u);
        EXPECT_EQ(lineCount(r.out), 1u);

        for (const char* bad : {"-v", "--x=y", "--bogus"}) {
            r = test::runProgram(NUVOTOOL_PATH, concat({g.group}, concat(g.command, {bad})));
            EXPECT_EQ(r.code, 2) << bad;
            EXPECT_EQ(r.out, "") << bad;
            EXPECT_EQ(r.err.rfind("nuvotool: ", 0), 0u) << r.err;
            EXPECT_NE(r.err.find("usage:"), std::string::npos) << r.err;
        }

        // A missing argument.
        r = test::runProgram(NUVOTOOL_PATH, {g.group, g.command[0]});
        if (g.group != "expr") { // eval without a text just prints the empty table
            EXPECT_EQ(r.code, 2);
            EXPECT_EQ(r.out, "");
        }

        if (!g.readsAFile) continue;
        r = test::runProgram(NUVOTOOL_PATH, concat({g.group}, g.command));
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(lineCount(r.err), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("nuvotool: " + kMissing + ": ", 0), 0u) << r.err;
        // The path once.
        EXPECT_EQ(r.err.find(kMissing, 11 + kMissing.size()), std::string::npos) << r.err;
    }
}

TEST(CommandLine, ToolWithoutGroupOrWithAnUnknownOne) {
    test::ProgramRun r = test::runProgram(NUVOTOOL_PATH, {});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("groups:"), std::string::npos);
    r = test::runProgram(NUVOTOOL_PATH, {"--help"});
    EXPECT_EQ(r.code, 0);
    for (const GroupCase& g : kGroups) EXPECT_NE(r.out.find("  " + g.group + " "), std::string::npos) << g.group;
    r = test::runProgram(NUVOTOOL_PATH, {"nosuch"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.rfind("nuvotool: unknown group 'nosuch'", 0), 0u);
    r = test::runProgram(NUVOTOOL_PATH, {"arc", "nosuch"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.rfind("nuvotool: arc: unknown command 'nosuch'", 0), 0u);
    r = test::runProgram(NUVOTOOL_PATH, {"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("nuvotool ", 0), 0u);
}

TEST(CommandLine, PlayerFollowsTheRules) {
    test::TempDir dir;
    test::ProgramRun r = test::runProgram(NUVOPLAYER_PATH, {"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("usage: nuvoplayer", 0), 0u);
    r = test::runProgram(NUVOPLAYER_PATH, {"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("nuvoplayer ", 0), 0u);
    EXPECT_EQ(lineCount(r.out), 1u);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--headless", "-v"}, {"--x=y"}, {"--headless=1"}, {"--frames"}, {"--step", "5", "x"}}) {
        r = test::runProgram(NUVOPLAYER_PATH, bad, dir.str());
        EXPECT_EQ(r.code, 2) << testing::PrintToString(bad);
        EXPECT_EQ(r.err.rfind("nuvoplayer: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("usage: nuvoplayer"), std::string::npos);
    }
    // Start-up failures: one line each, exit 1.
    dir.write("empty/readme.txt", "no title here");
    const std::vector<std::vector<std::string>> failures = {
        {"--headless", kMissing},
        {"--headless", dir.str() + "/empty"},
        {"--headless"}, // nothing given, nothing installed beside the program
    };
    for (const auto& args : failures) {
        r = test::runProgram(NUVOPLAYER_PATH, args, dir.str());
        EXPECT_EQ(r.code, 1) << testing::PrintToString(args) << r.err;
        EXPECT_EQ(lineCount(r.err), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("nuvoplayer: ", 0), 0u) << r.err;
    }
}

// Without a display SDL would fall back to a driver that shows nothing; the
// player refuses it unless SDL_VIDEODRIVER asked for it.
TEST(CommandLine, PlayerWithoutADisplaySaysSo) {
    test::TempDir dir;
    dir.write("empty/readme.txt", "no title here");
    const test::ProgramRun r = test::runProgram(
        "/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "SDL_VIDEODRIVER", NUVOPLAYER_PATH, "empty"},
        dir.str());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "nuvoplayer: no display to open a window on; --headless runs without one\n");
}

} // namespace
