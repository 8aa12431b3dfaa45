// Every transition kind against reference pictures: frames at half time and
// just before the end (and at the start where the start is not simply the
// outgoing picture), a reverse frame for the kinds whose reverse is not a
// mirror image (mirrors are checked in WipeTest), and frames with
// parameters. References live in tests/golden/wipe/<kind>[-variant]-<t>.png
// (support/Golden.h).
#include "WipeTestPictures.h"

#include "support/Golden.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace nuvo;
using namespace nuvo::wipetest;

namespace {

struct TGoldenCase {
    int32_t kind;
    std::string variant; // "" for the defaults
    TRunOptions options;
    std::vector<int32_t> times;
    // Times at which the frame is already the whole incoming picture: the
    // frame is compared with that picture instead of a reference of its own.
    std::vector<int32_t> finishedAt;
};

bool among(int32_t kind, std::initializer_list<int32_t> kinds) {
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

std::vector<TGoldenCase> goldenCases() {
    std::vector<TGoldenCase> cases;
    for (int32_t k = 1; k < kWipeKindCount; ++k) {
        TGoldenCase c{k, "", {}, {500, 999}, {}};
        // Every other kind starts with the outgoing picture (WipeTest checks it).
        if (among(k, {WP_FLASH, WP_MOSAIC, WP_SMALL, WP_BLOCKCOIL, WP_BLOCKRANDOM})) c.times.insert(c.times.begin(), 0);
        if (among(k, {WP_MASKFADE, WP_MASKWHITE, WP_MASKBLACK})) c.options.mask = "ramp";
        // The default cells and chips (60 to 80 pixels) are larger than the
        // 64 x 48 screen, where one cell covers it and nothing moves; on
        // 200 x 150 there are several, whole ones and cut ones at the edges.
        if (among(k, {WP_GRID, WP_GRIDH, WP_GRIDV, WP_CRACK, WP_BLOCKCOIL, WP_BLOCKRANDOM})) {
            c.options.width = 200;
            c.options.height = 150;
        }
        // The generator's first number from seed 1 is small: it would pick
        // the top-left block first, where the coil starts too.
        if (k == WP_BLOCKRANDOM) c.options.seed = 12345;
        // At half time rubber is the same smear as sudare, spot is plain
        // white and zoom-in spreads one pixel (here a white one) over the
        // screen: their frames are taken before and after.
        if (among(k, {WP_RUBBERH, WP_RUBBERV, WP_SPOT, WP_ZOOMIN})) c.times = {250, 750, 999};
        // These show the whole incoming picture one step before the end.
        if (among(k, {WP_CURTAINH,  WP_CURTAINV, WP_SUDAREH, WP_SUDAREV, WP_SPOT,   WP_MASKFADE, WP_MASKWHITE,
                      WP_MASKBLACK, WP_SMALL,    WP_RIPPLE,  WP_TWISTH,  WP_TWISTV, WP_CRACK,    WP_ZOOMIN,
                      WP_CLOCKHAND, WP_RUBBERH,  WP_RUBBERV, WP_FAN,     WP_WFAN,   WP_CIRCLE})) {
            c.times.pop_back();
            c.finishedAt = {999};
        }
        cases.push_back(c);
    }
    const auto add = [&](int32_t kind, std::string variant, TRunOptions o, std::vector<int32_t> times = {500}) {
        if (kind == WP_MASKFADE) o.mask = "ramp";
        cases.push_back({kind, std::move(variant), o, std::move(times), {}});
    };
    TRunOptions rev;
    rev.reverse = true;
    add(WP_SPOT, "r", rev, {250, 750});
    for (int32_t k : {WP_MASKFADE, WP_CLOCKHAND, WP_CIRCLE})
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
    add(WP_ZOOMIN, "p40-20", o, {250});
    o.p0 = 12, o.p1 = std::nullopt;
    add(WP_RIPPLE, "p12", o);
    // The blurred pictures show best a little before and after the flash.
    add(WP_BLURWHITE, "", {}, {300});
    add(WP_BLURBLACK, "", {}, {560});
    return cases;
}

std::string referenceName(const TGoldenCase& c, int32_t t) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "-%04d", t);
    return kindName(c.kind) + (c.variant.empty() ? "" : "-" + c.variant) + tail;
}

} // namespace

TEST(WipeGolden, EveryKindMatchesItsReferences) {
    test::GoldenSet golden("wipe");
    // Wholly one colour: the flash's first frame and the middle of the
    // kinds that pass through white or black.
    golden.sameOnPurpose({"flash-0000", "white-0500", "blurwhite-0500"});
    golden.sameOnPurpose({"black-0500", "blurblack-0500"});
    // One step before the end a fade is the incoming picture one level
    // short: what is left of the picture or black it comes from rounds
    // away (of white it does not, so white and flash differ from fade).
    golden.sameOnPurpose({"fade-0999", "black-0999"});
    golden.sameOnPurpose({"white-0999", "flash-0999"});
    // The incoming picture under its blurred copy at alpha 1: the white or
    // black has gone.
    golden.sameOnPurpose({"blurwhite-0999", "blurblack-0999"});
    for (const TGoldenCase& c : goldenCases()) {
        TWipeRun run(c.kind, c.options);
        ASSERT_TRUE(run.wipe) << c.kind;
        std::vector<int32_t> times = c.times;
        times.insert(times.end(), c.finishedAt.begin(), c.finishedAt.end());
        std::sort(times.begin(), times.end());
        // Frames are stepped in order from time 0, as the registry steps
        // them (some kinds draw incrementally).
        if (times.front() != 0) {
            ASSERT_FALSE(run.step(0));
        }
        for (int32_t t : times) {
            ASSERT_FALSE(run.step(t));
            const std::string name = referenceName(c, t);
            if (std::find(c.finishedAt.begin(), c.finishedAt.end(), t) != c.finishedAt.end())
                EXPECT_EQ(test::pictureDifference(run.dest, run.to), "") << name << " has not ended";
            else
                golden.expect(run.dest, name);
        }
    }
}
