// Formats, conversions, clipping and the blend arithmetic of the surfaces,
// against values worked out by hand from the blend rules.
#include "base/Error.h"
#include "render/DIBX.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace nuvo;

namespace {

constexpr int32_t rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; } // a 32-bit pixel

int32_t pixel1(TDIBX& s) { return s.GetPixel(0, 0); }

TDIBX filled(int32_t w, int32_t h, int bits, int32_t pixel) {
    TDIBX s(w, h, bits);
    s.Clear(pixel);
    return s;
}

} // namespace

TEST(SurfaceFormat, ColorToPixelPerFormat) {
    struct Case {
        int bits;
        int32_t color, expected;
    } cases[] = {
        {16, 0x0000FF, 0xF800},  {15, 0x0000FF, 0x7C00},    {32, 0x0000FF, 0xFF0000}, {32, 0xFF0000, 0x0000FF},
        {24, 0x0000FF, 0xFF0000}, {8, 0x0000FF, 0x0000FF},  {32, -5, -1},             {16, -1, -1},
        {16, 0x808080, (16 << 11) | (32 << 5) | 16},        {15, 0xFFFFFF, 0x7FFF},
    };
    for (const Case& c : cases) {
        TDIBX s(1, 1, c.bits);
        EXPECT_EQ(s.ColorToPixel(c.color), c.expected) << c.bits << " bits, colour " << std::hex << c.color;
    }
}

TEST(SurfaceFormat, StorageLayout) {
    TDIBX fresh;
    EXPECT_EQ(fresh.BitCount(), 15);
    EXPECT_EQ(fresh.Width(), 1);
    TDIBX s(3, 2, 15);
    EXPECT_EQ(s.BitCount(), 15);
    EXPECT_EQ(s.StorageBitCount(), 16);
    EXPECT_EQ(s.RowStep(), 8); // 3 pixels x 2 bytes, padded to 4
    EXPECT_EQ(s.GreenMask(), 0x03E0u);
    EXPECT_EQ(s.RedShift(), 10);
    EXPECT_EQ(TDIBX(5, 1, 24).RowStep(), 16);
    EXPECT_EQ(TDIBX(33, 1, 1).RowStep(), 8);

    // Leftmost pixel in the most significant bits of 1- and 4-bit rows.
    TDIBX mono(9, 1, 1);
    mono.SetPixel(0, 0, 1);
    mono.SetPixel(8, 0, 1);
    EXPECT_EQ(mono.Bits()[0], 0x80);
    EXPECT_EQ(mono.Bits()[1], 0x80);
    TDIBX nib(2, 1, 4);
    nib.SetPixel(0, 0, 0xA);
    nib.SetPixel(1, 0, 0x3);
    EXPECT_EQ(nib.Bits()[0], 0xA3);

    EXPECT_EQ(s.GetPixel(-1, 0), 0);
    EXPECT_EQ(s.GetPixel(3, 0), 0);
    EXPECT_THROW(s.ScanLine(2), ENuvoError);
    EXPECT_THROW(TDIBX(70000, 1, 32), ENuvoError);
    EXPECT_THROW(TDIBX(4, 4, 7), ENuvoError);

    s.Release();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(s.PixelPtr(0, 0), nullptr);
}

TEST(SurfaceFormat, SetBitCountWidensByReplicationAndNarrowsByTruncation) {
    TDIBX s(2, 1, 16);
    s.SetPixel(0, 0, 0xFFFF);
    s.SetPixel(1, 0, (16 << 11) | (32 << 5) | 16);
    s.SetBitCount(32);
    EXPECT_EQ(s.BitCount(), 32);
    EXPECT_EQ(s.GetPixel(0, 0), 0xFFFFFF);
    EXPECT_EQ(s.GetPixel(1, 0), rgb(0x84, 0x82, 0x84));
    s.SetBitCount(15);
    EXPECT_EQ(s.GetPixel(0, 0), 0x7FFF);
    EXPECT_EQ(s.GetPixel(1, 0), (16 << 10) | (16 << 5) | 16);

    // Into a palette: the nearest entry.
    TDIBX c(1, 1, 32);
    c.SetPixel(0, 0, rgb(250, 10, 10));
    TPalette pal{};
    pal[0] = 0x000000;
    pal[1] = 0xFF0000; // red
    pal[2] = 0x00FF00;
    c.SetPalette(pal);
    c.SetBitCount(8);
    EXPECT_EQ(c.GetPixel(0, 0), 1);
}

// ---- Blend arithmetic ------------------------------------------------------

namespace {

struct ArithCase {
    const char* name;
    int bits;
    int32_t dest, src, maskValue, param;
    std::function<void(TDIBX& d, TDIBX& s, TDIBX& m, int32_t param)> op;
    int32_t expected;
};

} // namespace

TEST(SurfaceArithmetic, OperationsFollowTheBlendRules) {
    const TRect one{0, 0, 1, 1};
    auto fillAlpha = [one](TDIBX& d, TDIBX& s, TDIBX&, int32_t a) { d.FillRectAlpha(one, s.GetPixel(0, 0), a); };
    auto fillAdd = [one](TDIBX& d, TDIBX& s, TDIBX&, int32_t) { d.FillRectAdd(one, s.GetPixel(0, 0)); };
    auto fillSub = [one](TDIBX& d, TDIBX& s, TDIBX&, int32_t) { d.FillRectSub(one, s.GetPixel(0, 0)); };
    auto drawMask = [one](TDIBX& d, TDIBX& s, TDIBX& m, int32_t) { d.DrawMask(0, 0, s, one, m); };
    auto drawAlpha = [one](TDIBX& d, TDIBX& s, TDIBX&, int32_t a) { d.DrawAlpha(0, 0, s, one, a, true); };
    auto drawAlphaMask = [one](TDIBX& d, TDIBX& s, TDIBX& m, int32_t a) { d.DrawAlphaMask(0, 0, s, one, m, a); };
    auto drawAdd = [one](TDIBX& d, TDIBX& s, TDIBX&, int32_t a) { d.DrawAdd(0, 0, s, one, a); };
    auto drawAddMask = [one](TDIBX& d, TDIBX& s, TDIBX& m, int32_t a) { d.DrawAddMask(0, 0, s, one, m, a); };
    auto fillMask = [one](TDIBX& d, TDIBX& s, TDIBX& m, int32_t a) { d.FillMask(0, 0, one, m, s.GetPixel(0, 0), a); };
    auto key = [](TDIBX&, TDIBX& s, TDIBX&, int32_t) { s.TransparentColor = s.GetPixel(0, 0); };
    auto keyThen = [key](auto op) {
        return [=](TDIBX& d, TDIBX& s, TDIBX& m, int32_t a) {
            key(d, s, m, a);
            op(d, s, m, a);
        };
    };
    const int32_t S = rgb(200, 100, 50), D = rgb(20, 60, 100);
    const auto r565 = [](int r, int g, int b) { return (r << 11) | (g << 5) | b; };

    const ArithCase cases[] = {
        {"fill alpha 128 on black", 32, 0, 0xFFFFFF, 0, 128, fillAlpha, rgb(127, 127, 127)},
        {"fill alpha 0 changes nothing", 32, D, S, 0, 0, fillAlpha, D},
        {"fill alpha 255 is not a copy", 32, D, rgb(128, 128, 128), 0, 255, fillAlpha, rgb(127, 127, 127)},
        {"fill alpha skips equal pixels", 32, S, S, 0, 255, fillAlpha, S},
        {"fill add saturates", 32, rgb(250, 10, 0), rgb(10, 10, 10), 0, 0, fillAdd, rgb(255, 20, 10)},
        {"fill sub floors at 0", 32, D, rgb(30, 30, 30), 0, 0, fillSub, rgb(0, 30, 70)},
        {"fill add 5-6-5 per channel", 16, r565(31, 10, 3), r565(5, 20, 4), 0, 0, fillAdd, r565(31, 30, 7)},
        {"fill sub 5-5-5", 15, (3 << 10) | (9 << 5) | 31, (5 << 10) | (4 << 5) | 1, 0, 0, fillSub, (5 << 5) | 30},
        {"mask 255 copies", 32, D, S, 255, 0, drawMask, S},
        {"mask 0 keeps", 32, D, S, 0, 0, drawMask, D},
        {"mask 128 blends", 32, D, S, 128, 0, drawMask, rgb(109, 79, 74)},
        {"alpha 64", 32, D, S, 0, 64, drawAlpha, rgb(64, 69, 87)},
        {"alpha leaves equal pixels", 32, S, S, 0, 200, drawAlpha, S},
        {"alpha leaves keyed pixels", 32, D, S, 0, 200, keyThen(drawAlpha), D},
        {"alpha mask 200 x 100", 32, D, S, 100, 200, drawAlphaMask, rgb(74, 71, 84)},
        {"alpha mask 0 keeps", 32, D, S, 0, 200, drawAlphaMask, D},
        {"alpha mask 255 x 255 blends at 254", 32, rgb(0, 0, 0), rgb(255, 255, 255), 255, 255, drawAlphaMask,
         rgb(253, 253, 253)},
        {"add 128", 32, D, S, 0, 128, drawAdd, rgb(120, 110, 125)},
        {"add 255 saturates", 32, rgb(200, 0, 10), 0xFFFFFF, 0, 255, drawAdd, rgb(255, 254, 255)},
        {"add leaves keyed pixels", 32, D, S, 0, 255, keyThen(drawAdd), D},
        {"add 5-6-5 saturates red alone", 16, r565(31, 10, 3), r565(5, 20, 4), 0, 255, drawAdd, r565(31, 29, 6)},
        {"add on palette indices caps", 8, 200, 100, 0, 1, drawAdd, 255},
        {"add mask 255 x 128", 32, D, S, 128, 255, drawAddMask, rgb(119, 109, 124)},
        {"fill mask weight m at alpha 255", 32, D, S, 255, 255, fillMask, rgb(199, 99, 49)},
        {"fill mask alpha 128", 32, D, S, 255, 128, fillMask, rgb(109, 79, 74)},
        {"fill mask keeps equal pixels", 32, S, S, 200, 255, fillMask, S},
        {"fill mask 0 keeps", 32, D, S, 0, 255, fillMask, D},
        {"mask 128 on 5-6-5", 16, r565(0, 0, 0), r565(31, 63, 31), 128, 0, drawMask, r565(15, 31, 15)},
        {"alpha 100 on 24 bits", 24, D, S, 0, 100, drawAlpha, rgb(90, 75, 80)},
    };
    for (const ArithCase& c : cases) {
        TDIBX d = filled(1, 1, c.bits, c.dest), s = filled(1, 1, c.bits, c.src), m = filled(1, 1, 8, c.maskValue);
        c.op(d, s, m, c.param);
        EXPECT_EQ(pixel1(d), c.expected) << c.name << ": got " << std::hex << pixel1(d);
    }
}

TEST(SurfaceArithmetic, DegenerateInputDrawsNothing) {
    TDIBX d = filled(4, 4, 32, 0x111111), s = filled(4, 4, 32, 0x222222), m = filled(4, 4, 8, 255);
    TDIBX s16 = filled(4, 4, 16, 0x3333), m32 = filled(4, 4, 32, 255);
    const TRect all{0, 0, 4, 4};
    d.Draw(0, 0, s16, all, false);          // mismatched formats
    d.DrawMask(0, 0, s, all, m32);          // mask not 8-bit
    d.DrawAlpha(0, 0, s, all, 0, false);    // zero alpha
    d.DrawAdd(0, 0, s, all, 0);             // zero amount
    d.Draw(0, 0, s, TRect{2, 2, 2, 4}, false); // empty source
    d.StretchDraw(TRect{0, 0, 0, 4}, s, all, 255, false);
    d.DrawRotate(1, 1, s, all, 0, 0, 10, 0, 256, 255, false);
    d.FillMask(0, 0, TRect{-1, 0, 2, 2}, m, 0x444444, 255); // outside the mask
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) ASSERT_EQ(d.GetPixel(x, y), 0x111111);
}

// ---- Clipping ----------------------------------------------------------------

namespace {

// A w x 1 strip whose pixel x holds x + 1.
TDIBX ramp(int32_t w) {
    TDIBX s(w, 1, 32);
    for (int32_t x = 0; x < w; ++x) s.SetPixel(x, 0, x + 1);
    return s;
}

std::vector<int32_t> row0(TDIBX& s) {
    std::vector<int32_t> v;
    for (int32_t x = 0; x < s.Width(); ++x) v.push_back(s.GetPixel(x, 0));
    return v;
}

} // namespace

TEST(SurfaceClip, AddClipClampsAndUnites) {
    TDIBX s(100, 50, 32);
    s.AddClip(TRect{200, 0, 300, 10});
    EXPECT_EQ(s.ClipRect.Right, 0);
    EXPECT_EQ(s.EffectiveClip(), (TRect{0, 0, 100, 50}));
    s.AddClip(TRect{-5, 10, 20, 20});
    EXPECT_EQ(s.ClipRect, (TRect{0, 10, 20, 20}));
    s.AddClip(TRect{50, 30, 60, 90});
    EXPECT_EQ(s.ClipRect, (TRect{0, 10, 60, 50}));
    s.ResetClip();
    EXPECT_EQ(s.EffectiveClip(), (TRect{0, 0, 100, 50}));
}

TEST(SurfaceClip, CutsMoveTheMatchingSourceSide) {
    const TDIBX blank(20, 1, 32);
    TDIBX src = ramp(20);
    {
        // Starting 10 pixels left of the clip, mirrored: the rightmost 10
        // source columns are the ones cut.
        TDIBX d(20, 1, 32);
        d.AddClip(TRect{10, 0, 20, 1});
        d.Draw(0, 0, src, TRect{0, 0, 20, 1}, false, true);
        EXPECT_EQ(row0(d), (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    }
    {
        // Unmirrored, the leftmost ones.
        TDIBX d(20, 1, 32);
        d.AddClip(TRect{10, 0, 20, 1});
        d.Draw(0, 0, src, TRect{0, 0, 20, 1}, false);
        EXPECT_EQ(d.GetPixel(10, 0), 11);
    }
    {
        // A source rectangle reaching outside the source is clamped, moving
        // the destination with it.
        TDIBX d(12, 1, 32);
        d.Draw(5, 0, src, TRect{-3, 0, 4, 1}, false);
        EXPECT_EQ(row0(d), (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4}));
        TDIBX f(12, 1, 32);
        f.Draw(0, 0, src, TRect{16, 0, 24, 1}, false, true); // mirrored: the far side moves the destination
        EXPECT_EQ(row0(f), (std::vector<int32_t>{0, 0, 0, 0, 20, 19, 18, 17, 0, 0, 0, 0}));
    }
}

TEST(SurfaceClip, DrawingOntoItselfReadsTheOldPixels) {
    TDIBX s = ramp(8);
    s.Draw(1, 0, s, TRect{0, 0, 7, 1}, false);
    EXPECT_EQ(row0(s), (std::vector<int32_t>{1, 1, 2, 3, 4, 5, 6, 7}));
    TDIBX m(8, 1, 8);
    m.Clear(128);
    TDIBX t = ramp(8);
    t.DrawMask(0, 0, t, TRect{1, 0, 8, 1}, m);
    EXPECT_EQ(t.GetPixel(0, 0), (128 * 2 + 127 * 1) >> 8);
}

// ---- Stretching, rotation, tiling, glyphs --------------------------------------

TEST(SurfaceStretch, NearestNeighbourSteps) {
    TDIBX src = ramp(4);
    TDIBX d(8, 1, 32);
    d.StretchDraw(TRect{0, 0, 8, 1}, src, TRect{0, 0, 4, 1}, 255, false);
    EXPECT_EQ(row0(d), (std::vector<int32_t>{1, 1, 2, 2, 3, 3, 4, 4}));
    d.StretchDraw(TRect{0, 0, 8, 1}, src, TRect{0, 0, 4, 1}, 255, false, true);
    EXPECT_EQ(row0(d), (std::vector<int32_t>{4, 4, 3, 3, 2, 2, 1, 1}));
    TDIBX h(2, 1, 32);
    h.StretchDraw(TRect{0, 0, 2, 1}, src, TRect{0, 0, 4, 1}, 255, false);
    EXPECT_EQ(row0(h), (std::vector<int32_t>{1, 3}));

    // A clipped stretch shows the same source columns as the whole one.
    TDIBX c(8, 1, 32);
    c.AddClip(TRect{3, 0, 6, 1});
    c.StretchDraw(TRect{0, 0, 8, 1}, src, TRect{0, 0, 4, 1}, 255, false);
    EXPECT_EQ(row0(c), (std::vector<int32_t>{0, 0, 0, 2, 3, 3, 0, 0}));
}

TEST(SurfaceStretch, DestinationsWiderThan1280Columns) {
    TDIBX src = ramp(2);
    TDIBX d(3000, 1, 32);
    d.StretchDraw(TRect{0, 0, 3000, 1}, src, TRect{0, 0, 2, 1}, 255, false);
    EXPECT_EQ(d.GetPixel(0, 0), 1);
    // The step is trunc(2 / 3000 * 65536) = 43, so column 1525 is the first
    // to reach source column 1.
    EXPECT_EQ(d.GetPixel(1524, 0), 1);
    EXPECT_EQ(d.GetPixel(1525, 0), 2);
    EXPECT_EQ(d.GetPixel(2999, 0), 2);
}

TEST(SurfaceRotate, QuarterTurnSwapsWidthAndHeight) {
    // 4 x 2 block, pixel (u, v) = 10 * v + u + 1, pivot at its centre (2, 1).
    TDIBX src(4, 2, 32);
    for (int32_t v = 0; v < 2; ++v)
        for (int32_t u = 0; u < 4; ++u) src.SetPixel(u, v, 10 * v + u + 1);
    const int32_t x = 10, y = 10;
    const TRect box = TCustomDIBX::RotatedBounds(x, y, false, false, 4, 2, 256, 256, 64, 2, 1);
    EXPECT_EQ(box, (TRect{10, 8, 12, 12}));
    TDIBX d(20, 20, 32);
    d.DrawRotate(x, y, src, TRect{0, 0, 4, 2}, 2, 1, 64, 256, 256, 255, false);
    for (int32_t Y = 0; Y < 20; ++Y)
        for (int32_t X = 0; X < 20; ++X) {
            // Turned a quarter clockwise on screen: destination (X, Y) shows
            // source (Y - y + 2, x - X + 1).
            const int32_t u = Y - y + 2, v = x - X + 1;
            const int32_t expected = box.contains(X, Y) ? 10 * v + u + 1 : 0;
            ASSERT_EQ(d.GetPixel(X, Y), expected) << X << "," << Y;
        }
}

TEST(SurfaceRotate, ZoomAndFlip) {
    TDIBX src = ramp(2);
    TDIBX d(8, 3, 32);
    d.DrawRotate(0, 0, src, TRect{0, 0, 2, 1}, 0, 0, 0, 512, 256, 255, false, true);
    EXPECT_EQ(row0(d), (std::vector<int32_t>{2, 2, 1, 0, 0, 0, 0, 0}));
}

TEST(SurfaceTile, TilesStartAtTheOffsetModuloTheTile) {
    TDIBX src = ramp(3);
    struct Case {
        int32_t offset, gap;
        std::vector<int32_t> expected;
    } cases[] = {
        {0, 0, {1, 2, 3, 1, 2, 3, 1, 2, 3, 1}},
        {-3, 0, {1, 2, 3, 1, 2, 3, 1, 2, 3, 1}}, // minus the tile width: a whole first tile
        {1, 0, {2, 3, 1, 2, 3, 1, 2, 3, 1, 2}},
        {-1, 0, {3, 1, 2, 3, 1, 2, 3, 1, 2, 3}},
        {0, 1, {1, 2, 3, 0, 1, 2, 3, 0, 1, 2}},
        {2, 2, {3, 0, 0, 1, 2, 3, 0, 0, 1, 2}},
    };
    for (const Case& c : cases) {
        TDIBX d(10, 1, 32);
        d.TileDraw(TRect{0, 0, 10, 1}, src, TRect{0, 0, 3, 1}, c.offset, 0, c.gap, 0);
        EXPECT_EQ(row0(d), c.expected) << "offset " << c.offset << " gap " << c.gap;
        EXPECT_EQ(d.ClipRect.Right, 0); // the clip is put back
    }
    TDIBX z(10, 1, 32);
    z.TileStretchDraw(TRect{1, 0, 10, 1}, src, TRect{0, 0, 3, 1}, 1, 0, 0, 0, 512, 256, 255, false);
    EXPECT_EQ(row0(z), (std::vector<int32_t>{0, 2, 2, 3, 3, 1, 1, 2, 2, 3}));
}

TEST(SurfaceTile, FillTiledWrapsBothWays) {
    TDIBX src = ramp(3);
    TDIBX d(7, 1, 32);
    d.FillTiled(TRect{0, 0, 7, 1}, src, false, false, -2, 0);
    EXPECT_EQ(row0(d), (std::vector<int32_t>{2, 3, 1, 2, 3, 1, 2}));
    d.FillTiled(TRect{0, 0, 7, 1}, src, true, false, 0, 0);
    EXPECT_EQ(row0(d), (std::vector<int32_t>{3, 2, 1, 3, 2, 1, 3}));
    // A left cut by the clip adds to the offset.
    TDIBX c(7, 1, 32);
    c.AddClip(TRect{2, 0, 7, 1});
    c.FillTiled(TRect{0, 0, 7, 1}, src, false, false, 0, 0);
    EXPECT_EQ(row0(c), (std::vector<int32_t>{0, 0, 3, 1, 2, 3, 1}));
    // Through a zoom of 2 and additively.
    TDIBX z(6, 1, 32);
    z.FillTiledStretch(TRect{0, 0, 6, 1}, src, false, false, 0, 0, 512, 256, 255, false);
    EXPECT_EQ(row0(z), (std::vector<int32_t>{1, 1, 2, 2, 3, 3}));
}

TEST(SurfaceGlyph, CountsInkPerBlock) {
    // A 4 x 4 glyph block with 8 ink (0) bits, drawn at scale 4.
    TDIBX g(4, 4, 1);
    g.Clear(1);
    for (int32_t i = 0; i < 8; ++i) g.SetPixel(i % 4, i / 4, 0);
    TDIBX d = filled(1, 1, 32, rgb(0, 0, 255));
    d.DrawGlyph1(0, 0, 4, 255, rgb(255, 0, 0), g, TRect{0, 0, 4, 4});
    EXPECT_EQ(pixel1(d), rgb(127, 0, 127));
    TDIBX e = filled(1, 1, 32, rgb(0, 0, 255));
    e.DrawGlyph1(0, 0, 4, 128, rgb(255, 0, 0), g, TRect{0, 0, 4, 4}); // ink 8 -> 4
    EXPECT_EQ(pixel1(e), rgb(63, 0, 191));
    TDIBX f = filled(1, 1, 24, 0);
    f.DrawGlyph1(0, 0, 4, 255, 0xFFFFFF, g, TRect{0, 0, 4, 4}); // 24 bits: not drawn
    EXPECT_EQ(pixel1(f), 0);
}

TEST(SurfacePalette, LookupDraws) {
    TDIBX idx(3, 1, 8);
    idx.SetPixel(0, 0, 0);
    idx.SetPixel(1, 0, 1);
    idx.SetPixel(2, 0, 2);
    int32_t lookup[256] = {};
    lookup[1] = rgb(100, 0, 0);
    lookup[2] = rgb(200, 200, 200);
    TDIBX d = filled(3, 1, 32, rgb(10, 10, 10));
    d.DrawPalette(0, 0, idx, TRect{0, 0, 3, 1}, lookup, 255, true);
    EXPECT_EQ(row0(d), (std::vector<int32_t>{rgb(200, 200, 200), rgb(100, 0, 0), 0}));
    TDIBX a = filled(3, 1, 32, rgb(10, 10, 10));
    a.DrawPaletteAdd(0, 0, idx, TRect{0, 0, 3, 1}, lookup, 128);
    EXPECT_EQ(a.GetPixel(2, 0), rgb(110, 110, 110));
}

TEST(SurfaceExtremes, AbsurdRectanglesZoomsAndGapsStayWithinTheArithmetic) {
    // Run under the sanitizers: any overflow aborts the test.
    const int32_t lo = INT32_MIN, hi = INT32_MAX;
    TDIBX one(1, 1, 32), mask(1, 1, 8);
    one.SetPixel(0, 0, 0x123456);
    mask.Clear(255);
    TDIBX d(16, 8, 32);
    d.StretchDraw(TRect{lo, lo, hi, hi}, one, TRect{0, 0, 1, 1}, 255, false);
    EXPECT_EQ(d.GetPixel(15, 7), 0x123456); // one pixel stretched over everything
    d.Clear(0);
    d.StretchDraw(TRect{0, 0, 16, 8}, one, TRect{lo, lo, hi, hi}, 255, false);
    d.StretchDraw(TRect{lo, 0, 4, 8}, one, TRect{lo, 0, hi, 1}, 255, false, true);
    d.Draw(hi, hi, one, TRect{lo, lo, hi, hi}, false, true, true);
    d.DrawRotate(hi, lo, one, TRect{lo, lo, hi, hi}, lo, hi, hi, hi, 1, 200, false);
    d.DrawRotateMask(3, 3, one, TRect{0, 0, 1, 1}, mask, lo, lo, 17, hi, hi, 255);
    d.TileDraw(TRect{lo, lo, hi, hi}, one, TRect{0, 0, 1, 1}, lo, hi, hi, lo);
    d.TileStretchDraw(TRect{lo, lo, hi, hi}, one, TRect{0, 0, 1, 1}, lo, hi, hi, hi, hi, hi, 255, false);
    d.TileStretchDrawMask(TRect{lo, 0, hi, 8}, one, TRect{0, 0, 1, 1}, mask, hi, lo, lo, lo, 1, 1, 300);
    d.FillTiledStretch(TRect{lo, lo, hi, hi}, one, true, true, lo, hi, 1, hi, 255, false);
    d.FillMask(lo, hi, TRect{0, 0, 1, 1}, mask, 1, 255);
    d.FrameRect(TRect{lo, lo, hi, hi}, hi, 0x010101);
    EXPECT_EQ(TCustomDIBX::RotatedBounds(hi, hi, true, true, hi, hi, hi, hi, 5, lo, lo).isEmpty(), false);
}
