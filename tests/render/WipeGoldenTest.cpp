// Every transition kind against reference pictures: frames at half time and
// just before the end (and at the start where the start is not simply the
// outgoing picture), a reverse frame for the kinds whose reverse is not a
// mirror image (mirrors are checked in WipeTest), and frames with
// parameters. References live in tests/golden/wipe/<kind>[-variant]-<t>.png.
//
// NUVO_UPDATE_GOLDEN=1 rewrites the references from the current code (look
// at every one before committing it); a mismatch writes the actual frame to
// the build folder's wipe-actual/ for comparison.
#include "WipeTestPictures.h"

#include "platform/FileSystem.h"
#include "render/ImageCodecs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

using namespace nuvo;
using namespace nuvo::wipetest;

namespace {

namespace fs = std::filesystem;

struct TGoldenCase {
    int32_t kind;
    std::string variant; // "" for the defaults
    TRunOptions options;
    std::vector<int32_t> times;
};

std::vector<TGoldenCase> goldenCases() {
    std::vector<TGoldenCase> cases;
    for (int32_t k = 1; k < kWipeKindCount; ++k) {
        TGoldenCase c{k, "", {}, {500, 999}};
        // Every other kind starts with the outgoing picture (WipeTest checks it).
        if (k == WP_FLASH || k == WP_MOSAIC || k == WP_SMALL || k == WP_BLOCKCOIL || k == WP_BLOCKRANDOM)
            c.times.insert(c.times.begin(), 0);
        if (k == WP_MASKFADE || k == WP_MASKWHITE || k == WP_MASKBLACK) c.options.mask = "ramp";
        cases.push_back(c);
    }
    const auto add = [&](int32_t kind, std::string variant, TRunOptions o, int32_t t = 500) {
        if (kind == WP_MASKFADE) o.mask = "ramp";
        cases.push_back({kind, std::move(variant), o, {t}});
    };
    TRunOptions rev;
    rev.reverse = true;
    for (int32_t k : {WP_SPOT, WP_MASKFADE, WP_CLOCKHAND, WP_CIRCLE})
        add(k, "r", rev);
    // The default cells (80) are larger than the 64 x 48 screen.
    rev.p0 = 16, rev.p1 = 8;
    for (int32_t k : {WP_GRID, WP_GRIDH, WP_GRIDV})
        add(k, "p16-8-r", rev);
    rev.reverse = false;
    for (int32_t k : {WP_GRIDH, WP_GRIDV})
        add(k, "p16-8", rev);
    TRunOptions blocks;
    blocks.p0 = 10;
    add(WP_BLOCKCOIL, "p10", blocks);
    add(WP_BLOCKRANDOM, "p10", blocks);
    blocks.reverse = true;
    add(WP_BLOCKCOIL, "p10-r", blocks);
    TRunOptions turn;
    turn.p0 = 64;
    add(WP_SMALL, "p64", turn);
    add(WP_BIG, "p64", turn);
    turn.reverse = true;
    add(WP_SMALL, "p64-r", turn);
    add(WP_BIG, "p64-r", turn);
    TRunOptions o;
    o.p0 = -32, o.p1 = 24;
    add(WP_FADE, "p-32-24", o);
    o.p0 = 16, o.p1 = 8;
    add(WP_BLINDH, "p16-8", o);
    add(WP_GRID, "p16-8", o);
    o.p0 = 90, o.p1 = std::nullopt;
    add(WP_CLOCKHAND, "p90", o);
    o.p0 = 45;
    add(WP_FAN, "p45", o);
    o.p0 = 24, o.p1 = 100; // chips still in place, rising and gone
    add(WP_CRACK, "p24-100", o);
    o.p0 = 40, o.p1 = 20;
    add(WP_ZOOMIN, "p40-20", o, 250);
    o.p0 = 12, o.p1 = std::nullopt;
    add(WP_RIPPLE, "p12", o);
    // The blurred pictures show best a little before and after the flash.
    add(WP_BLURWHITE, "", {}, 300);
    add(WP_BLURBLACK, "", {}, 560);
    return cases;
}

fs::path goldenPath(const TGoldenCase& c, int32_t t) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "-%04d.png", t);
    const std::string name = kindName(c.kind) + (c.variant.empty() ? "" : "-" + c.variant) + tail;
    return fs::path(NUVO_SOURCE_DIR) / "tests" / "golden" / "wipe" / name;
}

bool updating() {
    const char* v = std::getenv("NUVO_UPDATE_GOLDEN");
    return v && *v && std::string(v) != "0";
}

void writePng(TDIBSurface& frame, const fs::path& path) {
    fs::create_directories(path.parent_path());
    const std::vector<uint8_t> png = WritePng(frame, -1);
    platform::writeFileAtomic(path.string(), png.data(), png.size());
}

// Empty when the frame matches the reference; otherwise what differs.
std::string compareWithGolden(TDIBSurface& frame, const fs::path& path) {
    if (!fs::exists(path)) return "missing reference " + path.string();
    const std::string bytes = test::readFile(path);
    TDIBSurface expected;
    int32_t key = -1;
    ReadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), expected, key);
    if (expected.Width() != frame.Width() || expected.Height() != frame.Height()) return "reference has another size";
    int differing = 0;
    std::string first;
    for (int32_t y = 0; y < frame.Height(); ++y)
        for (int32_t x = 0; x < frame.Width(); ++x)
            if (px(frame, x, y) != px(expected, x, y) && differing++ == 0) {
                char buf[96];
                std::snprintf(buf, sizeof buf, "first at (%d, %d): %06X, expected %06X", x, y, px(frame, x, y),
                              px(expected, x, y));
                first = buf;
            }
    if (!differing) return {};
    writePng(frame, fs::path(NUVO_BINARY_DIR) / "wipe-actual" / path.filename());
    return std::to_string(differing) + " pixels differ, " + first;
}

} // namespace

TEST(WipeGolden, EveryKindMatchesItsReferences) {
    int compared = 0;
    for (const TGoldenCase& c : goldenCases()) {
        TWipeRun run(c.kind, c.options);
        ASSERT_TRUE(run.wipe) << c.kind;
        // Frames are stepped in order from time 0, as the registry steps
        // them (some kinds draw incrementally).
        if (c.times.front() != 0) {
            ASSERT_FALSE(run.step(0));
        }
        for (int32_t t : c.times) {
            ASSERT_FALSE(run.step(t));
            const fs::path path = goldenPath(c, t);
            if (updating()) {
                writePng(run.dest, path);
                continue;
            }
            const std::string diff = compareWithGolden(run.dest, path);
            EXPECT_TRUE(diff.empty()) << path.filename() << ": " << diff;
            ++compared;
        }
    }
    if (!updating()) {
        EXPECT_GT(compared, 0);
    }
}
