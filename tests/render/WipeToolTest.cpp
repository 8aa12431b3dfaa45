// nuvotool wipe, run as a program: its frames are the transition's own
// frames, its options reach the transition, and it refuses what it cannot do.
#include "WipeTestPictures.h"

#include "render/ImageCodecs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <sys/wait.h>

using namespace nuvo;
using namespace nuvo::wipetest;
using nuvo::test::TempDir;

namespace {

namespace fs = std::filesystem;

int run(const std::string& args, std::string* out = nullptr) {
    const std::string cmd = std::string(NUVOTOOL_PATH) + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p))
        text.append(buf, n);
    const int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path writePicture(const TempDir& dir, const std::string& name, TDIBSurface& picture) {
    TDIBSurface rgb(picture.Width(), picture.Height(), 24);
    rgb.Assign(picture);
    const std::vector<uint8_t> png = WritePng(rgb, -1);
    return dir.write(name, std::string(png.begin(), png.end()));
}

bool frameEquals(const fs::path& png, TCustomDIBX& expected) {
    const std::string bytes = test::readFile(png);
    TDIBSurface got;
    int32_t key = -1;
    ReadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), got, key);
    if (got.Width() != expected.Width() || got.Height() != expected.Height()) return false;
    for (int32_t y = 0; y < got.Height(); ++y)
        for (int32_t x = 0; x < got.Width(); ++x)
            if (px(got, x, y) != px(expected, x, y)) return false;
    return true;
}

struct ToolFixture {
    TempDir dir;
    std::string from, to, mask, small;
    ToolFixture() {
        TDIBSurface f(kW, kH, 32), t(kW, kH, 32), s(kW / 2, kH, 32);
        paintFrom(f);
        paintTo(t);
        paintTo(s);
        TDIBSurface m = greyRamp();
        from = writePicture(dir, "from.png", f).string();
        to = writePicture(dir, "to.png", t).string();
        mask = writePicture(dir, "mask.png", m).string();
        small = writePicture(dir, "small.png", s).string();
    }
    std::string out(const std::string& name) const { return (dir.path() / name).string(); }
};

} // namespace

TEST(WipeTool, WritesTheTransitionsFrames) {
    if (!fs::exists(NUVOTOOL_PATH)) GTEST_SKIP() << "nuvotool is not built";
    ToolFixture fx;
    struct Case {
        std::string args;
        int32_t kind;
        TRunOptions options;
    };
    TRunOptions soft;
    soft.p0 = 16, soft.p1 = 8, soft.reverse = true;
    TRunOptions mask;
    mask.mask = "ramp";
    TRunOptions centre;
    centre.p0 = 32, centre.p1 = 24; // the tool zooms into the picture's centre
    TRunOptions seedZero;
    seedZero.seed = 0; // the tool's generator
    seedZero.p0 = 16;
    TRunOptions onlyP1;
    onlyP1.p1 = 40;
    const Case cases[] = {
        {"fade", WP_FADE, {}},
        {"WP_BLINDH --param 16,8 --reverse", WP_BLINDH, soft},
        {"19 --mask " + fx.mask, WP_MASKFADE, mask},
        {"zoomin", WP_ZOOMIN, centre},
        {"crack --param 16", WP_CRACK, seedZero},
        {"grid --param ,40", WP_GRID, onlyP1},
    };
    for (const Case& c : cases) {
        const std::string out = fx.out("frames-" + std::to_string(c.kind));
        std::string text;
        ASSERT_EQ(run("wipe " + c.args + " " + fx.from + " " + fx.to + " " + out + " --step 250", &text),
                  0)
            << text;
        TWipeRun expected(c.kind, c.options);
        for (int32_t t : {0, 250, 500, 750}) {
            expected.step(t);
            char name[32];
            std::snprintf(name, sizeof name, "t-%06d.png", t);
            EXPECT_TRUE(frameEquals(fs::path(out) / name, expected.dest)) << c.args << " at " << t;
        }
        EXPECT_FALSE(fs::exists(fs::path(out) / "t-001000.png")) << c.args;
    }
}

TEST(WipeTool, RefusesWhatItCannotRender) {
    if (!fs::exists(NUVOTOOL_PATH)) GTEST_SKIP() << "nuvotool is not built";
    ToolFixture fx;
    const std::string pair = " " + fx.from + " " + fx.to + " " + fx.out("x");
    struct Case {
        std::string args, message;
        int code; // 1 the work failed, 2 a usage error
    } cases[] = {
        {"fade" + pair + " --duration 0", "--duration takes a whole number from 1", 2},
        {"fade" + pair + " --step -5", "--step takes a whole number from 1", 2},
        {"fade " + fx.from + " " + fx.small + " " + fx.out("x"), "same size", 1},
        {"0" + pair, "unknown transition kind", 2},
        {"WP_SWIRL" + pair, "unknown transition kind", 2},
        {"fade " + fx.from + " " + fx.out("absent.png") + " " + fx.out("x"), "absent.png: no such file", 1},
        {"fade" + pair + " --param a,b", "not a number", 2},
        {"fade " + fx.from, "missing arguments", 2},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(run("wipe " + c.args, &text), c.code) << c.args;
        EXPECT_NE(text.find(c.message), std::string::npos) << c.args << ": " << text;
    }
    EXPECT_FALSE(fs::exists(fx.out("x")));
}
