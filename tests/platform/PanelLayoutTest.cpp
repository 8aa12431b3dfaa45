#include "platform/PanelLayout.h"

#include <gtest/gtest.h>

using namespace nuvo::platform;

TEST(PanelLayout, PictureFitsKeepingItsAspect) {
    struct Case {
        int32_t areaW, areaH, picW, picH;
        int32_t x, y, w, h;
        bool whole;
    };
    const Case cases[] = {
        {640, 480, 640, 480, 0, 0, 640, 480, true},        // one to one
        {1280, 960, 640, 480, 0, 0, 1280, 960, true},      // doubled
        {1920, 1080, 800, 600, 240, 0, 1440, 1080, false}, // 1.8: bars left and right
        {1280, 1024, 800, 600, 0, 32, 1280, 960, false},   // 1.6: bars above and below
        {1920, 1080, 640, 360, 0, 0, 1920, 1080, true},    // tripled, no bars
        {1366, 768, 800, 600, 171, 0, 1024, 768, false},   // odd remainder goes right
        {100, 100, 3, 1000, 49, 0, 1, 100, false},         // never narrower than one pixel
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.areaW << "x" << c.areaH << " <- " << c.picW << "x" << c.picH);
        const PanelPlacement p = fitPicture(0, 0, c.areaW, c.areaH, c.picW, c.picH);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
        EXPECT_EQ(p.width, c.w);
        EXPECT_EQ(p.height, c.h);
        EXPECT_EQ(p.wholeScale(), c.whole);
    }
    // The area's own offset (the tool bar strip above the panel) carries over.
    const PanelPlacement below = fitPicture(0, 22, 640, 480, 640, 480);
    EXPECT_EQ(below.y, 22);
    EXPECT_TRUE(below.wholeScale());
    EXPECT_EQ(fitPicture(0, 0, 0, 0, 640, 480).width, 0);
}

TEST(PanelLayout, AreaPositionsMapToPanelPixels) {
    // 800 x 600 scaled 1.8 into 1920 x 1080, 240 pixels of bar on the left.
    const PanelPlacement p = fitPicture(0, 0, 1920, 1080, 800, 600);
    struct Case {
        double ax, ay;
        int32_t px, py;
    };
    const Case cases[] = {
        {240, 0, 0, 0},         {241.7, 1.7, 0, 0},    {241.8, 1.8, 1, 1}, {1679.9, 1079.9, 799, 599},
        {1680, 1080, 800, 600}, {239.9, 500, -1, 277}, {0, 0, -134, 0},
    };
    for (const Case& c : cases) {
        int32_t x = 0, y = 0;
        p.toPanel(c.ax, c.ay, x, y);
        EXPECT_EQ(x, c.px) << c.ax;
        EXPECT_EQ(y, c.py) << c.ay;
    }
    // A pixel's centre maps back onto the pixel.
    for (int32_t px : {0, 1, 399, 799}) {
        double ax = 0, ay = 0;
        p.toArea(px, px % 600, ax, ay);
        int32_t x = 0, y = 0;
        p.toPanel(ax, ay, x, y);
        EXPECT_EQ(x, px);
        EXPECT_EQ(y, px % 600);
    }
}

TEST(PanelLayout, PressesCaptureTheirButtonUntilReleased) {
    PointerRoute route;
    route.setPanelSize(100, 50);
    const auto ev = [](int32_t x, int32_t y, MouseButton b = MouseButton::Left) {
        PointerEvent e;
        e.x = x;
        e.y = y;
        e.button = b;
        return e;
    };
    PointerEvent e = ev(150, 10);
    EXPECT_TRUE(route.move(e)); // moves always go, flagged
    EXPECT_FALSE(e.inPanel);
    e = ev(150, 10);
    EXPECT_FALSE(route.press(e)); // not over the panel
    EXPECT_FALSE(route.captured());
    e = ev(99, 49);
    EXPECT_TRUE(route.release(e)); // over the panel: the panel sees it
    EXPECT_TRUE(e.inPanel);

    e = ev(10, 10, MouseButton::Right);
    EXPECT_TRUE(route.press(e));
    EXPECT_TRUE(route.captured());
    e = ev(-1, 10, MouseButton::Left);
    EXPECT_FALSE(route.release(e)); // the left button was not pressed on the panel
    e = ev(-1, 10, MouseButton::Right);
    EXPECT_TRUE(route.release(e)); // the right one was: its release goes there, outside
    EXPECT_FALSE(e.inPanel);
    EXPECT_FALSE(route.captured());
    e = ev(-1, 10, MouseButton::Right);
    EXPECT_FALSE(route.release(e)); // released once only
}
