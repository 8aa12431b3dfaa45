// nuvotool expr, run as a program: listings, compile errors and the JSON dump.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <sys/wait.h>

namespace {

int run(const std::string& args, std::string* out, bool withErrors = false) {
    const std::string cmd = std::string(NUVOTOOL_PATH) + " " + args + (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
    const int status = pclose(p);
    *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ExprTool, CompileListsOperationsOrReportsTheError) {
    if (!std::filesystem::exists(NUVOTOOL_PATH)) GTEST_SKIP() << "nuvotool is not built";
    std::string out;
    EXPECT_EQ(run("expr compile 'a = (b + 1) * 2'", &out), 0);
    EXPECT_EQ(out, "ocPlus ____1 := b, 1\nocMul ____2 := ____1, 2\nocTo a := ____2\n");
    EXPECT_EQ(run("expr compile 'a[1][2]'", &out, true), 1);
    EXPECT_EQ(out, "nuvotool: \"a[1][2]\": line 1, column 5: 構文エラー\n");
    EXPECT_EQ(run("expr compile 'Copy(s)'", &out, true), 1);
    EXPECT_EQ(out, "nuvotool: \"Copy(s)\": line 1, column 1: Copy 引数の数が不正です\n");
}

TEST(ExprTool, EvalDumpsTheTable) {
    if (!std::filesystem::exists(NUVOTOOL_PATH)) GTEST_SKIP() << "nuvotool is not built";
    std::string out;
    EXPECT_EQ(run("expr eval --var 'a[2,2]:int=1' --var 's:str=カナ' --var 'f:2' --var 'b:flag' "
                  "'a[1, 0] = 5' 's = s ++ Chr(130)' 'f = 1.0 / 4' 'b = f < 1'",
                  &out),
              0);
    EXPECT_EQ(out, "{\n"
                   "  \"a\": {\"type\": 1, \"dims\": [2, 2], \"value\": [1, 1, 5, 1]},\n"
                   "  \"s\": {\"type\": 4, \"dims\": [], \"value\": \"カナ\\\\x{82}\"},\n"
                   "  \"f\": {\"type\": 2, \"dims\": [], \"value\": 0.25},\n"
                   "  \"b\": {\"type\": 3, \"dims\": [], \"value\": true}\n"
                   "}\n");
    // A text that does not compile fails the whole command: nothing is run
    // and nothing reaches standard output.
    EXPECT_EQ(run("expr eval --var 'a:int' 'a = 1' 'x = = 1'", &out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(run("expr eval", &out), 0);
    EXPECT_EQ(out, "{}\n");
}

// After "--" every argument is a text, even one that reads like an option.
TEST(ExprTool, DoubleDashEndsTheOptions) {
    if (!std::filesystem::exists(NUVOTOOL_PATH)) GTEST_SKIP() << "nuvotool is not built";
    std::string out;
    EXPECT_EQ(run("expr eval --var 'x:int' --var 'y:int' -- '-Calc(\"x = 7\")' --help --var 'y = 2'", &out), 0);
    EXPECT_EQ(out, "{\n"
                   "  \"x\": {\"type\": 1, \"dims\": [], \"value\": 7},\n"
                   "  \"y\": {\"type\": 1, \"dims\": [], \"value\": 2}\n"
                   "}\n");
    EXPECT_EQ(run("expr compile -- '-a'", &out), 0);
    EXPECT_EQ(out, "ocMinus ____0 := 0, a\nocTo ____arg := ____0\n");
    EXPECT_EQ(run("expr compile -- -h", &out), 0);
    EXPECT_EQ(out, "ocMinus ____0 := 0, h\nocTo ____arg := ____0\n");
}

} // namespace
