// A scene composed with most drawing operations, compared pixel for pixel
// with a reference picture that was inspected by eye when it was made
// (tests/golden/render/scene.png, support/Golden.h). Every kernel level must
// produce it.
#include "render/DIBSurface.h"
#include "render/KernelLevel.h"
#include "support/Golden.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace nuvo;

namespace {

void composeScene(TDIBX& screen) {
    const int32_t W = screen.Width(), H = screen.Height();
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) screen.SetPixel(x, y, (x * 255 / W) << 16 | (y * 255 / H) << 8 | 0x40);

    // A sprite: diagonal bands, with a soft round mask and a colour key.
    TDIBX sprite(24, 24, 32), mask(24, 24, 8);
    for (int32_t y = 0; y < 24; ++y)
        for (int32_t x = 0; x < 24; ++x) {
            const int band = ((x + y) / 4) % 3;
            sprite.SetPixel(x, y, band == 0 ? 0xFFE000 : band == 1 ? 0x2040FF : 0xFFFFFF);
            const double d = std::hypot(x - 11.5, y - 11.5);
            mask.SetPixel(x, y, d < 8 ? 255 : d < 12 ? static_cast<int32_t>((12 - d) * 63) : 0);
        }
    sprite.SetPixel(0, 0, 0x00FF00);
    sprite.TransparentColor = 0x00FF00;
    const TRect all{0, 0, 24, 24};

    screen.DrawMask(6, 6, sprite, all, mask);
    screen.DrawAlphaMask(34, 6, sprite, all, mask, 128);
    screen.DrawAddMask(62, 6, sprite, all, mask, 200);
    screen.DrawMask(90, 6, sprite, TRect{4, 0, 24, 24}, mask, true, false);
    screen.DrawAlpha(116, 6, sprite, all, 100, true);
    screen.DrawAdd(136, 6, sprite, TRect{0, 0, 24, 12}, 90);

    screen.StretchDraw(TRect{6, 36, 54, 60}, sprite, all, 255, true);
    screen.StretchDrawMask(TRect{58, 34, 98, 64}, sprite, all, mask, 255, false, true);
    screen.StretchDrawAddMask(TRect{100, 36, 112, 48}, sprite, all, mask, 255);
    screen.DrawRotateMask(134, 52, sprite, all, mask, 12, 12, 32, 300, 200, 255);
    screen.DrawRotate(124, 86, sprite, TRect{0, 0, 24, 12}, 12, 6, -20, 256, 256, 160, true);

    TDIBX checker(8, 8, 32);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) checker.SetPixel(x, y, ((x / 4) ^ (y / 4)) ? 0x303030 : 0xD0D0D0);
    screen.TileDrawAlpha(TRect{0, 70, 100, 100}, checker, TRect{0, 0, 8, 8}, 3, 5, 1, 1, 180);
    screen.FillTiled(TRect{0, 104, 40, 120}, checker, false, false, -2, 0);
    screen.FillTiledStretchMask(TRect{44, 100, 110, 120}, sprite, mask, false, false, 0, 0, 128, 128, 255);

    screen.FillRectAlpha(TRect{112, 100, 160, 120}, screen.ColorToPixel(0x0000FF), 120);
    screen.FrameRect(TRect{110, 98, 160, 120}, 2, screen.ColorToPixel(0xFFFFFF));
    screen.FillRectAdd(TRect{0, 62, 160, 68}, 0x202020);
    screen.FillRectSub(TRect{0, 68, 160, 70}, 0x808080);

    // A glyph: a 1-bit "A"-like shape drawn at a quarter of its size.
    TDIBX glyph(32, 32, 1);
    glyph.Clear(1);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            const int32_t half = y / 2;
            if ((std::abs(x - 16) >= half - 3 && std::abs(x - 16) <= half && y > 2) || (y >= 18 && y <= 21 && std::abs(x - 16) < half))
                glyph.SetPixel(x, y, 0);
        }
    screen.DrawGlyph1(116, 70, 4, 255, screen.ColorToPixel(0x000000), glyph, TRect{0, 0, 32, 32});
    screen.DrawGlyph1(128, 70, 4, 128, screen.ColorToPixel(0x0000FF), glyph, TRect{0, 0, 32, 32}, true);
}

} // namespace

// The reference is drawn at the reference level (and rewritten from it by
// NUVO_UPDATE_GOLDEN); every other level must draw the same picture.
TEST(GoldenScene, EveryLevelDrawsTheReferencePicture) {
    test::GoldenSet golden("render");
    bool first = true;
    for (TKernelLevel level : {TKernelLevel::Reference, TKernelLevel::Scalar, TKernelLevel::Sse2, TKernelLevel::Avx2}) {
        if (!kernelLevelSupported(level)) continue;
        const TKernelLevel old = setKernelLevel(level);
        TDIBX scene(160, 120, 32);
        composeScene(scene);
        setKernelLevel(old);
        const std::string diff = first ? golden.compare(scene, "scene") : golden.compareOnly(scene, "scene");
        EXPECT_EQ(diff, "") << kernelLevelName(level);
        first = false;
    }
}
