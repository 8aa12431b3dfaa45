// The decoder bitmap: its layer blends per format, masks, crops and resampling.
#include "render/DIBSurface.h"

#include <gtest/gtest.h>

using namespace nuvo;

TEST(DIBSurface, ComposeFollowsEachFormatsLayerRule) {
    struct Case {
        const char* name;
        int bits;
        int32_t dest, src, opacity, key;
        int32_t expected;
    } cases[] = {
        {"24: div 255", 24, 0x000000, 0xFFFFFF, 128, -1, 0x808080},
        {"32: shift 8, fourth byte 0", 32, static_cast<int32_t>(0xFF000000u), 0xFFFFFF, 128, -1, 0x7F7F7F},
        {"16: per channel div 255", 16, 0, 0xFFFF, 128, -1, (15 << 11) | (31 << 5) | 15}, // 128*31/255, 128*63/255
        {"15: per channel div 255", 15, 0, 0x7FFF, 51, -1, (6 << 10) | (6 << 5) | 6},
        {"negative opacity copies", 24, 0x010203, 0x0A0B0C, -5, -1, 0x0A0B0C},
        {"key left out when copying", 24, 0x010203, 0x0A0B0C, 255, 0x0A0B0C, 0x010203},
        {"key left out when blending", 24, 0x010203, 0x0A0B0C, 100, 0x0A0B0C, 0x010203},
        {"opacity 0 does nothing", 24, 0x010203, 0x0A0B0C, 0, -1, 0x010203},
    };
    for (const Case& c : cases) {
        TDIBSurface d(1, 1, c.bits), s(1, 1, c.bits);
        d.SetPixel(0, 0, c.dest);
        s.SetPixel(0, 0, c.src);
        d.Compose(0, 0, c.opacity, c.key, TRect{0, 0, 1, 1}, s);
        EXPECT_EQ(d.GetPixel(0, 0), c.expected) << c.name;
    }
}

TEST(DIBSurface, PaletteLayersDitherInSixteenLevels) {
    TDIBSurface d(4, 4, 8), s(4, 4, 8);
    s.Clear(9);
    d.Compose(0, 0, 8 * 16, -1, TRect{0, 0, 4, 4}, s); // level 8: half the pattern
    int taken = 0;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            const bool expected = 8 > orderedDitherValue(x, y);
            EXPECT_EQ(d.GetPixel(x, y) == 9, expected) << x << "," << y;
            taken += d.GetPixel(x, y) == 9;
        }
    EXPECT_EQ(taken, 8);
    TDIBSurface e(4, 4, 8);
    e.Compose(0, 0, 15 * 16, -1, TRect{0, 0, 4, 4}, s); // 15 and up copy
    EXPECT_EQ(e.GetPixel(0, 0), 9);
    EXPECT_EQ(e.GetPixel(3, 3), 9);
}

TEST(DIBSurface, ComposeMaskedWeights) {
    TDIBSurface s(3, 1, 24);
    s.Clear(0xC8C8C8);
    s.CreateMask();
    s.Mask->SetPixel(0, 0, 255);
    s.Mask->SetPixel(1, 0, 100);
    s.Mask->SetPixel(2, 0, 1);
    TDIBSurface full(3, 1, 24);
    full.ComposeMasked(0, 0, 255, TRect{0, 0, 3, 1}, s);
    EXPECT_EQ(full.GetPixel(0, 0), 0xC8C8C8);
    EXPECT_EQ(full.GetPixel(1, 0), 0x4E4E4E); // 100 * 200 >> 8
    EXPECT_EQ(full.GetPixel(2, 0), 0);        // 200 >> 8
    TDIBSurface half(3, 1, 24);
    half.ComposeMasked(0, 0, 128, TRect{0, 0, 3, 1}, s);
    EXPECT_EQ(half.GetPixel(0, 0), 0x636363); // w = 128 * 255 >> 8 = 127: 127 * 200 >> 8
    EXPECT_EQ(half.GetPixel(1, 0), 0x272727); // w = 50
    EXPECT_EQ(half.GetPixel(2, 0), 0);        // 128 * 1 < 256: left alone
}

TEST(DIBSurface, MaskFollowsTheSizeCropAndDuplicate) {
    TDIBSurface s(4, 3, 24);
    s.CreateMask();
    s.SetSize(6, 5, 24);
    ASSERT_TRUE(s.HasMask());
    EXPECT_EQ(s.Mask->Width(), 6);
    s.SetPixel(2, 1, 0xABCDEF);
    s.Mask->SetPixel(2, 1, 77);
    s.TransparentColor = 5;
    s.Crop(TRect{2, 1, 10, 3});
    EXPECT_EQ(s.Width(), 4);
    EXPECT_EQ(s.Height(), 2);
    EXPECT_EQ(s.GetPixel(0, 0), 0xABCDEF);
    EXPECT_EQ(s.Mask->GetPixel(0, 0), 77);
    EXPECT_EQ(s.TransparentColor, 5);
    EXPECT_EQ(s.ContentBox(0), (TRect{0, 0, 1, 1}));
    TDIBSurface c;
    c.Duplicate(s);
    EXPECT_EQ(c.GetPixel(0, 0), 0xABCDEF);
    ASSERT_TRUE(c.HasMask());
    s.DropMask();
    c.Duplicate(s);
    EXPECT_FALSE(c.HasMask());
    TDIBSurface blank(3, 3, 8);
    blank.CropToContent(0);
    EXPECT_EQ(blank.Width(), 1);
}

TEST(DIBSurface, ResampleAveragesAndInterpolates) {
    TDIBSurface s(4, 2, 24);
    for (int32_t x = 0; x < 4; ++x) {
        s.SetPixel(x, 0, x < 2 ? 0x000000 : 0xFFFFFF);
        s.SetPixel(x, 1, x < 2 ? 0x646464 : 0xFFFFFF);
    }
    s.Resample(2, 1);
    EXPECT_EQ(s.GetPixel(0, 0), 0x323232); // (0 + 0 + 100 + 100) / 4
    EXPECT_EQ(s.GetPixel(1, 0), 0xFFFFFF);
    TDIBSurface g(2, 1, 32);
    g.SetPixel(0, 0, 0x000000);
    g.SetPixel(1, 0, 0xC8C8C8);
    g.Resample(4, 1);
    EXPECT_EQ(g.BitCount(), 32);
    EXPECT_EQ(g.GetPixel(0, 0), 0x000000);
    EXPECT_EQ(g.GetPixel(1, 0), 0x323232); // a quarter of the way
    EXPECT_EQ(g.GetPixel(3, 0), 0xC8C8C8);
}
