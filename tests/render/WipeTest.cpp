// Transitions against their formulas, computed here independently for every
// pixel of small pictures, and the rules every kind shares: the end of a
// transition, the first frame, drawing every pixel, the same result on every
// kernel level and on 16-bit screens, mirrored reverse variants, the
// parameters' limits, the generator and the mask pictures.
#include "WipeTestPictures.h"

#include "base/Error.h"
#include "base/KvRandom.h"
#include "render/KernelLevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <vector>

using namespace nuvo;
using namespace nuvo::wipetest;

namespace {

constexpr uint32_t kSentinel = 0x08FC08; // in neither picture, nor made by blending them (also at 16 bits)

uint32_t blend(uint32_t s, uint32_t d, uint32_t w) {
    const auto ch = [&](int shift) {
        return (((s >> shift & 255) * w + (d >> shift & 255) * (255 - w)) >> 8) << shift;
    };
    return ch(16) | ch(8) | ch(0);
}

uint32_t addGrey(uint32_t p, uint32_t g) {
    const auto ch = [&](int shift) { return std::min<uint32_t>(255, (p >> shift & 255) + g) << shift; };
    return ch(16) | ch(8) | ch(0);
}

uint32_t subGrey(uint32_t p, uint32_t g) {
    const auto ch = [&](int shift) { return ((p >> shift & 255) > g ? (p >> shift & 255) - g : 0) << shift; };
    return ch(16) | ch(8) | ch(0);
}

// Compares Dest with expected(x, y) everywhere; reports the count and the first miss.
void expectFrame(TWipeRun& r, const std::function<uint32_t(int32_t, int32_t)>& expected, const std::string& what) {
    int misses = 0;
    std::string first;
    for (int32_t y = 0; y < r.dest.Height(); ++y)
        for (int32_t x = 0; x < r.dest.Width(); ++x) {
            const uint32_t want = expected(x, y), got = px(r.dest, x, y);
            if (want != got && misses++ == 0) {
                char buf[96];
                std::snprintf(buf, sizeof buf, "first at (%d, %d): %06X, expected %06X", x, y, got, want);
                first = buf;
            }
        }
    EXPECT_EQ(misses, 0) << what << ": " << first;
}

// Dest is From where the mask is 0, To where it is 255 and Blend(To, From, m) between.
void expectMasked(TWipeRun& r, const std::function<int(int32_t, int32_t)>& mask, const std::string& what) {
    expectFrame(
        r,
        [&](int32_t x, int32_t y) {
            const int m = mask(x, y);
            const uint32_t f = px(r.from, x, y), t = px(r.to, x, y);
            return m == 0 ? f : m == 255 ? t : blend(t, f, static_cast<uint32_t>(m));
        },
        what);
}

int rampGrey(int32_t x, int32_t y) { return px(greyRamp(), x / 2, y / 2) & 0xFF; }

TRunOptions params(std::optional<int32_t> p0, std::optional<int32_t> p1 = std::nullopt, bool reverse = false) {
    TRunOptions o;
    o.p0 = p0;
    o.p1 = p1;
    o.reverse = reverse;
    return o;
}

TRunOptions withMask(std::string name, bool reverse = false) {
    TRunOptions o;
    o.mask = std::move(name);
    o.reverse = reverse;
    return o;
}

void fill(TCustomDIBX& s, uint32_t v) {
    s.Clear(static_cast<int32_t>(s.ColorToPixel(makeColor(red(v), green(v), blue(v)))));
}

int sentinelCount(TCustomDIBX& s) {
    const auto sentinel =
        static_cast<uint32_t>(s.ColorToPixel(makeColor(red(kSentinel), green(kSentinel), blue(kSentinel))));
    int n = 0;
    for (int32_t y = 0; y < s.Height(); ++y)
        for (int32_t x = 0; x < s.Width(); ++x)
            n += static_cast<uint32_t>(s.GetPixel(x, y)) == sentinel;
    return n;
}

bool sameFrame(TCustomDIBX& a, TCustomDIBX& b) {
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
    return true;
}

void mirror(TDIBSurface& s, bool vertical) {
    TDIBSurface copy;
    copy.Duplicate(s);
    for (int32_t y = 0; y < s.Height(); ++y)
        for (int32_t x = 0; x < s.Width(); ++x)
            s.SetPixel(x, y, vertical ? copy.GetPixel(x, s.Height() - 1 - y) : copy.GetPixel(s.Width() - 1 - x, y));
}

std::vector<int32_t> allKinds() {
    std::vector<int32_t> k;
    for (int32_t i = 1; i < kWipeKindCount; ++i)
        k.push_back(i);
    return k;
}

TRunOptions defaultsFor(int32_t kind) {
    TRunOptions o;
    if (kind == WP_MASKFADE || kind == WP_MASKWHITE || kind == WP_MASKBLACK) o.mask = "ramp";
    return o;
}

class TCountingRandom : public IWipeRandom {
public:
    int calls = 0;
    int32_t Random(int32_t range) override {
        ++calls;
        return inner.Random(range);
    }
    TWipeRandom inner{7};
};

} // namespace

// ---- Rules every kind shares -------------------------------------------------------

TEST(WipeSteps, ReachingTheDurationFinishesWithoutDrawing) {
    for (int32_t kind : allKinds()) {
        TWipeRun r(kind, defaultsFor(kind));
        ASSERT_FALSE(r.step(500)) << kind;
        fill(r.dest, kSentinel);
        EXPECT_TRUE(r.step(kT)) << kind;
        EXPECT_TRUE(r.step(kT + 40)) << kind;
        EXPECT_EQ(sentinelCount(r.dest), kW * kH) << kind << " drew after the end";
        EXPECT_EQ(r.wipe->Area, (TRect{0, 0, kW, kH}));
        r.wipe->Duration = 0;
        EXPECT_TRUE(r.step(0)) << kind;
    }
}

TEST(WipeSteps, FirstFrameIsTheOutgoingPicture) {
    // Except the kinds whose first frame differs by their formulas (their
    // references show it): flash starts white, mosaic in blocks, small at
    // zoom 255/256, and the block kinds show their first block at once.
    const std::set<int32_t> differs = {WP_FLASH, WP_MOSAIC, WP_SMALL, WP_BLOCKCOIL, WP_BLOCKRANDOM};
    for (int32_t kind : allKinds()) {
        if (differs.count(kind)) continue;
        for (bool reverse : {false, true}) {
            TRunOptions o = defaultsFor(kind);
            o.reverse = reverse;
            TWipeRun r(kind, o);
            ASSERT_FALSE(r.step(0));
            EXPECT_TRUE(sameFrame(r.dest, r.from)) << wipeKindInfo(kind).Identifier << (reverse ? " reversed" : "");
        }
    }
}

TEST(WipeSteps, FirstStepPaintsEveryPixelAtAnySize) {
    // Odd sizes leave a middle row and column that a quarter-based kind
    // (ripple) must still draw; tiny sizes make sizes and rings divide by 0.
    struct Size {
        int32_t w, h;
        bool checkPaint;
    } sizes[] = {{64, 48, true}, {65, 49, true},  {33, 7, true}, {1, 1, false},
                 {2, 3, false},  {10, 10, false}, {5, 40, false}};
    for (const Size& s : sizes)
        for (int32_t kind : allKinds())
            for (bool reverse : {false, true}) {
                TRunOptions o = defaultsFor(kind);
                o.width = s.w, o.height = s.h, o.reverse = reverse;
                TWipeRun r(kind, o);
                fill(r.dest, kSentinel);
                ASSERT_FALSE(r.step(500));
                if (s.checkPaint) {
                    EXPECT_EQ(sentinelCount(r.dest), 0) << wipeKindInfo(kind).Identifier << " at " << s.w << " x "
                                                        << s.h << (reverse ? " reversed" : "");
                }
                for (int32_t t : {1, 999})
                    r.step(t);
            }
}

TEST(WipeSteps, ExtremeParametersTimesAndSizesDrawSafely) {
    // Parameters and durations come from scripts: none may overflow or
    // divide by zero (the sanitizers watch), whatever they are.
    const int32_t values[] = {INT32_MIN, -1, 0, 1, 3, INT32_MAX};
    for (int32_t kind : allKinds())
        for (int32_t p0 : values)
            for (int32_t p1 : values) {
                TRunOptions o = defaultsFor(kind);
                o.p0 = p0, o.p1 = p1, o.width = 9, o.height = 7;
                o.reverse = p0 < 0;
                TWipeRun r(kind, o);
                r.wipe->Duration = p1 == INT32_MAX ? INT32_MAX : 1000;
                for (int32_t t : {-5, 0, 1, 499, r.wipe->Duration - 1})
                    r.step(t);
            }
    // Pictures of another size than the screen draw what they cover.
    for (int32_t kind : allKinds()) {
        TDIBSurface from(20, 10, 32), to(30, 50, 32), dest(kW, kH, 32);
        paintFrom(from);
        paintTo(to);
        auto w = CreateWipe(kind, dest, from, to);
        w->Duration = kT;
        w->Prepare();
        for (int32_t t : {0, 500, 999}) {
            w->Elapsed = t;
            EXPECT_FALSE(w->Step());
        }
    }
}

TEST(WipeSteps, EveryKernelLevelGivesTheSameFrames) {
    const TKernelLevel best = bestKernelLevel();
    for (int32_t kind : allKinds())
        for (bool reverse : {false, true}) {
            TRunOptions o = defaultsFor(kind);
            o.reverse = reverse;
            o.width = 67; // not a multiple of any vector width
            TWipeRun fast(kind, o), reference(kind, o);
            for (int32_t t : {0, 250, 500, 750, 999}) {
                setKernelLevel(best);
                fast.step(t);
                setKernelLevel(TKernelLevel::Reference);
                reference.step(t);
                EXPECT_TRUE(sameFrame(fast.dest, reference.dest))
                    << wipeKindInfo(kind).Identifier << " at " << t << (reverse ? " reversed" : "");
            }
            setKernelLevel(best);
        }
}

TEST(WipeSteps, SixteenBitScreens) {
    for (int32_t kind : allKinds()) {
        TRunOptions o = defaultsFor(kind);
        o.bitCount = 16;
        TWipeRun r(kind, o);
        fill(r.dest, kSentinel);
        ASSERT_FALSE(r.step(500));
        EXPECT_EQ(sentinelCount(r.dest), 0) << wipeKindInfo(kind).Identifier;
        if (kind == WP_WHITE || kind == WP_BLACK) {
            for (int32_t y = 0; y < kH; ++y)
                for (int32_t x = 0; x < kW; ++x)
                    ASSERT_EQ(r.dest.GetPixel(x, y), kind == WP_WHITE ? 0xFFFF : 0);
        }
    }
}

TEST(WipeSteps, ReverseMirrorsTheKindsThatRunAlongAnAxis) {
    struct Case {
        int32_t kind;
        bool vertical;
        std::optional<int32_t> p0;
    } cases[] = {{WP_SCROLLH, false, {}},  {WP_SCROLLV, true, {}},  {WP_SUDAREH, false, {}}, {WP_SUDAREV, true, {}},
                 {WP_CURTAINH, false, {}}, {WP_CURTAINV, true, {}}, {WP_TWISTH, true, {}},   {WP_TWISTV, false, {}},
                 {WP_BLINDH, false, 16},   {WP_BLINDV, true, 16}};
    for (const Case& c : cases)
        for (int32_t t : {0, 130, 500, 720, 999}) {
            TWipeRun forward(c.kind, params(c.p0, 4));
            TWipeRun reversed(c.kind, params(c.p0, 4, true));
            mirror(reversed.from, c.vertical);
            mirror(reversed.to, c.vertical);
            reversed.dest.Assign(reversed.from);
            forward.step(t);
            reversed.step(t);
            mirror(reversed.dest, c.vertical);
            EXPECT_TRUE(sameFrame(forward.dest, reversed.dest)) << wipeKindInfo(c.kind).Identifier << " at " << t;
        }
}

TEST(WipeSteps, MaskKindsRedrawOnlyWhenTheirLevelChanges) {
    for (int32_t kind : {WP_BLINDH, WP_DITHER, WP_CIRCLE, WP_BLOCKCOIL, WP_FAN, WP_MASKFADE}) {
        TWipeRun r(kind, defaultsFor(kind));
        r.step(0);
        r.step(500);
        TDIBSurface drawn;
        drawn.Duplicate(r.dest);
        fill(r.dest, kSentinel);
        r.step(500);
        EXPECT_EQ(sentinelCount(r.dest), kW * kH) << wipeKindInfo(kind).Identifier;
        r.wipe->ResetLevel();
        r.step(500);
        EXPECT_TRUE(sameFrame(r.dest, drawn)) << wipeKindInfo(kind).Identifier;
    }
}

TEST(WipeSteps, StepPreparesWhenNobodyDid) {
    TDIBSurface from(kW, kH, 32), to(kW, kH, 32), dest(kW, kH, 32);
    paintFrom(from);
    paintTo(to);
    auto w = CreateWipe(WP_DITHER, dest, from, to);
    w->Duration = kT;
    w->Elapsed = 500;
    EXPECT_FALSE(w->Step());
    TWipeRun prepared(WP_DITHER);
    prepared.step(500);
    EXPECT_TRUE(sameFrame(dest, prepared.dest));
}

// ---- Creation and parameters --------------------------------------------------------

TEST(WipeCreate, KindsDefaultsAndParameterLimits) {
    TDIBSurface s(8, 8, 32);
    for (int32_t kind : {int32_t{WP_NONE}, -1, kWipeKindCount, 1000})
        EXPECT_FALSE(CreateWipe(kind, s, s, s)) << kind;
    for (int32_t kind : allKinds()) {
        auto w = CreateWipe(kind, s, s, s);
        ASSERT_TRUE(w) << kind;
        const TWipeKindInfo& info = wipeKindInfo(kind);
        // The stored defaults after the kind's own limits.
        EXPECT_EQ(w->GetParam(0), kind == WP_DITHER || kind == WP_CIRCLE || kind == WP_MASKFADE ? 2 : info.P0) << kind;
        const std::set<int32_t> maskKinds = {WP_BLINDH, WP_BLINDV, WP_CURTAINH, WP_CURTAINV,  WP_GRID,
                                             WP_GRIDH,  WP_GRIDV,  WP_DITHER,   WP_MASKFADE,  WP_CLOCKHAND,
                                             WP_FAN,    WP_WFAN,   WP_CIRCLE,   WP_BLOCKCOIL, WP_BLOCKRANDOM};
        EXPECT_EQ(w->GetParam(1), maskKinds.count(kind) ? std::max(1, info.P1) : info.P1) << kind;
        EXPECT_EQ(w->GetParam(2), 0);
    }
    EXPECT_EQ(wipeKindByIdentifier("fade"), WP_FADE);
    EXPECT_EQ(wipeKindByIdentifier("WP_BlockRandom"), WP_BLOCKRANDOM);
    EXPECT_EQ(wipeKindByIdentifier("WP_NOPE"), -1);

    struct Case {
        int32_t kind;
        int index;
        int32_t value, stored;
    } cases[] = {
        {WP_BLINDH, 0, 0, 2},    {WP_BLINDH, 1, 0, 1},  {WP_BLINDV, 0, -7, 2},   {WP_CURTAINH, 0, 0, 1},
        {WP_CURTAINV, 1, -5, 1}, {WP_GRID, 0, 1, 2},    {WP_GRIDH, 1, 0, 1},     {WP_FADE, 0, -32, -32},
        {WP_CLOCKHAND, 0, 0, 0}, {WP_FAN, 0, -90, -90}, {WP_CRACK, 0, 5, 16},    {WP_CRACK, 0, 16, 16},
        {WP_CRACK, 0, 17, 17},   {WP_RIPPLE, 0, 0, 0},  {WP_BLOCKCOIL, 0, 0, 2}, {WP_ZOOMIN, 1, -3, -3},
    };
    for (const Case& c : cases) {
        auto w = CreateWipe(c.kind, s, s, s);
        w->SetParam(c.index, c.value);
        EXPECT_EQ(w->GetParam(c.index), c.stored) << wipeKindInfo(c.kind).Identifier << " P" << c.index;
    }

    TWipeContext context;
    context.SetDefaultParams(WP_ZOOMIN, 320, 240);
    auto z = CreateWipe(WP_ZOOMIN, s, s, s, &context);
    EXPECT_EQ(z->GetParam(0), 320);
    EXPECT_EQ(z->GetParam(1), 240);
}

TEST(WipeCreate, GeneralPurposeGeneratorComesFromTheContext) {
    TWipeRandom r(0);
    EXPECT_EQ(r.Random(0), 0);
    EXPECT_EQ(r.Random(1), 0);
    std::set<int32_t> seen;
    for (int i = 0; i < 600; ++i) {
        const int32_t v = r.Random(6);
        ASSERT_TRUE(v >= 0 && v < 6);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 6u);

    // Crack: a pick and a speed per chip (4 x 3 chips of 16 pixels); block
    // random: a pick per block (7 x 5 blocks of 10 pixels).
    TDIBSurface s(kW, kH, 32);
    TCountingRandom counting;
    TWipeContext context;
    context.Random = &counting;
    auto crack = CreateWipe(WP_CRACK, s, s, s, &context);
    const int afterDefaults = counting.calls;
    EXPECT_GT(afterDefaults, 0);
    crack->SetParam(0, 16);
    EXPECT_EQ(counting.calls - afterDefaults, 2 * 12);
    auto blocks = CreateWipe(WP_BLOCKRANDOM, s, s, s, &context);
    blocks->SetParam(0, 10);
    counting.calls = 0;
    blocks->Prepare();
    EXPECT_EQ(counting.calls, 35);

    // The same seed repeats a transition exactly; another seed does not.
    for (int32_t kind : {WP_CRACK, WP_BLOCKRANDOM}) {
        TRunOptions a = params(kind == WP_CRACK ? 16 : 10), b = a, c = a;
        c.seed = 99;
        TWipeRun ra(kind, a), rb(kind, b), rc(kind, c);
        for (TWipeRun* r : {&ra, &rb, &rc})
            r->step(20);
        EXPECT_TRUE(sameFrame(ra.dest, rb.dest)) << kind;
        EXPECT_FALSE(sameFrame(ra.dest, rc.dest)) << kind;
    }
}

// ---- Picture kinds against their formulas ----------------------------------------------

TEST(WipeFormula, FadeAndItsGlide) {
    TWipeRun r(WP_FADE);
    r.step(500); // alpha 500 * 256 / 1000 = 128
    expectFrame(
        r,
        [&](int32_t x, int32_t y) {
            const uint32_t f = px(r.from, x, y), t = px(r.to, x, y);
            return f == t ? f : blend(t, f, 128);
        },
        "fade");
    // c = 499 / 1000: To drawn at (round(-15.968), round(11.976)) = (-16, 12).
    TWipeRun g(WP_FADE, params(-32, 24));
    g.step(500);
    expectFrame(
        g,
        [&](int32_t x, int32_t y) {
            const uint32_t f = px(g.from, x, y);
            if (x >= 48 || y < 12) return f;
            const uint32_t t = px(g.to, x + 16, y - 12);
            return f == t ? f : blend(t, f, 128);
        },
        "fade from (P0, P1)");
}

TEST(WipeFormula, ScrollsWhiteBlackFlash) {
    TWipeRun h(WP_SCROLLH), hr(WP_SCROLLH, params({}, {}, true)), v(WP_SCROLLV);
    h.step(250), hr.step(250), v.step(250); // a = 16 (H: 12)
    expectFrame(
        h, [&](int32_t x, int32_t y) { return x < 48 ? px(h.from, x + 16, y) : px(h.to, x - 48, y); }, "scroll H");
    expectFrame(
        hr, [&](int32_t x, int32_t y) { return x < 16 ? px(hr.to, x + 48, y) : px(hr.from, x - 16, y); },
        "scroll H reversed");
    expectFrame(
        v, [&](int32_t x, int32_t y) { return y < 36 ? px(v.from, x, y + 12) : px(v.to, x, y - 36); }, "scroll V");

    TWipeRun white(WP_WHITE), black(WP_BLACK), flash(WP_FLASH);
    white.step(500), black.step(500), flash.step(500);
    expectFrame(
        white, [](int32_t, int32_t) { return 0xFFFFFFu; }, "white at half time");
    expectFrame(
        black, [](int32_t, int32_t) { return 0u; }, "black at half time");
    expectFrame(
        flash, [&](int32_t x, int32_t y) { return addGrey(px(flash.to, x, y), 255 - 127); }, "flash");
    white.step(250), black.step(800); // a = 127; a = 408 -> To and grey 103
    expectFrame(
        white, [&](int32_t x, int32_t y) { return addGrey(px(white.from, x, y), 127); }, "white going up");
    expectFrame(
        black, [&](int32_t x, int32_t y) { return subGrey(px(black.to, x, y), 103); }, "black coming back");
}

TEST(WipeFormula, SmearsMosaicZoomsAndTwists) {
    // Sudare at half time: e = 63 (V: 47), the edge smeared over everything.
    TWipeRun sh(WP_SUDAREH), sv(WP_SUDAREV), rubber(WP_RUBBERH), rubberMid(WP_RUBBERH);
    sh.step(500), sv.step(500), rubberMid.step(500), rubber.step(250);
    expectFrame(
        sh, [&](int32_t, int32_t y) { return px(sh.from, 63, y); }, "sudare H");
    expectFrame(
        sv, [&](int32_t x, int32_t) { return px(sv.from, x, 47); }, "sudare V");
    expectFrame(
        rubberMid, [&](int32_t, int32_t y) { return px(rubberMid.from, 63, y); }, "rubber H at half time");
    // t = 250: e = 31, strip round(250 x 15.5 / 500) = 8 columns (24..31)
    // stretched fourfold over 0..31.
    expectFrame(
        rubber, [&](int32_t x, int32_t y) { return px(rubber.from, x < 32 ? 24 + x / 4 : x, y); }, "rubber H");

    // p = 511: blocks of the whole screen, f = 24 gives 1 x 1; To at alpha 63.
    TWipeRun m(WP_MOSAIC);
    m.step(500);
    const uint32_t one = blend(px(m.to, 0, 0), px(m.from, 0, 0), 63);
    expectFrame(
        m, [&](int32_t, int32_t) { return one; }, "mosaic at half time");

    TWipeRun z(WP_ZOOMIN, params(10, 20)), zEnd(WP_ZOOMIN);
    z.step(500), zEnd.step(999);
    expectFrame(
        z, [&](int32_t, int32_t) { return px(z.from, 10, 20); }, "zoom in at the point");
    expectFrame(
        zEnd, [&](int32_t x, int32_t y) { return px(zEnd.to, x, y); }, "zoom in at the end");

    TWipeRun small(WP_SMALL), big(WP_BIG);
    small.step(999), big.step(500); // k = 0; k = round(127.5) = 128
    expectFrame(
        small, [&](int32_t x, int32_t y) { return px(small.to, x, y); }, "small at the end");
    EXPECT_EQ(px(big.dest, 32, 24), blend(px(big.to, 32, 24), px(big.from, 32, 24), 128));
    EXPECT_EQ(px(big.dest, 0, 0), px(big.from, 0, 0));
    EXPECT_EQ(px(big.dest, 63, 47), px(big.from, 63, 47));

    // Just before the end every row (column) has turned over: To.
    for (int32_t kind : {WP_TWISTH, WP_TWISTV}) {
        TWipeRun t(kind);
        t.step(999);
        expectFrame(
            t, [&](int32_t x, int32_t y) { return px(t.to, x, y); }, wipeKindInfo(kind).Identifier);
    }
}

TEST(WipeFormula, CrackChipsJumpAndFall) {
    // One 64 x 48 chip; it falls 48 rows first at a = 330 (5a^2 - 1500a >=
    // 48000), so the time scale is 330. At b = 165 it is 111 rows up, off the
    // screen; at b = 329 it has fallen 47 rows and only its top row shows,
    // moved sideways by 329 x speed / 100.
    TWipeRun r(WP_CRACK);
    r.step(500);
    expectFrame(
        r, [&](int32_t x, int32_t y) { return px(r.to, x, y); }, "chip above the screen");
    r.step(999);
    TWipeRandom same(1); // the run's generator: the chip's pick, then its speed
    same.Random(1);
    const int32_t dx = 329 * (same.Random(200) - 100) / 100;
    expectFrame(
        r,
        [&](int32_t x, int32_t y) {
            return y == 47 && x - dx >= 0 && x - dx < kW ? px(r.from, x - dx, 0) : px(r.to, x, y);
        },
        "chip leaving the screen");
}

TEST(WipeFormula, RippleFrontSeparatesThePictures) {
    // L = 16; front F = (40 + 16) x 500 / 1000 = 28: pixels farther than F
    // show From, nearer than F - 15 show To.
    TWipeRun r(WP_RIPPLE);
    r.step(500);
    int ring = 0;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const int32_t qx = x < 32 ? x : 63 - x, qy = y < 24 ? y : 47 - y;
            const auto o = static_cast<int32_t>(std::nearbyint(std::hypot(qx - 32.0, qy - 24.0)));
            if (o > 28)
                ASSERT_EQ(px(r.dest, x, y), px(r.from, x, y)) << x << ", " << y;
            else if (o < 13)
                ASSERT_EQ(px(r.dest, x, y), px(r.to, x, y)) << x << ", " << y;
            else
                ring += px(r.dest, x, y) != px(r.to, x, y);
        }
    EXPECT_GT(ring, 0); // the displaced To shows in the ring
}

// ---- Brightness kinds ---------------------------------------------------------------------

TEST(WipeFormula, SpotlightRing) {
    for (bool reverse : {false, true}) {
        TWipeRun r(WP_SPOT, params({}, {}, reverse));
        r.step(500); // b = (40 + 512) x 500 / 1000 = 276
        expectFrame(
            r,
            [&](int32_t x, int32_t y) {
                int n = static_cast<int>(std::nearbyint(std::hypot(x - 32.0, y - 24.0)));
                if (reverse) n = 40 - n; // the largest distance is 40, at (0, 0)
                const int into = 276 - n;
                if (into < 0) return px(r.from, x, y);
                if (into < 256) return addGrey(px(r.from, x, y), static_cast<uint32_t>(into));
                if (into < 512) return addGrey(px(r.to, x, y), static_cast<uint32_t>(511 - into));
                return px(r.to, x, y);
            },
            reverse ? "spot reversed" : "spot");
    }
}

TEST(WipeFormula, MaskWhiteAndBlack) {
    for (int32_t kind : {WP_MASKWHITE, WP_MASKBLACK}) {
        TWipeRun r(kind, withMask("ramp"));
        r.step(500); // level 384: v = ramp(384 + g)
        const bool add = kind == WP_MASKWHITE;
        expectFrame(
            r,
            [&](int32_t x, int32_t y) {
                const int v = std::clamp(384 + rampGrey(x, y) - 256, 0, 511);
                const uint32_t p = v < 256 ? px(r.from, x, y) : px(r.to, x, y);
                const auto g = static_cast<uint32_t>(v < 256 ? v : 511 - v);
                return add ? addGrey(p, g) : subGrey(p, g);
            },
            wipeKindInfo(kind).Identifier);
    }
}

TEST(WipeFormula, BlurPassesThroughWhiteOrBlack) {
    for (int32_t kind : {WP_BLURWHITE, WP_BLURBLACK}) {
        TWipeRun r(kind);
        r.step(500); // b = 319: blurred From with grey 252 added or taken away
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const uint32_t p = px(r.dest, x, y);
                for (uint32_t c : {red(p), green(p), blue(p)})
                    ASSERT_TRUE(kind == WP_BLURWHITE ? c >= 252 : c <= 3) << x << ", " << y;
            }
        r.step(999); // b = 638: To with its blurred copy at alpha 1
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const uint32_t p = px(r.dest, x, y), t = px(r.to, x, y);
                // Blend(S, D, 1) = (S + 254 D) / 256 moves D by at most 2.
                ASSERT_LE(std::abs(int(red(p)) - int(red(t))), 2);
                ASSERT_LE(std::abs(int(blue(p)) - int(blue(t))), 2);
            }
        // Blurring smooths the sharp grid lines of From.
        TWipeRun half(kind);
        half.step(400); // b = 255: From under its blurred copy at alpha 255
        EXPECT_NE(px(half.dest, 16, 30), 0xFFFFFFu);
    }
}

// ---- Mask kinds against their formulas -----------------------------------------------------

TEST(WipeFormula, MaskKinds) {
    const auto ramp = [](int64_t level, int64_t start, int64_t p1) {
        return level < start ? 0 : static_cast<int>(std::min<int64_t>(255, (level - start) * 255 / p1));
    };
    std::vector<int> dither(4096);
    {
        TKvRandom r(12341);
        r.PrepareDraw(4096);
        for (int i = 0; i < 4096; ++i)
            dither[static_cast<size_t>(r.Draw())] = i; // offset -> draw index
    }
    struct Case {
        const char* what;
        int32_t kind;
        TRunOptions options;
        int32_t t;
        std::function<int(int32_t, int32_t)> mask;
    };
    const Case cases[] = {
        // P0 = 20, P1 = 1 at half time: the left half of every stripe.
        {"blind H", WP_BLINDH, {}, 500, [](int32_t x, int32_t) { return x % 20 < 10 ? 255 : 0; }},
        {"blind H reversed", WP_BLINDH, params({}, {}, true), 500,
         [](int32_t x, int32_t) { return x % 20 >= 10 ? 255 : 0; }},
        {"blind V", WP_BLINDV, {}, 500, [](int32_t, int32_t y) { return y % 20 < 10 ? 255 : 0; }},
        // L = (8 + 32 - 2) x 500 / 1000 = 19, s = 2 (x mod 16).
        {"blind H soft", WP_BLINDH, params(16, 8), 500, [&](int32_t x, int32_t) { return ramp(19, 2 * (x % 16), 8); }},
        {"blind V soft", WP_BLINDV, params(16, 8), 500, [&](int32_t, int32_t y) { return ramp(19, 2 * (y % 16), 8); }},
        // L = ((3 + 28) x 16 + 1) x 500 / 1000 = 248, s = 16 (x div 30 + x mod 30).
        {"curtain H", WP_CURTAINH, {}, 500, [&](int32_t x, int32_t) { return ramp(248, 16 * (x / 30 + x % 30), 1); }},
        // V with 48 rows: L = ((2 + 28) x 16 + 1) x 300 / 1000 = 144, counted from the bottom.
        {"curtain V reversed", WP_CURTAINV, params({}, {}, true), 300,
         [&](int32_t, int32_t y) { return ramp(144, 16 * ((47 - y) / 30 + (47 - y) % 30), 1); }},
        // Grid H, cells of 16: L = (8 + 16 - 4) x 500 / 1000 = 10; cell i
        // starts at 4i and grows a square of 16 (L - s) / 8, repeated every 16 rows.
        {"grid H", WP_GRIDH, params(16, 8), 500,
         [&](int32_t x, int32_t y) {
             const int s = 4 * (x / 16);
             if (10 < s) return 0;
             const int z = std::min(16, 16 * (10 - s) / 8), a = (16 - z) / 2;
             const int cx = x % 16, cy = y % 16;
             return cx >= a && cx < a + z && cy >= a && cy < a + z ? ramp(10, s, 8) : 0;
         }},
        // 1024 and 2048 pixels of every 64 x 64 block, in the generator's order.
        {"dither quarter",
         WP_DITHER,
         {},
         250,
         [&](int32_t x, int32_t y) { return dither[size_t(y % 64 * 64 + x % 64)] < 1024 ? 255 : 0; }},
        {"dither half",
         WP_DITHER,
         {},
         500,
         [&](int32_t x, int32_t y) { return dither[size_t(y % 64 * 64 + x % 64)] < 2048 ? 255 : 0; }},
        // Level 256: m = R[256 + g] = g; missing picture: g = 255.
        {"mask fade", WP_MASKFADE, withMask("ramp"), 500, [](int32_t x, int32_t y) { return rampGrey(x, y); }},
        {"mask fade reversed", WP_MASKFADE, withMask("ramp", true), 500,
         [](int32_t x, int32_t y) { return 255 - rampGrey(x, y); }},
        {"mask fade without picture", WP_MASKFADE, withMask("absent"), 300,
         [](int32_t, int32_t) { return 153 + 255 - 256; }},
        // r = round(40 t / T) around (32, 24), pixel centres.
        {"circle",
         WP_CIRCLE,
         {},
         500,
         [](int32_t x, int32_t y) { return std::hypot(x + 0.5 - 32, y + 0.5 - 24) <= 20 ? 255 : 0; }},
        {"circle reversed", WP_CIRCLE, params({}, {}, true), 250,
         [](int32_t x, int32_t y) { return std::hypot(x + 0.5 - 32, y + 0.5 - 24) <= 30 ? 0 : 255; }},
        // Half a turn from straight up: the right half.
        {"clock hand", WP_CLOCKHAND, {}, 500, [](int32_t x, int32_t) { return x >= 32 ? 255 : 0; }},
        {"clock hand reversed", WP_CLOCKHAND, params({}, {}, true), 500,
         [](int32_t x, int32_t) { return x < 32 ? 255 : 0; }},
        // Opened by a quarter turn each way from up: the upper half.
        {"fan", WP_FAN, {}, 500, [](int32_t, int32_t y) { return y < 24 ? 255 : 0; }},
        // Spiral of 7 x 5 blocks of 10: at half time blocks 0..17 are the top
        // row, the right column, the bottom row and (0, 3); reversed, blocks
        // 34 down to 17 are the 6 x 3 inner ones.
        {"block coil", WP_BLOCKCOIL, params(10), 500,
         [](int32_t x, int32_t y) {
             const int bx = x / 10, by = y / 10;
             return by == 0 || bx == 6 || by == 4 || (bx == 0 && by == 3) ? 255 : 0;
         }},
        {"block coil reversed", WP_BLOCKCOIL, params(10, {}, true), 500,
         [](int32_t x, int32_t y) {
             const int bx = x / 10, by = y / 10;
             return bx <= 5 && by >= 1 && by <= 3 ? 255 : 0;
         }},
    };
    for (const Case& c : cases) {
        TWipeRun r(c.kind, c.options);
        r.step(0);
        r.step(c.t);
        expectMasked(r, c.mask, c.what);
    }

    // Double fan: the wedges within 45 degrees of up and down (pixels on the
    // diagonals are left out: either side is right).
    TWipeRun w(WP_WFAN);
    w.step(500);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            const double dx = x + 0.5 - 32, dy = y + 0.5 - 24;
            if (std::fabs(dx) == std::fabs(dy)) continue;
            const bool in = std::fabs(dx) < std::fabs(dy);
            ASSERT_EQ(px(w.dest, x, y), in ? px(w.to, x, y) : px(w.from, x, y)) << x << ", " << y;
        }

    // Block random: 18 whole blocks of 10 at half time.
    TWipeRun b(WP_BLOCKRANDOM, params(10));
    b.step(500);
    int shown = 0;
    for (int by = 0; by < 5; ++by)
        for (int bx = 0; bx < 7; ++bx) {
            int to = 0, cells = 0;
            for (int32_t y = by * 10; y < std::min(kH, by * 10 + 10); ++y)
                for (int32_t x = bx * 10; x < std::min(kW, bx * 10 + 10); ++x, ++cells)
                    to += px(b.dest, x, y) == px(b.to, x, y) && px(b.to, x, y) != px(b.from, x, y);
            const int differ = [&] {
                int n = 0;
                for (int32_t y = by * 10; y < std::min(kH, by * 10 + 10); ++y)
                    for (int32_t x = bx * 10; x < std::min(kW, bx * 10 + 10); ++x)
                        n += px(b.to, x, y) != px(b.from, x, y);
                return n;
            }();
            EXPECT_TRUE(to == 0 || to == differ) << "block " << bx << ", " << by << " is partly shown";
            shown += to == differ && differ > 0;
        }
    EXPECT_EQ(shown, 18);
}

TEST(WipeFormula, MaskPictureFailuresActAsMissing) {
    TWipeRun damaged(WP_MASKFADE, withMask("ramp"));
    damaged.pictures.load = [](const std::string&, TDIBSurface&) -> bool { raiseError("broken"); };
    damaged.wipe->Prepare();
    EXPECT_NO_THROW(damaged.step(300));
    TWipeRun missing(WP_MASKFADE, withMask("absent"));
    missing.step(300);
    EXPECT_TRUE(sameFrame(damaged.dest, missing.dest));
    EXPECT_GT(damaged.pictures.calls, 0);

    // No name, or no picture source at all: no lookup, a uniform mask.
    TWipeRun unnamed(WP_MASKWHITE);
    unnamed.step(300);
    EXPECT_EQ(unnamed.pictures.calls, 0);
}
