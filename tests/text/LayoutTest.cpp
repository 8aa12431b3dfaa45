// Layout into rows and pages as tables of markup -> rows. Every cell comes
// from the style's size (10 pixels here), so no font is needed. Rows are
// written "TEXT@x,y,w,h" (a picture is "#", an indentation space "_"), rows
// of a page joined by " / ", pages by " || ".
#include "base/Cp932.h"
#include "support/TestSupport.h"
#include "text/KvWord.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace nuvo {
namespace {

using test::sj;

// Pictures named "WxH" of that size.
class SizedPicture final : public IWordPicture {
public:
    SizedPicture(int32_t w, int32_t h) : w_(w), h_(h) {}
    int32_t Width() const override { return w_; }
    int32_t Height() const override { return h_; }
    int FrameCount() const override { return 1; }
    int32_t FrameDuration(int) const override { return 1; }
    void DrawFrame(int, TCustomDIBX&, int32_t, int32_t, int32_t, const TRect&) override {}

private:
    int32_t w_, h_;
};

struct Options {
    int32_t width = 0;
    int32_t pageHeight = 0; // paging on when not 0
    int32_t lineSpace = 0;
    bool recall = false;
};

void prepare(TKvWord& w, const Options& o) {
    w.FontSize = 10;
    w.Width = o.width;
    w.LineSpace = o.lineSpace;
    w.Paging = o.pageHeight != 0;
    w.PageHeight = o.pageHeight;
    w.HistoryRecall = o.recall;
    w.VariableText = [](const std::string& name) -> std::optional<std::string> {
        if (name == "v") return std::string("xyz");
        return std::nullopt;
    };
    w.LoadPicture = [](const std::string& src) -> std::unique_ptr<IWordPicture> {
        int32_t pw = 0, ph = 0;
        if (std::sscanf(src.c_str(), "%dx%d", &pw, &ph) != 2) return nullptr;
        return std::make_unique<SizedPicture>(pw, ph);
    };
}

std::string rowText(const TWdRow& row) {
    std::string t;
    for (const TWdGlyph* e : row.Items) {
        if (const auto* c = dynamic_cast<const TWdChar*>(e)) t += sjisToUtf8(c->Text());
        else if (e->TypeCode() == kWdImg) t += "#";
        else if (dynamic_cast<const TWdSpace*>(e)) t += "_";
    }
    return t;
}

std::string layout(const TWdPageList& pages, bool geometry) {
    std::string out;
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p) out += " || ";
        for (size_t r = 0; r < pages[p]->Rows.size(); ++r) {
            const TWdRow& row = *pages[p]->Rows[r];
            if (r) out += " / ";
            out += rowText(row);
            if (geometry)
                out += "@" + std::to_string(row.X) + "," + std::to_string(row.Y) + "," + std::to_string(row.Width) + "," +
                       std::to_string(row.Height);
        }
    }
    return out;
}

std::string laidOut(const char* markup, Options o, bool geometry = false) {
    TKvWord w;
    prepare(w, o);
    w.SetText(std::string_view(sj(markup)));
    TWdPageList pages;
    w.Layout(pages);
    return layout(pages, geometry);
}

TEST(Layout, BreakingRules) {
    const struct {
        const char* markup;
        int32_t width;
        const char* rows;
    } cases[] = {
        {"あいうえお", 30, "あいう / えお"},
        // A row never starts with a closing mark: it moves with the character
        // before it, and where the two are wider than a row they overflow.
        {"あい。う", 20, "あ / い。 / う"},
        {"あい。う", 10, "あ / い。 / う"},
        {"あい」」う", 20, "あ / い」」 / う"},
        // A row never ends with an opening bracket: it moves with what follows.
        {"あい（う", 30, "あい / （う"},
        {"あ「「い", 30, "あ / 「「い"},
        // Single-byte characters take half a cell. Latin words stay whole;
        // spaces stay with the word before them.
        {"ab cd", 20, "ab  / cd"},
        {"ab cdef", 20, "ab  / cdef"},
        // ... unless wider than the row: split between letters, never before a
        // closing mark nor after an opening one.
        {"abcdef", 15, "abc / def"},
        {"abc!", 15, "ab / c!"},
        {"ab(cd", 15, "ab / (cd"},
        // Only openers: no place to split, the row overflows.
        {"（（（（（", 20, "（（（（（"},
        // NOBR and ruby runs hold together; wider than a row they split too.
        {"<NOBR>あいうえ</NOBR>お", 30, "あいう / えお"},
        {"あ<RUBY VALUE=x>いうえ</RUBY>", 30, "あ / いうえ"},
        {"あ<RUBY VALUE=x>いう</RUBY><RUBY VALUE=y>え</RUBY>", 30, "あいう / え"},
        // Width 0: never wrapped.
        {"あいうえおかきくけこ", 0, "あいうえおかきくけこ"},
    };
    for (const auto& c : cases) EXPECT_EQ(laidOut(c.markup, {c.width}), c.rows) << c.markup << " in " << c.width;
}

TEST(Layout, RowsPagesAndGeometry) {
    const struct {
        const char* markup;
        Options options;
        const char* rows;
    } cases[] = {
        // Returns: an empty row is the word's font size high; line spacing between rows.
        {"あ<BR><BR>い", {100, 0, 2}, "あ@0,0,10,10 / @0,12,0,10 / い@0,24,10,10"},
        // Paging: a row that would pass the page height starts a page; the
        // first row of a page stays however high it is.
        {"あ<BR>い<BR>う", {100, 25}, "あ@0,0,10,10 / い@0,10,10,10 || う@0,0,10,10"},
        {"<FONT SIZE=30>あ</FONT>い", {10, 5}, "あ@0,0,30,30 || い@0,0,10,10"},
        {"あ<CLEAR>い", {100}, "あ@0,0,10,10 || い@0,0,10,10"},
        {"あ<BR CLEAR><BR>い", {100}, "あ@0,0,10,10 || @0,0,0,10 / い@0,10,10,10"},
        // Alignment, also of a row already begun when it has nothing visible.
        {"<DIV ALIGN=RIGHT>あい</DIV><BR>う", {50}, "あい@30,0,20,10 / う@0,10,10,10"},
        {"<DIV ALIGN=CENTER>あいう<BR>え", {50}, "あいう@10,0,30,10 / え@20,10,10,10"},
        // Indentation: later rows start at the row's width where INDENT stood.
        {"あ<INDENT>いう<BR>え<UNDENT><BR>お", {100}, "あいう@0,0,30,10 / _え@0,10,20,10 / お@0,20,10,10"},
        // Pictures in a row: BOTTOM sits on the text's bottom, TOP at its top,
        // CENTER in its middle, each making the row as high as it needs.
        {"あ<IMG SRC=8x30>い", {100}, "あ#い@0,0,28,30"},
        {"あ<IMG SRC=8x30 ALIGN=CENTER><IMG SRC=8x14 ALIGN=TOP>", {100}, "あ##@0,0,26,30"},
        // Floating pictures narrow the rows beside them and end a begun row.
        {"<IMG SRC=20x20 ALIGN=LEFT>あいうえおか", {50}, "#@0,0,20,20 / あいう@20,0,30,10 / えおか@20,10,30,10"},
        {"<IMG SRC=20x15 ALIGN=RIGHT>あいうえ", {50}, "#@0,0,50,15 / あいう@0,0,30,10 / え@0,10,10,10"},
        {"あ<IMG SRC=10x30 ALIGN=LEFT>い", {50}, "あ@0,0,10,10 / #@0,10,10,30 / い@10,10,10,10"},
        // Cells: italic a fifth wider, ruby half a size higher, outline and
        // shadow on every side.
        {"<I>あ</I><RUBY VALUE=か>い</RUBY><FONT BORDER=2 SHADOW=1>う", {100}, "あいう@0,0,37,15"},
        // A variable's value, and a history value in a recall only.
        {"a<VAR NAME=v>b<VAR NAME=none>", {100}, "axyzb@0,0,25,10"},
        {"a<HISTCHAR VALUE=は>b", {100}, "ab@0,0,10,10"},
        {"a<HISTCHAR VALUE=は>b", {100, 0, 0, true}, "aはb@0,0,20,10"},
    };
    for (const auto& c : cases) EXPECT_EQ(laidOut(c.markup, c.options, true), c.rows) << c.markup;
}

TEST(Layout, ElementPlacesAndWidthFromTheWidestRow) {
    TKvWord w;
    prepare(w, {});
    w.SetText(std::string_view(sj("あ<IMG SRC=8x30 ALIGN=CENTER>い<BR>うえおか<RUBY VALUE=る>き</RUBY>")));
    TWdPageList pages;
    w.Layout(pages);
    EXPECT_EQ(w.Width, 50) << "Width 0 becomes the widest row";
    const TWdRow& first = *pages[0]->Rows[0];
    // The text band is 10 high, the centred picture adds (30 - 10 + 1) / 2
    // above and below.
    EXPECT_EQ(first.Height, 30);
    EXPECT_EQ(first.Items[0]->Y, 10);
    EXPECT_EQ(first.Items[1]->Y, 0);
    EXPECT_EQ(first.Items[2]->X, 18);
    const TWdRow& second = *pages[0]->Rows[1];
    EXPECT_EQ(second.Y, 30);
    // Characters sit on the bottom of the band: the one with ruby is taller.
    EXPECT_EQ(second.Items[0]->Y, 5);
    EXPECT_EQ(second.Items[4]->Y, 0);
    EXPECT_EQ(second.Items[4]->AreaRect(), (TRect{40, 30, 50, 45}));
    // Laying out a range, and elements knowing their row.
    TWdPageList part;
    w.Layout(part, 4, 6);
    EXPECT_EQ(layout(part, false), "うえお");
    EXPECT_EQ(w.ElementAt(4)->Parent, part[0]->Rows[0].get());
    part.clear();
    EXPECT_EQ(w.ElementAt(4)->Parent, nullptr) << "a page that goes lets go of its elements";
}

TEST(Layout, PagesOutliveTheirWordsText) {
    TKvWord w;
    prepare(w, {100});
    w.SetText(std::string_view(sj("a<VAR NAME=v>")));
    TWdPageList pages;
    w.Layout(pages);
    ASSERT_EQ(layout(pages, false), "axyz");
    // The value's characters are cells like any other, after the VAR.
    EXPECT_EQ(pages[0]->Rows[0]->Items[3]->AreaRect(), (TRect{10, 0, 15, 10}));
    EXPECT_EQ(static_cast<TWdVarChar*>(pages[0]->Rows[0]->Items[3])->Source, w.ElementAt(1));
    // New text leaves the old pages empty instead of pointing at freed elements.
    w.SetText(std::string_view("b"));
    EXPECT_TRUE(pages[0]->Rows.empty());
    {
        TKvWord gone;
        prepare(gone, {100});
        gone.SetText(std::string_view("c"));
        gone.Layout(pages);
    }
    EXPECT_TRUE(pages[0]->Rows.empty());
}

} // namespace
} // namespace nuvo
