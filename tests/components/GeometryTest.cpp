// Screen positions, invalidation into dirty rectangles, painting of children
// and hit testing.
#include "TestComponents.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace nuvo {
namespace {

using test::TTestControl;
using test::attachFilm;

class Geometry : public ::testing::Test {
public:
    TNuvoBaseList registry;

    void SetUp() override { resize(640, 480); }
    void resize(int32_t w, int32_t h) {
        registry.SetSize(w, h);
        for (int i = 0; i < 2; ++i)
            registry.Base(i)->DirtyList.Clear();
    }
    TTestControl* control(TNuvoControl* parent, int32_t left, int32_t top, int32_t width, int32_t height) {
        auto* c = registry.Create<TTestControl>();
        c->SetParent(parent ? parent : registry.ActiveBase());
        c->SetBounds(left, top, width, height);
        return c;
    }
    std::vector<TRect> dirty() { return registry.ActiveBase()->DirtyList.Rects(); }
    void clearDirty() { registry.ActiveBase()->DirtyList.Clear(); }
};

TEST_F(Geometry, ScreenPosition) {
    struct Case {
        const char* what;
        std::function<TTestControl*(Geometry&)> make;
        int32_t absLeft;
    };
    const Case cases[] = {
        {"zoomed anchor",
         [](Geometry& g) {
             TTestControl* c = g.control(nullptr, 100, 0, 40, 10);
             c->ZoomX = 512;
             c->SetAnchorX(10);
             return c;
         },
         80},
        {"flipped: the origin lies Width - 1 left of Left",
         [](Geometry& g) {
             TTestControl* c = g.control(nullptr, 100, 0, 50, 10);
             c->ZoomX = 256;
             c->FlipH = true;
             return c;
         },
         51},
        {"zoomed position",
         [](Geometry& g) {
             TTestControl* c = g.control(nullptr, 100, 0, 10, 10);
             c->ZoomX = 512;
             c->SetPosZoomed(true);
             return c;
         },
         200},
        {"zoomed position truncates toward zero",
         [](Geometry& g) {
             TTestControl* c = g.control(nullptr, -7, 0, 10, 10);
             c->ZoomX = 384;
             c->SetPosZoomed(true);
             return c;
         },
         -10},
        {"parent scroll and plus",
         [](Geometry& g) {
             TTestControl* parent = g.control(nullptr, 30, 0, 100, 100);
             parent->ScrollX = 5;
             TTestControl* c = g.control(parent, 10, 0, 10, 10);
             c->SetPlusX(2);
             return c;
         },
         37},
        {"a motion's position replaces Left",
         [](Geometry& g) {
             TTestControl* c = g.control(nullptr, 100, 0, 10, 10);
             attachFilm(*c, 100);
             c->SetMotionX(70);
             return c;
         },
         70},
        {"through the parent's picture scaling",
         [](Geometry& g) {
             TTestControl* parent = g.control(nullptr, 30, 0, 100, 100);
             parent->ZoomX = 256;
             parent->OwnSurface = std::make_unique<TDIBX>(200, 100, 32);
             TTestControl* c = g.control(parent, 51, 0, 10, 10);
             c->ZoomX = 256;
             c->OwnSurface = std::make_unique<TDIBX>(10, 10, 32);
             c->SetPosZoomed(true);
             return c; // 51 / 2 = 25.5: the remainder rounds up
         },
         56},
        {"through the parent's picture scaling, flipped",
         [](Geometry& g) {
             TTestControl* parent = g.control(nullptr, 30, 0, 100, 100);
             parent->ZoomX = 256;
             parent->OwnSurface = std::make_unique<TDIBX>(200, 100, 32);
             TTestControl* c = g.control(parent, 50, 0, 10, 10);
             c->ZoomX = 256;
             c->FlipH = true;
             c->OwnSurface = std::make_unique<TDIBX>(10, 10, 32);
             c->SetPosZoomed(true);
             return c; // (200 - 50 - 10) / 2
         },
         100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTestControl* control = c.make(*this);
        EXPECT_EQ(control->GetAbsLeft(), c.absLeft);
    }

    TTestControl* parent = control(nullptr, 0, 40, 100, 100);
    parent->ScrollY = 4;
    TTestControl* child = control(parent, 0, 10, 20, 8);
    child->ZoomY = 256;
    child->FlipV = true;
    child->SetAnchorY(2);
    EXPECT_EQ(child->GetAbsTop(), 40 - 4 + 10 - (8 - 2 - 1));
    EXPECT_EQ(child->GetLocalTop(), 10 - 5);
    EXPECT_EQ(child->GetAnchorScreenPos().Y, 40 - 4 + 10);
    EXPECT_EQ(child->LocalToScreen({1, 1}), (TPoint{1, child->GetAbsTop() + 1}));
}

TEST_F(Geometry, DirtyRectanglesMerge) {
    struct Case {
        const char* what;
        std::vector<TRect> added;
        std::vector<TRect> stored;
    };
    const Case cases[] = {
        {"15 pixels apart: one", {{0, 0, 10, 10}, {25, 0, 35, 10}}, {{0, 0, 35, 10}}},
        {"25 pixels apart: two", {{0, 0, 10, 10}, {35, 0, 45, 10}}, {{0, 0, 10, 10}, {35, 0, 45, 10}}},
        {"near on one axis only", {{0, 0, 10, 10}, {15, 40, 25, 50}}, {{0, 0, 10, 10}, {15, 40, 25, 50}}},
        {"contained", {{0, 0, 50, 50}, {10, 10, 20, 20}}, {{0, 0, 50, 50}}},
        {"empty", {{5, 5, 5, 9}}, {}},
        {"a union is merged again",
         {{0, 0, 10, 10}, {80, 0, 90, 10}, {50, 0, 60, 10}, {30, 0, 40, 10}},
         {{0, 0, 90, 10}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TClipList list;
        for (const TRect& r : c.added)
            list.Add(r);
        EXPECT_EQ(list.Rects(), c.stored);
        EXPECT_EQ(list.Changed, !c.stored.empty());
    }
}

TEST_F(Geometry, InvalidationProducesTheVisibleArea) {
    TTestControl* c = control(nullptr, 10, 10, 20, 20);
    clearDirty();
    c->SetLeft(100);
    EXPECT_EQ(dirty(), (std::vector<TRect>{{10, 10, 30, 30}, {100, 10, 120, 30}})) << "old and new place";

    TTestControl* parent = control(nullptr, 300, 300, 50, 50);
    TTestControl* child = control(parent, 40, 40, 30, 30);
    clearDirty();
    child->Invalidate();
    EXPECT_EQ(dirty(), (std::vector<TRect>{{340, 340, 350, 350}})) << "within the parent";

    clearDirty();
    child->SetClipLeft(5);
    child->SetClipTop(5);
    child->SetClipWidth(3);
    clearDirty();
    child->Invalidate();
    EXPECT_EQ(dirty(), (std::vector<TRect>{{340, 340, 350, 350}})) << "a clip of height 0 clips nothing";
    child->SetClipHeight(3);
    clearDirty();
    child->Invalidate();
    EXPECT_EQ(dirty(), (std::vector<TRect>{{345, 345, 348, 348}}));

    TRect shown{0, 0, 640, 480};
    EXPECT_TRUE(child->IntersectsVisible(shown));
    EXPECT_EQ(shown, (TRect{345, 345, 348, 348})) << "what shows of the screen through child and parent";

    TTestControl* corner = control(nullptr, 630, 470, 20, 20);
    clearDirty();
    corner->Invalidate();
    EXPECT_EQ(dirty(), (std::vector<TRect>{{630, 470, 640, 480}})) << "clamped to the screen";

    clearDirty();
    corner->SetVisible(false);
    EXPECT_EQ(dirty().size(), 1u) << "hiding repaints the old area once";
    clearDirty();
    corner->SetLeft(0);
    corner->Invalidate();
    EXPECT_TRUE(dirty().empty()) << "invisible";

    auto* loose = registry.Create<TTestControl>();
    loose->SetBounds(0, 0, 10, 10);
    EXPECT_TRUE(dirty().empty()) << "on no base screen";
    loose->SetParent(registry.InactiveBase());
    EXPECT_TRUE(dirty().empty());
    EXPECT_EQ(registry.InactiveBase()->DirtyList.Rects(), (std::vector<TRect>{{0, 0, 10, 10}}));
}

TEST_F(Geometry, PaintingChildren) {
    resize(32, 32);
    TDIBX& screen = registry.BackSurface;
    TTestControl* red = control(nullptr, 0, 0, 16, 16);
    red->SetColor(0x0000FF);
    TTestControl* green = control(red, 8, 8, 16, 16); // half outside its parent
    green->SetColor(0x00FF00);
    TTestControl* blue = control(nullptr, 16, 0, 16, 16);
    blue->SetColor(0xFF0000);
    blue->SetClipWidth(4);
    blue->SetClipHeight(4);
    TTestControl* hidden = control(nullptr, 0, 16, 16, 16);
    hidden->SetColor(0xFFFFFF);
    hidden->SetVisible(false);
    TTestControl* deleted = control(nullptr, 16, 16, 16, 16);
    deleted->SetColor(0xFFFFFF);
    deleted->Delete();
    registry.ActiveBase()->SetColor(0x808080);
    registry.ActiveBase()->Invalidate();
    registry.ActiveBase()->PaintDirty();

    const auto at = [&](int x, int y) { return screen.PixelToColor(static_cast<uint32_t>(screen.GetPixel(x, y))); };
    EXPECT_EQ(at(1, 1), 0x0000FF);
    EXPECT_EQ(at(12, 12), 0x00FF00);
    EXPECT_EQ(at(20, 12), 0x808080) << "the child shows only inside its parent";
    EXPECT_EQ(at(17, 1), 0xFF0000);
    EXPECT_EQ(at(20, 1), 0x808080) << "clipped";
    EXPECT_EQ(at(2, 20), 0x808080) << "invisible";
    EXPECT_EQ(at(20, 20), 0x808080) << "deleted";
    EXPECT_EQ(screen.ClipRect, TRect{}) << "the clip is restored";

    // Only the dirty rectangle is repainted.
    registry.ActiveBase()->DirtyList.Clear();
    red->SetColor(0x00FFFF);
    registry.ActiveBase()->DirtyList.Clear();
    registry.ActiveBase()->AddDirtyRect({0, 0, 4, 4});
    registry.ActiveBase()->PaintDirty();
    EXPECT_EQ(at(1, 1), 0x00FFFF);
    EXPECT_EQ(at(6, 6), 0x0000FF);
}

TEST_F(Geometry, HitTestingThroughNestedControls) {
    TNuvoBase* base = registry.ActiveBase();
    TTestControl* panel = control(nullptr, 100, 100, 200, 200);
    TTestControl* inner = control(panel, 10, 10, 50, 50);
    TTestControl* covered = control(panel, 10, 10, 50, 50);
    covered->SetVisible(false);
    TTestControl* outside = control(panel, 180, 180, 50, 50); // reaches past the panel
    TTestControl* ignoring = control(panel, 100, 100, 50, 50);
    ignoring->SetIgnoreMouse(IM_ALL);

    EXPECT_EQ(base->HitTest(120, 120, kHitLeftClick), inner) << "an invisible control above does not hit";
    EXPECT_EQ(base->HitTest(290, 290, kHitLeftClick), outside);
    EXPECT_EQ(base->HitTest(310, 310, kHitLeftClick), base) << "outside the panel its child is not reached";
    EXPECT_EQ(base->HitTest(210, 210, kHitHover), panel) << "the mouse passes through IM_ALL";
    TTestControl* deeper = control(ignoring, 0, 0, 10, 10);
    EXPECT_EQ(base->HitTest(201, 201, kHitHover), deeper) << "children of an ignoring control still hit";
    EXPECT_EQ(base->HitTest(-1, 5, kHitHover), nullptr);

    struct Case {
        int32_t mode;
        bool left, right, hover;
    };
    const Case cases[] = {
        {IM_NONE, true, true, true},    {IM_ALL, false, false, false},  {IM_CLICK, false, false, true},
        {IM_LCLICK, false, true, true}, {IM_RCLICK, true, false, true}, {7, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        inner->SetIgnoreMouse(c.mode);
        EXPECT_EQ(base->HitTest(120, 120, kHitLeftClick), c.left ? inner : panel);
        EXPECT_EQ(base->HitTest(120, 120, kHitRightClick), c.right ? inner : panel);
        EXPECT_EQ(base->HitTest(120, 120, kHitHover), c.hover ? inner : panel);
    }
}

} // namespace
} // namespace nuvo
