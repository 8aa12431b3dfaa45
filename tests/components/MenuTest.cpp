// Menus and their list box: layout, items and checks, the hover and its
// events, keys, the scroll bar under the mouse, the play state and the
// height animation, the closing roads and the destruction after them, the
// save record, and pictures of frames, scroll bars, hover colours, checks,
// alignments and alpha.
#include "base/Error.h"
#include "base/Stream.h"
#include "components/EventQueue.h"
#include "components/NuvoBase.h"
#include "components/NuvoMenu.h"
#include "platform/VirtualKeys.h"
#include "text/FontPixel.h"
#include "text/TestFonts.h"

#include "ImageFixture.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::rgb;
namespace vk = platform::vk;

// Pictures of a frame (8-pixel corners and edges, the edges striped so the
// alignment shows), a 7-cell scroll strip of 6 x 6 cells and a 2-cell check.
void addMenuPictures(test::PictureFiles& files) {
    using F = test::PictureFiles;
    const auto solid = [](int32_t c) { return [c](int32_t, int32_t) { return c; }; };
    files.add("corner.pel", {F::frame(8, 8, solid(rgb(200, 160, 60)))});
    files.add("hedge.pel", {F::frame(5, 8, [](int32_t x, int32_t) { return x == 0 ? rgb(255, 255, 255) : rgb(120, 90, 40); })});
    files.add("vedge.pel", {F::frame(8, 5, [](int32_t, int32_t y) { return y == 0 ? rgb(255, 255, 255) : rgb(120, 90, 40); })});
    files.add("centre.pel", {F::frame(7, 7, [](int32_t x, int32_t y) { return (x + y) % 7 == 0 ? rgb(70, 70, 110) : rgb(40, 40, 80); })});
    files.add("scroll.pel", {F::frame(42, 6, [](int32_t x, int32_t y) {
                  const int32_t cell = x / 6;
                  const int32_t shades[7] = {rgb(200, 200, 200), rgb(255, 255, 0), rgb(200, 200, 200), rgb(255, 255, 0),
                                             rgb(90, 90, 90),   rgb(0, 160, 255), rgb(240, 60, 60)};
                  return y == 0 ? rgb(20, 20, 20) : shades[cell];
              })});
    files.add("check.pel", {F::frame(12, 6, [](int32_t x, int32_t y) {
                  return (x % 6 >= 1 && x % 6 <= 4 && y >= 1 && y <= 4) ? (x < 6 ? rgb(0, 220, 0) : rgb(255, 128, 0))
                                                                         : rgb(255, 0, 255);
              }, rgb(255, 0, 255))});
}

struct MenuWorld : test::ImageWorld {
    std::unique_ptr<TFontPixelManager> glyphs;
    MenuWorld() : test::ImageWorld(160, 120) {
        glyphs = std::make_unique<TFontPixelManager>(test::testFontEngine());
        host.GlyphCache = glyphs.get();
        addMenuPictures(files);
    }
    TNuvoMenu* menu(const std::string& text, int32_t rows = 4) {
        auto* m = bases.Create<TNuvoMenu>();
        m->SetParent(bases.ActiveBase());
        m->SetName("menu");
        m->SetFontName(test::kTestFace);
        m->SetFontHeight(16);
        m->SetText(test::sj(text));
        m->SetRowCount(rows);
        m->SetColor(rgb(30, 30, 60));
        m->Layout();
        return m;
    }
    void framed(TNuvoMenu& m) {
        for (int i : {0, 2, 6, 8}) m.SetBorderSource(i, "corner.pel");
        m.SetBorderSource(1, "hedge.pel");
        m.SetBorderSource(7, "hedge.pel");
        m.SetBorderSource(3, "vedge.pel");
        m.SetBorderSource(5, "vedge.pel");
        m.SetBorderSource(4, "centre.pel");
        m.Layout();
    }
    void step(int32_t ms = 16) {
        bases.TimeCounter += ms;
        frame(ms);
    }
    // Kinds of the queued events, in order.
    std::vector<int> kinds() const {
        std::vector<int> out;
        for (const TTimerData& e : bases.Events.Items()) out.push_back(e.Kind);
        return out;
    }
};

std::string tenItems() {
    std::string s;
    for (int i = 0; i < 10; ++i) s += "Item" + std::to_string(i) + "\n";
    return s;
}

#define REQUIRE_FONT() NUVO_REQUIRE_TEST_FONT()

TEST(Menu, LayoutFromItemsFramePicturesMarginsScrollAndChecks) {
    REQUIRE_FONT();
    // Half-width characters are 8 wide, the cell 16 high at 16 pixels.
    struct Case {
        const char* what;
        const char* text;
        int32_t rows, lineSpace, marginX, marginY;
        bool frame, scroll, check;
        int32_t width, height;
    };
    const Case cases[] = {
        {"plain", "AB\nABCD", 4, 0, 0, 0, false, false, false, 32, 32},
        {"line space only between rows", "AB\nABCD\nA", 4, 5, 0, 0, false, false, false, 32, 3 * 16 + 2 * 5},
        {"margins", "AB", 4, 0, 3, 2, false, false, false, 16 + 6, 16 + 4},
        {"frame bands", "AB", 4, 0, 0, 0, true, false, false, 16 + 16, 16 + 16},
        {"scroll bar only with more items than rows", "A\nB\nC", 2, 0, 0, 0, false, true, false, 8 + 6, 32},
        {"no scroll bar with room", "A\nB\nC", 3, 0, 0, 0, false, true, false, 8, 48},
        {"check column", "AB", 4, 0, 0, 0, false, false, true, 16 + 6, 16},
        {"no items", "", 4, 7, 1, 1, false, false, false, 2, 2},
    };
    for (const Case& c : cases) {
        MenuWorld w;
        TNuvoMenu* m = w.menu(c.text, c.rows);
        m->SetLineSpace(c.lineSpace);
        m->SetMarginX(c.marginX);
        m->SetMarginY(c.marginY);
        if (c.frame) w.framed(*m);
        if (c.scroll) m->SetScrollSource("scroll.pel");
        if (c.check) m->SetCheckSource("check.pel");
        m->Layout();
        SCOPED_TRACE(c.what);
        EXPECT_EQ(m->GetWidth(), c.width);
        EXPECT_EQ(m->GetHeight(), c.height);
    }
}

TEST(Menu, TextTrimsAndResetsChecksAndTopIndex) {
    MenuWorld w;
    TNuvoMenu* m = w.menu(tenItems());
    m->SetTopIndex(3);
    m->SetCheck(2, true);
    EXPECT_TRUE(m->GetCheck(2));
    EXPECT_FALSE(m->GetCheck(10));
    m->SetCheck(-1, true); // outside the items: nothing
    m->SetText("\nA\r\nB\n");
    EXPECT_EQ(m->GetCount(), 2);
    EXPECT_EQ(m->GetText(), "A\r\nB");
    EXPECT_EQ(m->Labels().Items(1)->Text(), "B");
    EXPECT_FALSE(m->GetCheck(0));
    EXPECT_FALSE(m->GetCheck(1));
    EXPECT_EQ(m->GetTopIndex(), 0);
}

TEST(Menu, KeysMoveTheHoverAndScroll) {
    MenuWorld w;
    TNuvoMenu* m = w.menu(tenItems(), 4);
    m->SetPlayState(0);
    struct Case {
        int32_t key;
        int32_t hover, top;
    };
    // 10 items, 4 rows, from no hover.
    const Case cases[] = {
        {vk::Down, 0, 0}, {vk::Next, 4, 1}, {vk::Next, 8, 5}, {vk::Next, 9, 6}, {vk::Down, 9, 6},
        {vk::Prior, 5, 5}, {vk::Up, 4, 4},  {vk::Prior, 0, 0}, {vk::Up, 0, 0},
    };
    for (const Case& c : cases) {
        const int32_t key = c.key;
        m->DoKeyRepeat(std::span<const int32_t>(&key, 1));
        SCOPED_TRACE(c.key);
        EXPECT_EQ(m->Hover(), c.hover);
        EXPECT_EQ(m->GetTopIndex(), c.top);
    }
    TNuvoMenu* fresh = w.menu(tenItems(), 4);
    fresh->SetPlayState(0);
    const int32_t up = vk::Up;
    fresh->DoKeyRepeat(std::span<const int32_t>(&up, 1));
    EXPECT_EQ(fresh->Hover(), 9) << "Up from no hover takes the last item";
    EXPECT_EQ(fresh->GetTopIndex(), 6);
    fresh->SetTopIndex(100);
    EXPECT_EQ(fresh->GetTopIndex(), 6);
    fresh->SetRowCount(12);
    fresh->SetTopIndex(100);
    EXPECT_EQ(fresh->GetTopIndex(), 0);

    // An empty menu has nothing to hover.
    TNuvoMenu* empty = w.menu("", 4);
    empty->SetPlayState(0);
    const int32_t down = vk::Down;
    empty->DoKeyRepeat(std::span<const int32_t>(&down, 1));
    EXPECT_EQ(empty->Hover(), -1);
}

TEST(Menu, HoverEventsAndIndexOnEveryChange) {
    MenuWorld w;
    TNuvoMenu* m = w.menu("A\nB\nC");
    m->SetOnMapIn("h:in");
    m->SetOnMapOut("h:out");
    m->SetIndex(2);
    m->SetHover(0);
    EXPECT_EQ(m->GetIndex(), -1);
    w.bases.Events.Clear();
    m->SetHover(1);
    EXPECT_EQ(w.kinds(), std::vector<int>{PR_ONMAPIN});
    EXPECT_EQ(w.bases.Events[0].Args, (std::vector<std::string>{"B", "1"}));
    w.bases.Events.Clear();
    m->SetHover(-1);
    ASSERT_EQ(w.kinds(), std::vector<int>{PR_ONMAPOUT});
    EXPECT_EQ(w.bases.Events[0].Args, (std::vector<std::string>{"B", "1"}));
    // Only the rows left and reached are repainted (the mouse away from the menu).
    w.bases.MouseMove(150, 110);
    w.step();
    w.paint();
    m->SetHover(2);
    const auto& dirty = w.bases.ActiveBase()->DirtyList.Rects();
    ASSERT_FALSE(dirty.empty());
    int32_t top = dirty[0].Top, bottom = dirty[0].Bottom;
    for (const TRect& r : dirty) {
        top = std::min(top, r.Top);
        bottom = std::max(bottom, r.Bottom);
    }
    EXPECT_EQ(top, m->RowRect(2).Top);
    EXPECT_EQ(bottom, m->RowRect(2).Bottom);
    // One of a kind waits at a time.
    m->SetHover(0);
    m->SetHover(-1);
    m->SetHover(2);
    EXPECT_EQ(w.kinds(), (std::vector<int>{PR_ONMAPOUT, PR_ONMAPIN}));
    // A hover beyond replaced items is no item: nothing to choose.
    m->SetText("X");
    EXPECT_EQ(m->Hover(), 2);
    w.bases.Events.Clear();
    m->SetOnSelect("h:sel");
    const int32_t enter = vk::Return;
    m->SetPlayState(0);
    m->DoKeyRepeat(std::span<const int32_t>(&enter, 1));
    EXPECT_TRUE(w.bases.Events.Empty());
}

TEST(Menu, PlayStatesAndTheOpeningAnimation) {
    MenuWorld w;
    TNuvoMenu* m = w.menu("A\nB\nC\nD");
    const int32_t full = m->GetHeight();
    m->SetDelay(500);
    m->SetOnOpening("h:opening");
    m->SetOnOpened("h:opened");
    EXPECT_EQ(m->GetPlayState(), 2);
    m->SetPlayState(1);
    w.step(16); // state 100: lay out, height 0
    EXPECT_EQ(m->GetHeight(), 0);
    EXPECT_EQ(m->GetOrigHeight(), full);
    EXPECT_EQ(w.kinds(), std::vector<int>{PR_ONOPENING});
    w.step(16); // the clock starts
    w.step(250);
    EXPECT_EQ(m->GetHeight(), full / 2);
    w.step(234);
    EXPECT_EQ(m->GetHeight(), full * 484 / 500);
    EXPECT_EQ(w.kinds().size(), 1u);
    w.step(16);
    EXPECT_EQ(m->GetHeight(), full);
    EXPECT_EQ(w.kinds(), (std::vector<int>{PR_ONOPENING, PR_ONOPENED}));
    EXPECT_EQ(m->GetPlayState(), 1);

    // 1 again restarts the animation; 0 on a menu reading 1 opens at once;
    // 1 on a menu reading 0 does nothing.
    m->SetPlayState(1);
    EXPECT_EQ(m->AnimState(), 100);
    m->SetPlayState(0);
    EXPECT_EQ(m->AnimState(), 0);
    EXPECT_EQ(m->GetHeight(), full);
    m->SetPlayState(1);
    EXPECT_EQ(m->AnimState(), 0);
    EXPECT_EQ(m->GetPlayState(), 0);
    // 2 closes at once and the menu stays.
    w.bases.Events.Clear();
    m->SetOnClosing("h:closing");
    m->SetOnClosed("h:closed");
    m->SetPlayState(2);
    EXPECT_EQ(m->GetHeight(), 0);
    EXPECT_EQ(w.kinds(), (std::vector<int>{PR_ONCLOSING, PR_ONCLOSED}));
    w.bases.Events.Clear();
    for (int i = 0; i < 5; ++i) w.step();
    EXPECT_EQ(w.bases.FindByName("menu"), m);
}

// The roads that close a menu and free it once the close events have run.
TEST(Menu, ClosingRoadsEndInDestructionAfterTheCloseEvents) {
    enum Road { RightClick, Escape, MenuClose, AutoScrap };
    for (Road road : {RightClick, Escape, MenuClose, AutoScrap}) {
        MenuWorld w;
        TNuvoMenu* m = w.menu("Load\nSave\nQuit");
        m->SetDelay(100);
        m->SetRClickScrap(true);
        m->SetAutoScrap(road == AutoScrap);
        m->SetHandleKey(true);
        m->SetOnSelect("h:sel");
        m->SetOnClosing("h:closing");
        m->SetOnClosed("h:closed");
        w.vars.SelStr = "before";
        m->SetPlayState(0);
        w.step();
        SCOPED_TRACE(road);
        switch (road) {
        case RightClick:
            w.bases.MouseMove(150, 110);
            w.bases.MouseDown(false, true);
            w.bases.MouseUp();
            break;
        case Escape:
            w.bases.SetKey(vk::Escape, true);
            w.bases.SetRawKey(vk::Escape, true);
            break;
        case MenuClose:
            m->SetPlayState(3);
            break;
        case AutoScrap:
            m->SetHover(1);
            w.bases.SetKey(vk::Return, true);
            w.bases.SetRawKey(vk::Return, true);
            break;
        }
        for (int i = 0; i < 20; ++i) w.step(16);
        ASSERT_EQ(w.bases.FindByName("menu"), m) << "the close events still wait";
        EXPECT_TRUE(m->Closing());
        if (road == AutoScrap) {
            EXPECT_EQ(w.kinds(), (std::vector<int>{PR_ONSELECT, PR_ONCLOSING, PR_ONCLOSED}));
            EXPECT_EQ(w.vars.SelStr, "Save");
            EXPECT_EQ(w.vars.SelIndex, 1);
        } else {
            EXPECT_EQ(w.kinds(), (std::vector<int>{PR_ONCLOSING, PR_ONCLOSED}));
            EXPECT_EQ(w.vars.SelStr, "before");
            EXPECT_EQ(m->GetHeight(), m->FullHeight() > 0 ? m->GetHeight() : 0);
        }
        // Escape again while closing changes nothing.
        w.bases.SetKey(vk::Escape, false);
        w.bases.SetKey(vk::Escape, true);
        w.step();
        EXPECT_EQ(w.kinds().size(), road == AutoScrap ? 3u : 2u);
        w.bases.Events.Clear();
        w.step();
        EXPECT_EQ(w.bases.FindByName("menu"), nullptr);
    }
}

TEST(Menu, ArrowRepeatsAtOnceAfter300msThenEvery50msWhileTheMouseStays) {
    MenuWorld w;
    TNuvoMenu* m = w.menu(tenItems(), 4);
    m->SetScrollSource("scroll.pel");
    m->Layout();
    m->SetPlayState(0);
    w.step();
    const int32_t x = m->GetWidth() - 3, downY = m->GetHeight() - 3;
    w.bases.MouseMove(x, downY);
    w.step();
    w.bases.MouseDown(true, false);
    w.step(16);
    EXPECT_EQ(m->ScrollMode(), 2);
    EXPECT_EQ(m->GetTopIndex(), 1) << "one row at once";
    for (int i = 0; i < 17; ++i) w.step(16); // 272 ms more
    EXPECT_EQ(m->GetTopIndex(), 1);
    w.step(28); // 300 ms
    EXPECT_EQ(m->GetTopIndex(), 2);
    w.step(50);
    EXPECT_EQ(m->GetTopIndex(), 3);
    // Off the arrow the scrolling pauses, the capture stays.
    w.bases.MouseMove(2, 2);
    w.step(50);
    w.step(50);
    EXPECT_EQ(m->GetTopIndex(), 3);
    EXPECT_EQ(m->ScrollMode(), 2);
    w.bases.MouseMove(x, downY);
    w.step(50);
    EXPECT_EQ(m->GetTopIndex(), 4);
    // Release off the item chooses nothing.
    w.bases.Events.Clear();
    w.bases.MouseUp();
    w.step();
    EXPECT_EQ(m->ScrollMode(), -1);
    EXPECT_TRUE(w.bases.Events.Empty());

    // The track pages; the thumb drags.
    w.bases.MouseMove(x, 2 + 6 + 1);
    w.step();
    w.bases.MouseDown(true, false);
    w.step();
    EXPECT_EQ(m->GetTopIndex(), 0);
    w.bases.MouseUp();
    w.step();
    w.bases.MouseMove(x, 6 + 3);
    w.step();
    w.bases.MouseDown(true, false);
    w.step();
    EXPECT_EQ(m->ScrollMode(), 0);
    w.bases.MouseMove(x, m->GetHeight() - 6 - 3);
    w.step();
    EXPECT_EQ(m->GetTopIndex(), 6);
    w.bases.MouseUp();
    w.step();
}

TEST(Menu, ClickChoosesTheItemUnderTheMouse) {
    MenuWorld w;
    TNuvoMenu* m = w.menu("Load\nSave\nQuit");
    m->SetOnSelect("h:sel");
    m->SetPlayState(0);
    w.step();
    w.bases.MouseMove(4, 16 + 5);
    w.step();
    EXPECT_EQ(m->Hover(), 1);
    EXPECT_EQ(m->ItemAt(4, 47), 2);
    EXPECT_EQ(m->ItemAt(4, 48), -1);
    m->SetHeight(200); // rows past the last item are no item
    EXPECT_EQ(m->ItemAt(4, 60), -1);
    m->Layout();
    w.bases.MouseDown(true, false);
    w.step();
    w.bases.MouseUp();
    w.step();
    EXPECT_EQ(w.vars.SelStr, "Save");
    EXPECT_EQ(m->GetIndex(), 1);
    ASSERT_EQ(w.kinds(), std::vector<int>{PR_ONSELECT});
    EXPECT_EQ(w.bases.Events[0].Args, (std::vector<std::string>{"Save", "1"}));
}

TEST(Menu, SaveRecordRoundTripsItsItemsChecksAndLooks) {
    MenuWorld w;
    TNuvoMenu* m = w.menu("A\nB\nC", 2);
    w.framed(*m);
    m->SetScrollSource("scroll.pel");
    m->SetCheck(1, true);
    m->SetHoverColor(rgb(1, 2, 3));
    m->SetFontHoverColor(rgb(9, 8, 7));
    m->SetTopIndex(1);
    m->SetOnMapIn("a:in");
    m->SetDelay(300);
    m->Layout();
    TKvMemoryStream s;
    m->SaveToStream(s);
    s.seek(0, SeekOrigin::Begin);
    auto* copy = w.bases.Create<TNuvoMenu>();
    copy->LoadFromStream(s, 140);
    EXPECT_EQ(copy->GetText(), m->GetText());
    EXPECT_TRUE(copy->GetCheck(1));
    EXPECT_FALSE(copy->GetCheck(0));
    EXPECT_EQ(copy->GetTopIndex(), 1);
    EXPECT_EQ(copy->GetHoverColor(), rgb(1, 2, 3));
    EXPECT_EQ(copy->GetFontHoverColor(), rgb(9, 8, 7));
    EXPECT_EQ(copy->GetBorderSource(4), "centre.pel");
    EXPECT_EQ(copy->GetOnMapIn(), "a:in");
    EXPECT_EQ(copy->GetDelay(), 300);
    EXPECT_EQ(copy->GetWidth(), m->GetWidth());
    EXPECT_EQ(copy->FullHeight(), m->GetHeight());
    EXPECT_EQ(s.seek(0, SeekOrigin::Current), s.size());
    // A record cut inside the check bytes is refused.
    TKvMemoryStream cut;
    m->SaveToStream(cut);
    cut.setSize(cut.size() - 60);
    cut.seek(0, SeekOrigin::Begin);
    auto* back = w.bases.Create<TNuvoMenu>();
    EXPECT_THROW(back->LoadFromStream(cut, 140), ENuvoError);
}

TEST(Menu, Pictures) {
    REQUIRE_FONT();
    struct Case {
        const char* name;
        std::function<void(MenuWorld&, TNuvoMenu&)> setup;
    };
    const Case cases[] = {
        {"menu-frame", [](MenuWorld& w, TNuvoMenu& m) { w.framed(m); }},
        {"menu-frame-align-centre",
         [](MenuWorld& w, TNuvoMenu& m) {
             w.framed(m);
             for (int i : {1, 4, 7}) m.SetBorderHAlign(i, 1);
             for (int i : {3, 4, 5}) m.SetBorderVAlign(i, 1);
         }},
        {"menu-frame-align-end",
         [](MenuWorld& w, TNuvoMenu& m) {
             w.framed(m);
             for (int i : {1, 4, 7}) m.SetBorderHAlign(i, 2);
             for (int i : {3, 4, 5}) m.SetBorderVAlign(i, 2);
         }},
        {"menu-scroll-top", [](MenuWorld&, TNuvoMenu& m) { m.SetScrollSource("scroll.pel"); }},
        {"menu-scroll-bottom",
         [](MenuWorld&, TNuvoMenu& m) {
             m.SetScrollSource("scroll.pel");
             m.SetTopIndex(100);
         }},
        {"menu-hover-check",
         [](MenuWorld&, TNuvoMenu& m) {
             m.SetCheckSource("check.pel");
             m.SetCheck(1, true);
             m.SetCheck(2, true);
             m.SetHoverColor(rgb(90, 30, 30));
             m.SetFontHoverColor(rgb(255, 255, 0));
             m.SetHover(1);
         }},
        {"menu-halign-centre", [](MenuWorld&, TNuvoMenu& m) { m.SetHAlign(1); }},
        {"menu-halign-right", [](MenuWorld&, TNuvoMenu& m) { m.SetHAlign(2); }},
        {"menu-alpha-128", [](MenuWorld& w, TNuvoMenu& m) { w.framed(m); m.SetAlpha(128); }},
        {"menu-alpha-300", [](MenuWorld& w, TNuvoMenu& m) { w.framed(m); m.SetAlpha(300); }},
    };
    test::GoldenSet golden("menus");
    for (const Case& c : cases) {
        MenuWorld w;
        TNuvoMenu* m = w.menu("Load\nSave game\nOptions\nQuit\nExtra", 4);
        m->SetLeft(10);
        m->SetTop(10);
        m->SetMarginX(4);
        m->SetMarginY(2);
        m->SetLineSpace(2);
        c.setup(w, *m);
        m->Layout();
        m->SetPlayState(0);
        w.step();
        SCOPED_TRACE(c.name);
        golden.expect(w.paint(), c.name);
    }
    EXPECT_EQ(golden.sameReferences(), "");
}

} // namespace
} // namespace nuvo

// fontconfig keeps its configuration for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
