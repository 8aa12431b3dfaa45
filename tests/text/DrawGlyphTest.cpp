// Drawing a cached glyph with outline, shadow and lines into a colour and a
// mask surface, on glyphs made by hand and pixels worked out by hand.
#include "text/FontPixel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvo {
namespace {

constexpr int32_t kText = 0xFFFFFF, kOutline = 0x0000FF, kShadow = 0x00FF00, kOld = 0x123456;

// A glyph of one font height with the given coverage rows ('#' 255, '+' 128, '.' 0).
TFontPixel glyphOf(std::initializer_list<const char*> rows, int32_t height = 8) {
    TFontPixel g;
    g.Height = height;
    const int32_t w = static_cast<int32_t>(std::string(*rows.begin()).size()), h = static_cast<int32_t>(rows.size());
    g.Coverage = std::make_unique<TDIBX>(w, h, 8);
    int32_t y = 0;
    for (const char* r : rows) {
        for (int32_t x = 0; x < w; ++x) g.Coverage->SetPixel(x, y, r[x] == '#' ? 255 : r[x] == '+' ? 128 : 0);
        ++y;
    }
    g.AbcB = w;
    g.AbcC = height - w;
    return g;
}

struct Canvas {
    TDIBX colour{12, 12, 32};
    TDIBX mask{12, 12, 8};
    Canvas() {
        colour.Clear(kOld);
        mask.Clear(0);
    }
    // The mask as rows of two-digit hex values for the rows asked.
    std::vector<std::string> maskRows(int32_t top, int32_t bottom, int32_t left, int32_t right) const {
        std::vector<std::string> rows;
        for (int32_t y = top; y < bottom; ++y) {
            std::string r;
            for (int32_t x = left; x < right; ++x) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(mask.GetPixel(x, y)));
                r += (x > left ? " " : "") + std::string(hex);
            }
            rows.push_back(r);
        }
        return rows;
    }
};

TRect draw(Canvas& c, const TFontPixel& g, int32_t w, int32_t d, TRect cell, bool joinLeft = false, bool joinRight = false,
           const TRect* clip = nullptr, bool clear = false) {
    return TFontPixelManager::DrawGlyph(g, c.colour, c.mask, clear, kShadow, kOutline, kText, joinLeft, joinRight, d, w,
                                        cell, clip);
}

TEST(DrawGlyph, BodyOnly) {
    // Full ink takes the text colour exactly and coverage goes to the mask.
    Canvas c;
    const TFontPixel g = glyphOf({"#+"});
    const TRect touched = draw(c, g, 0, 0, TRect{2, 3, 10, 11});
    EXPECT_EQ(touched, (TRect{2, 3, 4, 4}));
    EXPECT_EQ(c.mask.GetPixel(2, 3), 255);
    EXPECT_EQ(c.mask.GetPixel(3, 3), 128);
    EXPECT_EQ(c.colour.GetPixel(2, 3), kText);
    EXPECT_EQ(c.colour.GetPixel(3, 3), kText) << "on an empty mask the ink's own colour, whatever its coverage";
    EXPECT_EQ(c.colour.GetPixel(4, 3), kOld);
    EXPECT_EQ(c.mask.GetPixel(1, 3) + c.mask.GetPixel(4, 3) + c.mask.GetPixel(2, 4), 0);
}

TEST(DrawGlyph, OutlineSpreadsEveryInkPixelOverItsSquare) {
    Canvas c;
    // One full pixel, outline 1: the 3 x 3 square around it.
    const TFontPixel dot = glyphOf({"#"});
    EXPECT_EQ(draw(c, dot, 1, 0, TRect{2, 2, 10, 10}), (TRect{2, 2, 5, 5}));
    EXPECT_EQ(c.maskRows(1, 6, 1, 6), (std::vector<std::string>{"00 00 00 00 00", "00 FF FF FF 00", "00 FF FF FF 00",
                                                                 "00 FF FF FF 00", "00 00 00 00 00"}));
    EXPECT_EQ(c.colour.GetPixel(2, 2), kOutline);
    EXPECT_EQ(c.colour.GetPixel(3, 3), kText);
    // Two half-inked neighbours: a pixel both reach is covered
    // 1 - (1 - 1/2)^2; the body blends the text over the outline colour.
    Canvas h;
    const TFontPixel pair = glyphOf({"++"});
    draw(h, pair, 1, 0, TRect{2, 2, 10, 10});
    // Body pixels: the neighbour's spread gave 128 in the outline colour, the
    // pixel's own ink raises the mask to 128 + 128*127/255 = 191.
    EXPECT_EQ(h.maskRows(2, 5, 2, 6), (std::vector<std::string>{"80 C0 C0 80", "80 BF BF 80", "80 C0 C0 80"}));
    EXPECT_EQ(h.colour.GetPixel(2, 2), kOutline);
    EXPECT_EQ(h.colour.GetPixel(3, 3), 0x7F7FFE) << "(128*text + 127*outline) / 256 per channel";
}

TEST(DrawGlyph, ShadowIsTheOutlinedShapeMovedAndDrawnFirst) {
    Canvas c;
    const TFontPixel dot = glyphOf({"#"});
    // Shadow 2 without outline: the dot again two pixels right and down.
    EXPECT_EQ(draw(c, dot, 0, 2, TRect{2, 2, 10, 10}), (TRect{2, 2, 5, 5}));
    EXPECT_EQ(c.colour.GetPixel(2, 2), kText);
    EXPECT_EQ(c.colour.GetPixel(4, 4), kShadow);
    EXPECT_EQ(c.mask.GetPixel(4, 4), 255);
    EXPECT_EQ(c.mask.GetPixel(3, 3), 0);
    // With outline 1: the shadow is the whole 3 x 3 square, under the outline.
    Canvas o;
    draw(o, dot, 1, 1, TRect{2, 2, 10, 10});
    EXPECT_EQ(o.colour.GetPixel(3, 3), kText);
    EXPECT_EQ(o.colour.GetPixel(4, 4), kOutline) << "the outline is drawn over the shadow";
    EXPECT_EQ(o.colour.GetPixel(5, 5), kShadow);
    EXPECT_EQ(o.colour.GetPixel(5, 3), kShadow);
    EXPECT_EQ(o.mask.GetPixel(2, 5), 0);
}

TEST(DrawGlyph, LinesRunTheWidthOfTheCellAndOnIntoJoinedNeighbours) {
    // An empty glyph underlined and struck out at row 1 (1 pixel each),
    // in a cell 4 wide at (2, 2) with shadow 1: the cell's band is 4 wide
    // without joins; a join on the right reaches the cell's last column, a
    // join on the left lets the shadow start at the cell's first column.
    TFontPixel g;
    g.Height = 4;
    g.UnderlineSize = 1;
    g.StrikePos = 1;
    g.StrikeSize = 1;
    const TRect cell{2, 2, 6, 6};
    const TRect outer{2, 2, 7, 7};
    struct Case {
        bool left, right;
        std::vector<std::string> rows;
    } cases[] = {
        // Rows: nothing, strikeout, its shadow, underline, its shadow.
        {false, false, {"00 00 00 00 00", "FF FF FF FF 00", "00 FF FF FF FF", "FF FF FF FF 00", "00 FF FF FF FF"}},
        {false, true, {"00 00 00 00 00", "FF FF FF FF FF", "00 FF FF FF FF", "FF FF FF FF FF", "00 FF FF FF FF"}},
        {true, false, {"00 00 00 00 00", "FF FF FF FF 00", "FF FF FF FF FF", "FF FF FF FF 00", "FF FF FF FF FF"}},
    };
    for (const Case& k : cases) {
        Canvas c;
        draw(c, g, 0, 1, cell, k.left, k.right, &outer);
        EXPECT_EQ(c.maskRows(2, 7, 2, 7), k.rows) << k.left << k.right;
        EXPECT_EQ(c.colour.GetPixel(2, 3), kText);
        EXPECT_EQ(c.colour.GetPixel(6, 4), kShadow);
    }
}

TEST(DrawGlyph, ClearClipAndFormats) {
    const TFontPixel dot = glyphOf({"#"});
    // Clear zeroes the mask over the cell first; nothing is written outside clip.
    Canvas c;
    c.mask.Clear(7);
    const TRect clip{3, 3, 12, 12};
    draw(c, dot, 1, 0, TRect{2, 2, 6, 6}, false, false, &clip, true);
    EXPECT_EQ(c.mask.GetPixel(2, 2), 7) << "outside the clip";
    EXPECT_EQ(c.mask.GetPixel(5, 5), 0) << "cleared";
    EXPECT_EQ(c.mask.GetPixel(3, 3), 255);
    EXPECT_EQ(c.mask.GetPixel(8, 8), 7) << "beyond the cell and the glyph";
    // 16-bit colour surfaces take pixels of their format; 24-bit ones nothing.
    TDIBX c16(4, 4, 16), m(4, 4, 8), c24(4, 4, 24);
    c16.Clear(0);
    m.Clear(0);
    c24.Clear(0);
    TFontPixelManager::DrawGlyph(dot, c16, m, false, 0, 0, 0xF800, false, false, 0, 0, TRect{0, 0, 4, 4});
    EXPECT_EQ(c16.GetPixel(0, 0), 0xF800);
    EXPECT_TRUE(TFontPixelManager::DrawGlyph(dot, c24, m, false, 0, 0, 0xFFFFFF, false, false, 0, 0, TRect{1, 1, 4, 4}).isEmpty());
    EXPECT_EQ(c24.GetPixel(1, 1), 0);
}

TEST(DrawGlyph, NarrowGlyphsSitAtTheirFontPlaceInAWideCell) {
    // A half-width glyph: 6 ink pixels, 1 each side, advance 8, in a 16-pixel
    // cell of a 16-pixel font: centred, as in the font.
    TFontPixel half = glyphOf({"######"}, 16);
    half.AbcA = 1;
    half.AbcC = 1;
    half.OriginX = 1;
    half.ExtraAdvance = 1;
    EXPECT_EQ(TFontPixelManager::Place(half, TRect{10, 0, 26, 16}, 0).x, 15);
    EXPECT_EQ(TFontPixelManager::Place(half, TRect{10, 0, 26, 16}, 2).x, 17) << "the outline width comes on top";
    // In a cell as wide as its advance nothing moves.
    EXPECT_EQ(TFontPixelManager::Place(half, TRect{10, 0, 18, 16}, 0).x, 11);
    // A glyph without an advance is never divided by it.
    TFontPixel none = glyphOf({"#"}, 16);
    none.AbcA = none.AbcB = none.AbcC = 0;
    none.AbcB = 0;
    EXPECT_EQ(TFontPixelManager::Place(none, TRect{0, 0, 16, 16}, 0).x, 0);
}

} // namespace
} // namespace nuvo
