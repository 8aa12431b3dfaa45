// The glyph operations the text renderer uses: 4-bit supersampled glyphs in
// three colours and 8-bit coverage in one, on hand-computed pixels.
#include "render/DIBX.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace nuvo;

namespace {

constexpr int32_t rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; }

TDIBX filled(int32_t w, int32_t h, int bits, int32_t pixel) {
    TDIBX s(w, h, bits);
    s.Clear(pixel);
    return s;
}

// A 4-bit glyph from rows of nibble digits ("1203").
TDIBX nibbles(std::initializer_list<const char*> rows) {
    const int32_t w = static_cast<int32_t>(std::strlen(*rows.begin())), h = static_cast<int32_t>(rows.size());
    TDIBX g(w, h, 4);
    int32_t y = 0;
    for (const char* r : rows) {
        for (int32_t x = 0; x < w; ++x) g.SetPixel(x, y, r[x] - '0');
        ++y;
    }
    return g;
}

TEST(GlyphDraw, FourBitBlocksWeighTheirThreeColours) {
    const int32_t text = rgb(200, 0, 0), outline = rgb(0, 100, 0), shadow = rgb(0, 0, 40), dest = rgb(8, 8, 8);
    struct Case {
        const char* name;
        std::initializer_list<const char*> glyph;
        int32_t scale, alpha;
        int32_t expected;
    } cases[] = {
        // A full block of one colour gives it exactly, even at alpha 255.
        {"full text block", {"11", "11"}, 2, 255, text},
        {"full outline block", {"22", "22"}, 2, 300, outline},
        // Two text, one outline, one empty pixel of four: weights 512, 256 and
        // 256 of 1024 per channel, divided exactly.
        {"mixed block", {"12", "10"}, 2, 255, rgb((200 * 512 + 8 * 256) / 1024, (100 * 256 + 8 * 256) / 1024, 8 * 256 / 1024)},
        // Alpha 128 weighs each pixel 128 of 256.
        {"half alpha", {"33", "33"}, 2, 128, rgb((8 * 512) / 1024, (8 * 512) / 1024, (40 * 512 + 8 * 512) / 1024)},
        // Values 4..15 carry no ink.
        {"no ink", {"45", "F0"}, 2, 255, dest},
        // Scale 1: every pixel its own block.
        {"scale 1", {"1"}, 1, 255, text},
    };
    for (const Case& c : cases) {
        TDIBX g = nibbles(c.glyph);
        TDIBX d = filled(1, 1, 32, dest);
        d.DrawGlyph4(0, 0, c.scale, c.alpha, text, outline, shadow, g, TRect{0, 0, g.Width(), g.Height()});
        EXPECT_EQ(d.GetPixel(0, 0), c.expected) << c.name;
    }
}

TEST(GlyphDraw, FourBitLayoutFlipsAndFormats) {
    // The left pixel sits in the high nibble: byte 0x13 is text then shadow.
    TDIBX g(2, 1, 4);
    g.ScanLine(0)[0] = 0x13;
    TDIBX d = filled(2, 1, 32, 0);
    d.DrawGlyph4(0, 0, 1, 255, rgb(1, 1, 1), rgb(2, 2, 2), rgb(3, 3, 3), g, TRect{0, 0, 2, 1});
    EXPECT_EQ(d.GetPixel(0, 0), rgb(1, 1, 1));
    EXPECT_EQ(d.GetPixel(1, 0), rgb(3, 3, 3));
    TDIBX flipped = filled(2, 1, 32, 0);
    flipped.DrawGlyph4(0, 0, 1, 255, rgb(1, 1, 1), rgb(2, 2, 2), rgb(3, 3, 3), g, TRect{0, 0, 2, 1}, true);
    EXPECT_EQ(flipped.GetPixel(0, 0), rgb(3, 3, 3));
    // 5-6-5: each channel of the pixel value weighed alike.
    TDIBX d16 = filled(1, 1, 16, 0);
    TDIBX half = nibbles({"10"});
    d16.DrawGlyph4(0, 0, 1, 255, 0xF800, 0, 0, half, TRect{0, 0, 1, 1});
    EXPECT_EQ(d16.GetPixel(0, 0), 0xF800);
    // Clipped: a draw starting left of the clip drops its left column.
    TDIBX c = filled(2, 1, 32, 0);
    c.AddClip(TRect{1, 0, 2, 1});
    TDIBX two = nibbles({"12"});
    c.DrawGlyph4(0, 0, 1, 255, rgb(9, 9, 9), rgb(5, 5, 5), 0, two, TRect{0, 0, 2, 1});
    EXPECT_EQ(c.GetPixel(0, 0), 0);
    EXPECT_EQ(c.GetPixel(1, 0), rgb(5, 5, 5));
    // Formats other than 15, 16 and 32 bits, scale 0 and alpha 0 draw nothing.
    TDIBX d24 = filled(1, 1, 24, 0);
    d24.DrawGlyph4(0, 0, 1, 255, 0xFFFFFF, 0, 0, half, TRect{0, 0, 1, 1});
    TDIBX z = filled(1, 1, 32, 0);
    z.DrawGlyph4(0, 0, 0, 255, 0xFFFFFF, 0, 0, half, TRect{0, 0, 1, 1});
    z.DrawGlyph4(0, 0, 1, 0, 0xFFFFFF, 0, 0, half, TRect{0, 0, 1, 1});
    EXPECT_EQ(d24.GetPixel(0, 0), 0);
    EXPECT_EQ(z.GetPixel(0, 0), 0);
}

TEST(GlyphDraw, CoverageCopiesFullInkAndBlendsEdges) {
    TDIBX cov(4, 1, 8);
    const uint8_t values[] = {0, 255, 128, 64};
    for (int32_t x = 0; x < 4; ++x) cov.SetPixel(x, 0, values[x]);
    const int32_t ink = rgb(255, 255, 255), bg = rgb(0, 0, 0);
    for (int bits : {32, 16}) {
        TDIBX d = filled(4, 1, bits, bits == 32 ? bg : 0);
        const int32_t px = d.ColorToPixel(0xFFFFFF);
        d.DrawGlyph8(0, 0, 255, px, cov, TRect{0, 0, 4, 1});
        EXPECT_EQ(d.GetPixel(0, 0), 0) << bits;
        EXPECT_EQ(d.GetPixel(1, 0), px) << bits << ": full ink is the colour exactly";
        if (bits == 32) {
            EXPECT_EQ(d.GetPixel(2, 0), rgb(127, 127, 127));
            EXPECT_EQ(d.GetPixel(3, 0), rgb(63, 63, 63));
        }
    }
    // At alpha 128 full ink weighs 127.
    TDIBX a = filled(2, 1, 32, bg);
    a.DrawGlyph8(0, 0, 128, ink, cov, TRect{0, 0, 2, 1});
    EXPECT_EQ(a.GetPixel(1, 0), rgb(126, 126, 126));
    // Partly outside the destination.
    TDIBX p = filled(2, 1, 32, bg);
    p.DrawGlyph8(-1, 0, 255, ink, cov, TRect{0, 0, 4, 1});
    EXPECT_EQ(p.GetPixel(0, 0), ink);
    EXPECT_EQ(p.GetPixel(1, 0), rgb(127, 127, 127));
}

} // namespace
