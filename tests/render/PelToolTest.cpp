// nuvotool pel, run as a program: PNG -> pel -> PNG, info, and its refusals.
#include "render/ImageCodecs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <sys/wait.h>

using namespace nuvo;
using nuvo::test::TempDir;

namespace {

int run(const std::string& args, std::string* out = nullptr) {
    const std::string cmd = std::string(NUVOTOOL_PATH) + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) text.append(buf, n);
    const int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(PelTool, ConvertsAndDescribes) {
    if (!std::filesystem::exists(NUVOTOOL_PATH)) GTEST_SKIP() << "nuvotool is not built";
    TempDir dir;
    TDIBSurface pic(5, 3, 24);
    for (int32_t i = 0; i < 15; ++i) pic.SetPixel(i % 5, i / 5, i * 0x0F0B07);
    pic.CreateMask();
    for (int32_t i = 0; i < 15; ++i) pic.Mask->SetPixel(i % 5, i / 5, i * 17);
    const std::vector<uint8_t> png = WritePng(pic, -1);
    const auto in = dir.write("in.png", std::string(png.begin(), png.end()));
    const std::string pel = (dir.path() / "a.pel").string(), back = (dir.path() / "b.png").string();
    const std::string keyed = (dir.path() / "k.pel").string();

    ASSERT_EQ(run("pel frompng " + in.string() + " " + pel), 0);
    ASSERT_EQ(run("pel topng " + pel + " " + back), 0);
    EXPECT_EQ(nuvo::test::readFile(back), std::string(png.begin(), png.end()));

    ASSERT_EQ(run("pel frompng " + in.string() + " " + keyed + " --key 0x1234"), 0);
    std::string info;
    ASSERT_EQ(run("pel info " + keyed + " --key 0x1234", &info), 0);
    EXPECT_NE(info.find("scrambled 1"), std::string::npos) << info;
    EXPECT_NE(info.find("compression 1 (none)"), std::string::npos) << info;
    EXPECT_NE(info.find("frame 0 \"\" 5x3 24-bit duration 100 key -1 mask yes layers 1"), std::string::npos) << info;

    std::string err;
    EXPECT_EQ(run("pel frompng " + in.string() + " " + keyed + " --key 1 --lossy 80", &err), 2);
    EXPECT_NE(err.find("exclude"), std::string::npos);
    EXPECT_EQ(run("pel topng " + pel + " " + back + " --frame 1"), 1);
    const auto junk = dir.write("junk.pel", "Pelk106\x28");
    EXPECT_EQ(run("pel info " + junk.string()), 1);
}
