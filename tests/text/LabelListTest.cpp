// Label lists: measuring (outline and shadow, the last character's negative
// C, empty labels), rendering again when the target's depth changes, the
// alpha and size bounds, the settings record with its version rules, and
// goldens of plain, outlined, shadowed and outlined-and-shadowed labels.
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "platform/Fonts.h"
#include "support/TestSupport.h"
#include "text/FontPixel.h"
#include "text/LabelList.h"
#include "text/TestFonts.h"
#include "text/TextGolden.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::sj;

// Every glyph: an ink box 10 wide from the pen, advance 8 (so C = -2), in a
// 12-pixel cell.
class OverhangFace final : public platform::IFontFace {
public:
    platform::FontMetrics metrics;
    const platform::FontMetrics& Metrics() const override { return metrics; }
    bool Render(int32_t, platform::GlyphMode, platform::GlyphImage& out) override {
        out.width = 10;
        out.height = 4;
        out.left = 0;
        out.top = 8;
        out.advance = 8;
        out.coverage.assign(40, 255);
        return true;
    }
};

class OverhangEngine final : public platform::IFontEngine {
public:
    bool IsInstalled(std::string_view) override { return true; }
    std::unique_ptr<platform::IFontFace> OpenFace(std::string_view, int32_t height, bool, bool) override {
        auto f = std::make_unique<OverhangFace>();
        f->metrics.height = height;
        f->metrics.ascent = 10;
        f->metrics.descent = 2;
        f->metrics.cellHeight = 12;
        return f;
    }
};

bool samePixels(const TCustomDIBX& a, const TCustomDIBX& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
    return true;
}

struct Labels {
    OverhangEngine engine;
    TFontPixelManager glyphs{engine};
    TKvLabelList list;
    Labels() { list.Glyphs = &glyphs; }
    TKvLabelDIB& add(const std::string& text) {
        TKvLabelDIB& l = list.Add();
        l.SetText(text);
        return l;
    }
};

TEST(LabelList, MeasuresCellsAdvancesAndTheLastCharacter) {
    struct Case {
        const char* what;
        int32_t border, shadow;
        const char* text;
        int32_t height;
        std::vector<int32_t> advances;
    };
    // A + B + C is 8; the last character adds back its C of -2.
    const Case cases[] = {
        {"plain", 0, 0, "abc", 12, {8, 8, 10}},
        {"outline 1 and shadow 2 add 4 everywhere", 1, 2, "abc", 16, {12, 12, 14}},
        {"a repeated last character is measured as the last", 0, 0, "aba", 12, {8, 8, 10}},
        {"one character", 0, 0, "a", 12, {10}},
        {"double-byte characters", 0, 0, "\x82\xa0\x82\xa2", 12, {8, 10}},
        {"empty", 0, 0, "", 12, {}},
    };
    for (const Case& c : cases) {
        Labels l;
        l.list.BorderWidth = c.border;
        l.list.ShadowWidth = c.shadow;
        TKvLabelDIB& label = l.add(c.text);
        l.list.Measure();
        SCOPED_TRACE(c.what);
        EXPECT_EQ(label.Height(), c.height);
        EXPECT_EQ(label.Advances(), c.advances);
        int32_t sum = 0;
        for (int32_t a : c.advances) sum += a;
        EXPECT_EQ(label.Width(), sum);
    }
    // The metrics block keeps the size, the cell height and a zero overhang.
    Labels l;
    l.list.Measure();
    EXPECT_EQ(l.list.Metrics[0], 212);
    EXPECT_EQ(l.list.Metrics[4], 12);
    EXPECT_EQ(l.list.Metrics[36], 0);
    EXPECT_EQ(l.list.MaxWidth(), 0);
}

TEST(LabelList, DrawsOnTheTargetAndRendersAgainWhenItsDepthChanges) {
    Labels l;
    TKvLabelDIB& label = l.add("ab");
    TKvLabelDIB& empty = l.add("");
    l.list.Measure();
    TDIBX screen32, screen16;
    screen32.SetSize(40, 20, 32);
    screen16.SetSize(40, 20, 16);
    screen32.Clear(0);
    l.list.Target = &screen32;
    label.DrawAt(2, 3);
    EXPECT_EQ(label.Colour().BitCount(), 32);
    EXPECT_NE(screen32.GetPixel(2, 3 + 3), 0) << "ink row of the first glyph";
    EXPECT_EQ(screen32.GetPixel(1, 3 + 3), 0);
    l.list.Target = &screen16;
    label.DrawAt(0, 0);
    EXPECT_EQ(label.Colour().BitCount(), 16);

    // An empty label is 0 wide and leaves the target alone.
    TDIBX before;
    before.SetSize(40, 20, 32);
    before.Assign(screen32);
    l.list.Target = &screen32;
    empty.DrawAt(0, 0);
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_TRUE(samePixels(before, screen32));
}

TEST(LabelList, AlphaAbove255DrawsAs255AndHugeLabelsDrawNothing) {
    Labels a, b;
    for (Labels* l : {&a, &b}) l->add("ab");
    b.list.Alpha = 300;
    TDIBX sa, sb;
    for (TDIBX* s : {&sa, &sb}) {
        s->SetSize(30, 16, 32);
        s->Clear(0x102030);
    }
    a.list.Target = &sa;
    b.list.Target = &sb;
    for (Labels* l : {&a, &b}) {
        l->list.Measure();
        l->list.Items(0)->DrawAt(1, 1);
    }
    EXPECT_TRUE(samePixels(sa, sb));

    Labels huge;
    TKvLabelDIB& line = huge.add(std::string(2000, 'a'));
    huge.list.Measure();
    ASSERT_GT(line.Width(), kMaxLabelSide);
    TDIBX s;
    s.SetSize(8, 8, 32);
    s.Clear(0);
    huge.list.Target = &s;
    line.DrawAt(0, 0);
    EXPECT_FALSE(line.Render());
    EXPECT_EQ(s.GetPixel(0, 7), 0);
}

TEST(LabelList, SettingsRecordRoundTripsAndOldVersionsAreRead) {
    TKvLabelList out;
    out.Quality = 2;
    out.BorderWidth = 1;
    out.Alpha = 200;
    out.FontHeight = 20;
    out.FontName = sj("Face");
    out.FontColor = 0x123456;
    out.BorderColor = 0x654321;
    out.FontStyle = 3;
    out.ShadowWidth = 2;
    out.ShadowColor = 0x0000FF;
    TKvMemoryStream s;
    out.SaveSettings(s);
    EXPECT_EQ(s.size(), 4 * 4 + 4 + 4 + 8 + 1 + 212 + 8);

    struct Case {
        int32_t version;
        int32_t quality;
        int32_t shadow;
    };
    // Before 109 a level above 1 reads as 3, others as 0; the shadow pair
    // arrives with 122.
    for (const Case c : {Case{140, 2, 2}, Case{121, 2, 0}, Case{108, 3, 0}}) {
        TKvMemoryStream in;
        out.SaveSettings(in);
        const int64_t full = in.size();
        if (c.version < 122) in.setSize(full - 8);
        in.seek(0, SeekOrigin::Begin);
        TKvLabelList back;
        back.LoadSettings(in, c.version);
        SCOPED_TRACE(c.version);
        EXPECT_EQ(back.Quality, c.quality);
        EXPECT_EQ(back.ShadowWidth, c.shadow);
        EXPECT_EQ(back.FontName, out.FontName);
        EXPECT_EQ(back.FontStyle, 3);
        EXPECT_EQ(back.BorderColor, 0x654321);
        EXPECT_EQ(in.seek(0, SeekOrigin::Current), in.size());
    }
    TKvMemoryStream cut;
    out.SaveSettings(cut);
    cut.setSize(100);
    cut.seek(0, SeekOrigin::Begin);
    TKvLabelList back;
    EXPECT_THROW(back.LoadSettings(cut, 140), ENuvoError);
}

TEST(LabelList, GoldenOfPlainOutlinedAndShadowedLabels) {
    NUVO_REQUIRE_TEST_FONT();
    TFontPixelManager glyphs(test::testFontEngine());
    TDIBX screen;
    screen.SetSize(120, 4 * 24, 32);
    screen.Clear(screen.ColorToPixel(0x604020));
    struct Look {
        int32_t border, shadow;
    };
    int32_t y = 2;
    for (const Look look : {Look{0, 0}, Look{1, 0}, Look{0, 2}, Look{1, 2}}) {
        TKvLabelList list;
        list.Glyphs = &glyphs;
        list.FontName = test::kTestFace;
        list.FontHeight = 16;
        list.FontColor = 0xFFFFFF;
        list.BorderWidth = look.border;
        list.BorderColor = 0x0000FF;
        list.ShadowWidth = look.shadow;
        list.ShadowColor = 0x000000;
        list.Add().SetText(sj("Agあ亜"));
        list.Measure();
        list.Target = &screen;
        list.Items(0)->DrawAt(2, y);
        y += 24;
    }
    EXPECT_TRUE(test::matchesTextGolden(screen, "labels"));
}

} // namespace
} // namespace nuvo
