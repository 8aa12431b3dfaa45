// Rendering and drawing a laid-out word: reference pictures with the test
// font (exact whatever the FreeType version) and a few with IPA Gothic, each
// looked at when it was made; reveal alpha, fades, links under the pointer,
// changed rectangles, animated pictures and oversized pages.
#include "support/TestSupport.h"
#include "text/FontPixel.h"
#include "text/KvWord.h"
#include "text/TestFonts.h"
#include "text/TextGolden.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::sj;

struct Scene {
    TFontPixelManager glyphs{test::testFontEngine()};
    TKvWord word;
    TWdPageList pages;
    TDIBX picture;

    Scene(const char* markup, const char* font, int32_t size, int32_t width) {
        word.Glyphs = &glyphs;
        word.FontName = sj(font);
        word.FontSize = size;
        word.Width = width;
        word.SetText(std::string_view(sj(markup)));
        word.Layout(pages);
    }
    void draw(int32_t background, int bits = 32) {
        TWdPage& page = *pages.at(0);
        picture.SetSize(word.Width + 2 * word.OriginX, page.ContentHeight() + 2 * word.OriginY, bits);
        picture.Clear(picture.ColorToPixel(background));
        word.RenderPage(page, bits);
        word.DrawPage(page, picture);
    }
    TWdReal& element(int32_t i) { return *static_cast<TWdReal*>(word.ElementAt(i)); }
};

TEST(WordRender, TestFontReference) {
    NUVO_REQUIRE_TEST_FONT();
    // At 32 pixels (ruby at 16) every edge of the test font is on the grid.
    Scene s("あA<B>あ</B><U>い</U><S>う</S><RUBY VALUE=かな>漢字</RUBY><BR>"
            "<FONT BORDER=2 BCOLOR=#0000FF SHADOW=3 SCOLOR=#808080>えお</FONT><A HREF=x>リン</A>ク",
            "NuvoTest", 32, 400);
    s.word.OriginX = s.word.OriginY = 4;
    // The last two characters half revealed: one through the surfaces (a
    // link), one straight from the glyph cache.
    s.element(s.word.Count() - 2).Alpha = 128;
    s.element(s.word.Count() - 1).Alpha = 128;
    s.draw(0xFFFFFF);
    EXPECT_TRUE(test::matchesTextGolden(s.picture, "testfont-styles"));
    // 5-6-5 surfaces draw the same shapes.
    s.draw(0xFFFFFF, 16);
    EXPECT_TRUE(test::matchesTextGolden(s.picture, "testfont-styles-16bit"));
}

TEST(WordRender, IpaGothicReference) {
    NUVO_REQUIRE_IPA_GOTHIC();
    Scene s("<RUBY VALUE=ふりがな>振仮名</RUBY>と<B>太字</B>、<U>下線</U><BR>"
            "<FONT BORDER=2 BCOLOR=#203060>縁取り</FONT>と<FONT SHADOW=3 SCOLOR=#000000>影</FONT>と"
            "<FONT BORDER=1 SHADOW=2 BCOLOR=#802000><U>両方</U></FONT><BR><A HREF=a>リンク</A>と<A HREF=b>ホバー</A>",
            "ＭＳ ゴシック", 24, 330);
    s.word.FontColor = 0xFFFFFF;
    s.word.OriginX = s.word.OriginY = 6;
    s.draw(0x906030);
    // The pointer over the second link: its run takes the hover colour.
    TWdPage& page = *s.pages[0];
    const TWdGlyph& hover = *s.word.ElementAt(s.word.Count() - 1);
    const TRect r = hover.AreaRect();
    s.word.SetHover(page, s.word.HitTest(page, r.Left + 2, r.Top + 2));
    s.word.DrawPage(page, s.picture);
    EXPECT_TRUE(test::matchesTextGolden(s.picture, "ipagothic-styles"));
}

TEST(WordRender, LinksUnderThePointerAndChangedRectangles) {
    NUVO_REQUIRE_TEST_FONT();
    Scene s("a<A HREF=x>bc</A><A HREF=y>d</A>e", "NuvoTest", 16, 200);
    s.word.OriginX = 100;
    s.draw(0xFFFFFF);
    TWdPage& page = *s.pages[0];
    s.word.TakeChangedRects();
    // Hits need a fully revealed element under the point.
    EXPECT_EQ(s.word.HitTest(page, 12, 5), &s.element(1));
    EXPECT_EQ(s.word.HitTest(page, 12, 20), nullptr);
    s.element(2).Alpha = 254;
    EXPECT_EQ(s.word.HitTest(page, 20, 5), nullptr);
    s.element(2).Alpha = 255;
    // Hovering one character of a link changes the whole run, nothing else.
    s.word.SetHover(page, &s.element(2));
    EXPECT_TRUE(s.element(1).Hovered && s.element(2).Hovered);
    EXPECT_FALSE(s.element(3).Hovered);
    EXPECT_EQ(s.word.TakeChangedRects(), (std::vector<TRect>{{108, 0, 116, 16}, {116, 0, 124, 16}}));
    EXPECT_EQ(s.word.TextColorOf(static_cast<TWdChar&>(s.element(1))), s.word.HoverColor);
    s.word.SetHover(page, &s.element(1)); // the same run: nothing to do
    EXPECT_TRUE(s.word.TakeChangedRects().empty());
    s.word.SetHover(page, &s.element(0)); // no link: the hover goes
    EXPECT_FALSE(s.element(1).Hovered);
    EXPECT_EQ(s.word.TakeChangedRects().size(), 2u);
    EXPECT_EQ(s.word.HoverElement(), nullptr);
}

TEST(WordRender, FadesAndRevealChanges) {
    TKvWord w;
    w.FontSize = 10;
    w.SetText(std::string_view("ab"));
    TWdPageList pages;
    w.Layout(pages);
    TWdReal& a = *static_cast<TWdReal*>(w.ElementAt(0));
    a.StartFade(100);
    EXPECT_FALSE(a.FadeStep(50));
    EXPECT_EQ(a.Alpha, 127);
    EXPECT_FALSE(a.FadeStep(25));
    EXPECT_EQ(a.Alpha, 64);
    EXPECT_TRUE(a.FadeStep(25));
    EXPECT_EQ(a.Alpha, 0);
    EXPECT_EQ(w.TakeChangedRects().size(), 3u);
    TWdReal& b = *static_cast<TWdReal*>(w.ElementAt(1));
    b.StartFade(0);
    EXPECT_EQ(b.Alpha, 0);
    EXPECT_TRUE(b.FadeStep(10));
    b.SetAlpha(0);
    EXPECT_EQ(w.TakeChangedRects(), (std::vector<TRect>{{5, 0, 10, 10}}));
}

class TwoFrames final : public IWordPicture {
public:
    int32_t Width() const override { return 4; }
    int32_t Height() const override { return 4; }
    int FrameCount() const override { return 2; }
    int32_t FrameDuration(int frame) const override { return frame == 0 ? 10 : 20; }
    void DrawFrame(int frame, TCustomDIBX& target, int32_t x, int32_t y, int32_t alpha, const TRect& r) override {
        target.FillRectAlpha(offsetRect(r, x, y), frame == 0 ? 0x0000FF : 0x00FF00, alpha);
    }
};

TEST(WordRender, AnimatedPicturesAdvanceAndDraw) {
    TKvWord w;
    w.LoadPicture = [](const std::string&) { return std::make_unique<TwoFrames>(); };
    w.SetText(std::string_view("<IMG SRC=p>"));
    TWdPageList pages;
    w.Layout(pages);
    TDIBX dest(4, 4, 32);
    dest.Clear(0);
    w.DrawPage(*pages[0], dest);
    EXPECT_EQ(dest.GetPixel(1, 1), 0x0000FE);
    EXPECT_FALSE(w.Animate(*pages[0], 9));
    EXPECT_TRUE(w.Animate(*pages[0], 1));
    EXPECT_EQ(w.TakeChangedRects(), (std::vector<TRect>{{0, 0, 4, 4}}));
    dest.Clear(0);
    w.DrawPage(*pages[0], dest);
    EXPECT_EQ(dest.GetPixel(1, 1), 0x00FE00);
    EXPECT_TRUE(w.Animate(*pages[0], 20));
    EXPECT_EQ(static_cast<TWdImg*>(w.ElementAt(0))->Frame(), 0);
}

TEST(WordRender, PagesWiderThanAnySurfaceDrawTheirBeginning) {
    NUVO_REQUIRE_TEST_FONT();
    std::string markup;
    for (int i = 0; i < 3000; ++i) markup += "<U>" + std::string(i % 2 ? "あ" : "い") + "</U>";
    Scene s(markup.c_str(), "NuvoTest", 16, 0);
    ASSERT_EQ(s.word.Width, 48000);
    s.word.RenderPage(*s.pages[0], 32);
    EXPECT_EQ(s.word.ColourSurface.Width(), kMaxSurfaceSide);
    TDIBX dest(40, 16, 32);
    dest.Clear(0xFFFFFF);
    s.word.DrawPage(*s.pages[0], dest);
    EXPECT_EQ(dest.GetPixel(5, 15), 0) << "the underline";
}

} // namespace
} // namespace nuvo
