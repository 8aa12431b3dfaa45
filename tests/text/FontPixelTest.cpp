// The glyph cache: glyph fields from the font, the coverage levels, the
// least-recently-used list and its byte budget, the default face, spaces,
// missing characters, made-up bold and italic, and the failure rules.
#include "base/Cp932.h"
#include "base/Error.h"
#include "support/TestSupport.h"
#include "platform/Fonts.h"
#include "text/FontPixel.h"
#include "text/TestFonts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace nuvo {
namespace {

using test::sj;

// What a face gives for a code point, and how often it was asked.
class FakeFace final : public platform::IFontFace {
public:
    platform::FontMetrics metrics;
    platform::GlyphImage image;
    bool failGrey = false;
    int renders = 0;
    const platform::FontMetrics& Metrics() const override { return metrics; }
    bool Render(int32_t, platform::GlyphMode mode, platform::GlyphImage& out) override {
        ++renders;
        if (failGrey && mode == platform::GlyphMode::Grey) return false;
        out = image;
        return true;
    }
};

class FakeEngine final : public platform::IFontEngine {
public:
    bool noFace = false;
    bool failGrey = false;
    platform::GlyphImage image;
    int32_t lastHeight = 0;
    bool IsInstalled(std::string_view) override { return true; }
    std::unique_ptr<platform::IFontFace> OpenFace(std::string_view, int32_t height, bool, bool) override {
        lastHeight = height;
        if (noFace) return nullptr;
        auto f = std::make_unique<FakeFace>();
        f->metrics.height = height;
        f->metrics.ascent = 10;
        f->metrics.descent = 2;
        f->metrics.cellHeight = 12;
        f->metrics.underlineSize = 2;
        f->metrics.strikePosition = 4;
        f->metrics.strikeSize = 1;
        f->image = image;
        f->failGrey = failGrey;
        return f;
    }
};

platform::GlyphImage inkBox(int32_t w, int32_t h, int32_t left, int32_t top, int32_t advance, uint8_t value = 255) {
    platform::GlyphImage g;
    g.width = w;
    g.height = h;
    g.left = left;
    g.top = top;
    g.advance = advance;
    g.coverage.assign(static_cast<size_t>(w) * h, value);
    return g;
}

TEST(GlyphCache, FieldsComeFromTheGlyphAsDrawn) {
    struct Case {
        const char* name;
        platform::GlyphImage image;
        uint8_t style;
        int32_t originX, originY, extraAdvance, a, b, c, underline, strikePos, strikeSize;
    } cases[] = {
        {"plain", inkBox(6, 8, 1, 9, 10), 0, 1, 1, 3, 1, 6, 3, 0, 0, 0},
        // Ink left of the pen: OriginX is never negative; C may be.
        {"overhang", inkBox(12, 8, -2, 9, 10), 0, 0, 1, 0, -2, 12, 0, 0, 0, 0},
        // Ink above the ascent: OriginY is never negative.
        {"tall", inkBox(4, 14, 0, 12, 10), 0, 0, 0, 6, 0, 4, 6, 0, 0, 0},
        // Underline and strikeout only when asked: the face's thickness, and
        // the strikeout's place measured from the top (ascent - position).
        {"lines", inkBox(6, 8, 1, 9, 10), kStyleUnderline | kStyleStrikeOut, 1, 1, 3, 1, 6, 3, 2, 6, 1},
        // No ink: the whole advance is the text width.
        {"space", platform::GlyphImage{0, 0, 0, 0, 7, {}}, 0, 0, 0, 7, 0, 0, 7, 0, 0, 0},
    };
    for (const Case& c : cases) {
        FakeEngine engine;
        engine.image = c.image;
        TFontPixelManager cache(engine);
        const TFontPixel& g = cache.GetGlyph('A', "F", c.style, 16);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(g.OriginX, c.originX);
        EXPECT_EQ(g.OriginY, c.originY);
        EXPECT_EQ(g.ExtraAdvance, c.extraAdvance);
        EXPECT_EQ(g.AbcA, c.a);
        EXPECT_EQ(g.AbcB, c.b);
        EXPECT_EQ(g.AbcC, c.c);
        EXPECT_EQ(g.UnderlineSize, c.underline);
        EXPECT_EQ(g.StrikePos, c.strikePos);
        EXPECT_EQ(g.StrikeSize, c.strikeSize);
        EXPECT_EQ(g.Coverage != nullptr, c.image.width > 0);
    }
}

TEST(GlyphCache, CoverageLevels) {
    struct Case {
        int32_t level;
        uint8_t grey, coverage;
    } cases[] = {
        {0, 0, 0},    {0, 1, 255},   {0, 255, 255},
        // Level 1 reduces to 5 values: 128 -> 2 -> 127.
        {1, 128, 127}, {1, 31, 0},   {1, 32, 79},   {1, 255, 255},
        {2, 128, 159}, {2, 7, 0},    {2, 8, 43},
        {3, 128, 143}, {3, 1, 0},    {3, 2, 18},    {3, 255, 255},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TFontPixelManager::LevelCoverage(c.level, c.grey), c.coverage) << c.level << " " << int(c.grey);
    EXPECT_EQ(TFontPixelManager::LevelTable(1)[2], 127);

    // A real render off the pixel grid holds only the level's values.
    NUVO_REQUIRE_TEST_FONT();
    TFontPixelManager cache(test::testFontEngine());
    for (int32_t level : {1, 2}) {
        cache.SetLevel(level);
        const TFontPixel& g = cache.GetGlyph(sj("あ")[0] << 8 | static_cast<uint8_t>(sj("あ")[1]), test::kTestFace, 0, 13);
        ASSERT_TRUE(g.Coverage);
        const std::vector<uint8_t>& table = TFontPixelManager::LevelTable(level);
        bool grey = false;
        for (int32_t y = 0; y < g.BitmapHeight(); ++y)
            for (int32_t x = 0; x < g.BitmapWidth(); ++x) {
                const auto v = static_cast<uint8_t>(g.Coverage->GetPixel(x, y));
                EXPECT_NE(std::find(table.begin(), table.end(), v), table.end()) << level << ": " << int(v);
                grey |= v != 0 && v != 255;
            }
        EXPECT_TRUE(grey) << "13 pixels is off the grid: edges are grey";
        EXPECT_EQ(g.Level, level);
    }
}

TEST(GlyphCache, TestFontGlyphsSitOnThePixelGrid) {
    NUVO_REQUIRE_TEST_FONT();
    TFontPixelManager cache(test::testFontEngine());
    const platform::FontMetrics& m = cache.SelectFont(test::kTestFace, 16, 0);
    EXPECT_EQ(m.family, test::kTestFace);
    EXPECT_EQ(m.ascent, 14);
    EXPECT_EQ(m.cellHeight, 16);
    EXPECT_EQ(cache.Ascent(), 14);
    for (int32_t level : {3, 0}) {
        cache.SetLevel(level);
        // A half-width frame 6 x 10 one pixel in, three down; full width 12 x 12.
        const TFontPixel& a = cache.GetGlyph('A', test::kTestFace, kStyleUnderline | kStyleStrikeOut, 16);
        EXPECT_EQ(a.BitmapWidth(), 6);
        EXPECT_EQ(a.BitmapHeight(), 10);
        EXPECT_EQ(a.OriginX, 1);
        EXPECT_EQ(a.OriginY, 3);
        EXPECT_EQ(a.ExtraAdvance, 1);
        EXPECT_EQ(a.Advance(), 8);
        EXPECT_EQ(a.UnderlineSize, 1);
        EXPECT_EQ(a.StrikePos, 9);
        EXPECT_EQ(a.StrikeSize, 1);
        const std::string kana = sj("あ");
        const TFontPixel& k = cache.GetGlyph(static_cast<uint16_t>(static_cast<uint8_t>(kana[0]) << 8 | static_cast<uint8_t>(kana[1])),
                                             test::kTestFace, 0, 32);
        EXPECT_EQ(k.BitmapWidth(), 24);
        EXPECT_EQ(k.BitmapHeight(), 24);
        EXPECT_EQ(k.OriginX, 4);
        EXPECT_EQ(k.OriginY, 2);
        EXPECT_EQ(k.Advance(), 32);
        for (int32_t x = 0; x < 24; ++x) EXPECT_EQ(k.Coverage->GetPixel(x, 0), 255) << "the frame's top row";
        EXPECT_EQ(k.Coverage->GetPixel(8, 8), 0) << "inside the frame, between the pattern's blocks";
    }
}

TEST(GlyphCache, LeastRecentlyUsedOf256) {
    FakeEngine engine;
    engine.image = inkBox(2, 2, 0, 2, 3);
    TFontPixelManager cache(engine);
    const auto has = [&](int32_t height) {
        const auto order = cache.InUseOrder();
        return std::any_of(order.begin(), order.end(), [&](const TFontPixel* g) { return g->Height == height; });
    };
    for (int32_t h = 1; h <= 256; ++h) cache.GetGlyph('x', "F", 0, h);
    EXPECT_EQ(cache.Count(), 256u);
    // Asking again moves a glyph to the front without making it again.
    const TFontPixel* first = &cache.GetGlyph('x', "F", 0, 1);
    EXPECT_EQ(cache.InUseOrder().front(), first);
    EXPECT_EQ(cache.Count(), 256u);
    // The 257th frees the least recently used one: height 2, not 1.
    cache.GetGlyph('x', "F", 0, 257);
    EXPECT_EQ(cache.Count(), 256u);
    EXPECT_TRUE(has(1));
    EXPECT_FALSE(has(2));
    EXPECT_TRUE(has(257));
    // The level is part of the key.
    cache.SetLevel(0);
    EXPECT_EQ(cache.GetGlyph('x', "F", 0, 1).Level, 0);
    EXPECT_FALSE(has(3));
}

TEST(GlyphCache, ByteBudgetEvictsBigGlyphs) {
    FakeEngine engine;
    engine.image = inkBox(200, 200, 0, 200, 200);
    TFontPixelManager cache(engine, 100000);
    for (int32_t h = 100; h < 110; ++h) cache.GetGlyph('x', "F", 0, h);
    EXPECT_EQ(cache.Count(), 2u);
    EXPECT_LE(cache.Bytes(), 100000u);
    // A glyph bigger than the budget alone is still kept while it is used.
    engine.image = inkBox(400, 400, 0, 400, 400);
    const TFontPixel& big = cache.GetGlyph('y', "F", 0, 400);
    EXPECT_EQ(cache.Count(), 1u);
    EXPECT_EQ(big.BitmapWidth(), 400);
}

TEST(GlyphCache, HeightsAreClampedAndFailuresHandled) {
    FakeEngine engine;
    engine.image = inkBox(2, 2, 0, 2, 3);
    TFontPixelManager cache(engine);
    EXPECT_EQ(cache.GetGlyph('x', "F", 0, 5000).Height, 1024);
    EXPECT_EQ(engine.lastHeight, 1024);
    EXPECT_EQ(cache.GetGlyph('x', "F", 0, -3).Height, 1);
    // A grey render that fails leaves that glyph without ink, and the level
    // stays: the next glyph is grey again.
    FakeEngine failing;
    failing.image = inkBox(2, 2, 0, 2, 3);
    failing.failGrey = true;
    TFontPixelManager grey(failing);
    const TFontPixel& g = grey.GetGlyph('x', "F", 0, 12);
    EXPECT_FALSE(g.Coverage);
    EXPECT_EQ(g.ExtraAdvance, 0);
    EXPECT_EQ(grey.Level(), 3);
    EXPECT_EQ(grey.GetGlyph('y', "F", 0, 12).Level, 3);
    // No face at all: the system's error.
    FakeEngine none;
    none.noFace = true;
    TFontPixelManager empty(none);
    try {
        empty.GetGlyph('x', "F", 0, 12);
        ADD_FAILURE() << "no error";
    } catch (const ENuvoError& e) {
        EXPECT_EQ(e.message(), "Error:GetOutlineTextMetrics");
    }
}

TEST(GlyphCache, SpacesAndMissingCharacters) {
    NUVO_REQUIRE_TEST_FONT();
    TFontPixelManager cache(test::testFontEngine());
    const TFontPixel& space = cache.GetGlyph(' ', test::kTestFace, 0, 16);
    EXPECT_FALSE(space.Coverage);
    EXPECT_EQ(space.ExtraAdvance, 8);
    const TFontPixel& wide = cache.GetGlyph(0x8140, test::kTestFace, 0, 16); // the ideographic space
    EXPECT_FALSE(wide.Coverage);
    EXPECT_EQ(wide.ExtraAdvance, 16);
    cache.SetLevel(0); // the monochrome render of nothing is still no bitmap
    EXPECT_FALSE(cache.GetGlyph(' ', test::kTestFace, 0, 16).Coverage);
    cache.SetLevel(3);
    // A lone lead byte, and a code the code page leaves undefined, draw the
    // face's missing glyph: a one-pixel frame with a dot.
    for (uint16_t code : {uint16_t{0x82}, uint16_t{0x85A0}}) {
        const TFontPixel& missing = cache.GetGlyph(code, test::kTestFace, 0, 16);
        ASSERT_TRUE(missing.Coverage) << code;
        EXPECT_EQ(missing.BitmapWidth(), 12);
        EXPECT_EQ(missing.Coverage->GetPixel(0, 0), 255);
        EXPECT_EQ(missing.Coverage->GetPixel(1, 1), 0);
        EXPECT_EQ(missing.Coverage->GetPixel(5, 5), 255);
    }
    // 0x5C is the yen sign.
    EXPECT_EQ(TFontPixelManager::CodePoint(0x5C), 0xA5);
    EXPECT_EQ(TFontPixelManager::CodePoint(0x82A0), 0x3042);
    EXPECT_EQ(TFontPixelManager::CodePoint(0xB1), 0xFF71);
    auto face = test::testFontEngine().OpenFace(test::kTestFace, 16, false, false);
    platform::GlyphImage yen, backslash;
    ASSERT_TRUE(face->Render(0xA5, platform::GlyphMode::Grey, yen));
    ASSERT_TRUE(face->Render(0x5C, platform::GlyphMode::Grey, backslash));
    const TFontPixel& drawn = cache.GetGlyph(0x5C, test::kTestFace, 0, 16);
    std::vector<uint8_t> pixels;
    for (int32_t y = 0; y < drawn.BitmapHeight(); ++y)
        for (int32_t x = 0; x < drawn.BitmapWidth(); ++x) pixels.push_back(static_cast<uint8_t>(drawn.Coverage->GetPixel(x, y)));
    EXPECT_EQ(pixels, yen.coverage);
    EXPECT_NE(pixels, backslash.coverage);
    // A character the test font lacks comes from the Japanese fallback.
    NUVO_REQUIRE_IPA_GOTHIC();
    const std::string cat = sj("猫");
    const TFontPixel& fallback = cache.GetGlyph(static_cast<uint16_t>(static_cast<uint8_t>(cat[0]) << 8 | static_cast<uint8_t>(cat[1])),
                                                test::kTestFace, 0, 16);
    ASSERT_TRUE(fallback.Coverage);
    EXPECT_GT(fallback.BitmapWidth(), 8);
}

TEST(GlyphCache, MadeUpBoldAndItalic) {
    NUVO_REQUIRE_TEST_FONT();
    TFontPixelManager cache(test::testFontEngine());
    EXPECT_TRUE(cache.SelectFont(test::kTestFace, 16, kStyleBold).syntheticBold);
    const TFontPixel& bold = cache.GetGlyph('A', test::kTestFace, kStyleBold, 16);
    EXPECT_EQ(bold.BitmapWidth(), 7);
    EXPECT_EQ(bold.Advance(), 9);
    // Each column also inks the next: the frame's left edge is two pixels.
    EXPECT_EQ(bold.Coverage->GetPixel(1, 5), 255);
    EXPECT_EQ(bold.Coverage->GetPixel(2, 5), 0);
    EXPECT_TRUE(cache.SelectFont(test::kTestFace, 16, kStyleItalic).syntheticItalic);
    const TFontPixel& italic = cache.GetGlyph('A', test::kTestFace, kStyleItalic, 16);
    // Sheared by a fifth of the height above the baseline: the top row moves
    // about two pixels right, the bottom row stays.
    EXPECT_EQ(italic.Advance(), 8);
    EXPECT_GE(italic.BitmapWidth(), 8);
    EXPECT_LE(italic.BitmapWidth(), 9);
}

// A desktop's configuration answers a bold or italic request for a face that
// has neither with the regular face marked for emboldening or an oblique
// matrix; the engine must still make the style up itself.
TEST(GlyphCache, SystemConfigurationStillMakesUpBoldAndItalic) {
    NUVO_REQUIRE_IPA_GOTHIC();
    const auto engine = platform::createFontEngine({});
    const auto italic = engine->OpenFace("IPAGothic", 24, false, true);
    const auto bold = engine->OpenFace("IPAGothic", 24, true, false);
    ASSERT_TRUE(italic && bold);
    EXPECT_TRUE(italic->Metrics().syntheticItalic);
    EXPECT_TRUE(bold->Metrics().syntheticBold);
}

TEST(GlyphCache, NamesThatAreNotInstalledDrawWithTheDefaultFace) {
    NUVO_REQUIRE_IPA_GOTHIC();
    platform::IFontEngine& engine = test::testFontEngine();
    EXPECT_FALSE(engine.IsInstalled("No Such Face"));
    EXPECT_TRUE(engine.IsInstalled("ＭＳ ゴシック"));
    EXPECT_TRUE(engine.IsInstalled("ms ui gothic"));
    TFontPixelManager cache(engine);
    EXPECT_EQ(cache.SelectFont("No Such Face", 16, 0).family, "IPAGothic");
    EXPECT_EQ(cache.SelectFont("MS UI Gothic", 16, 0).family, "IPAPGothic");
    EXPECT_EQ(cache.SelectFont(sj("ＭＳ 明朝"), 16, 0).family, "IPAMincho");
    const std::string a = sj("字");
    const uint16_t code = static_cast<uint16_t>(static_cast<uint8_t>(a[0]) << 8 | static_cast<uint8_t>(a[1]));
    const TFontPixel& missing = cache.GetGlyph(code, "No Such Face", 0, 20);
    const TFontPixel& standard = cache.GetGlyph(code, sj("ＭＳ ゴシック"), 0, 20);
    ASSERT_TRUE(missing.Coverage && standard.Coverage);
    EXPECT_NE(&missing, &standard);
    ASSERT_EQ(missing.BitmapWidth(), standard.BitmapWidth());
    ASSERT_EQ(missing.BitmapHeight(), standard.BitmapHeight());
    for (int32_t y = 0; y < missing.BitmapHeight(); ++y)
        for (int32_t x = 0; x < missing.BitmapWidth(); ++x)
            ASSERT_EQ(missing.Coverage->GetPixel(x, y), standard.Coverage->GetPixel(x, y));
}

} // namespace
} // namespace nuvo

// fontconfig keeps its configuration for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
