#include "render/ScreenManager.h"

#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace nuvo;
using platform::DisplayInfo;
using platform::DisplayMode;
using platform::PanelRect;

namespace {

// A window that records what the manager asks of it and keeps the picture
// it was shown, pixel by pixel, as a screen would.
class FakeWindow : public platform::IWindow {
public:
    DisplayInfo display;
    bool fullScreenWorks = true;
    int queries = 0;
    std::vector<std::string> calls;
    std::vector<std::vector<PanelRect>> presents;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> shown;

    void Open(const platform::WindowSetup&) override {}
    void SetCaption(const std::string&) override {}
    void SetPanelSize(int32_t, int32_t) override {}
    void SetToolbarVisible(bool) override {}
    bool ToolbarVisible() const override { return false; }
    void Present(const platform::PixelView& p, const PanelRect* rects, size_t count) override {
        EXPECT_EQ(p.bitCount, 32);
        if (p.width != width || p.height != height) {
            width = p.width;
            height = p.height;
            shown.assign(static_cast<size_t>(width * height), 0);
        }
        presents.emplace_back(rects, rects + count);
        for (size_t i = 0; i < count; ++i)
            for (int32_t y = rects[i].top; y < rects[i].bottom; ++y)
                for (int32_t x = rects[i].left; x < rects[i].right; ++x) {
                    uint32_t v;
                    std::memcpy(&v, p.pixels + y * p.rowStep + x * 4, 4);
                    shown[static_cast<size_t>(y * width + x)] = v & 0xFFFFFF;
                }
    }
    bool ReadPresented(std::vector<uint32_t>& pixels, int32_t& w, int32_t& h) override {
        if (shown.empty()) return false;
        pixels = shown;
        w = width;
        h = height;
        return true;
    }
    DisplayInfo QueryDisplay() override {
        ++queries;
        return display;
    }
    bool EnterFullScreen(const DisplayMode& m) override {
        calls.push_back("full " + std::to_string(m.Width) + "x" + std::to_string(m.Height));
        if (!fullScreenWorks) return false;
        full_ = true;
        return true;
    }
    void LeaveFullScreen() override {
        calls.push_back("window");
        full_ = false;
    }
    bool IsFullScreen() const override { return full_; }
    void SetCursor(const platform::CursorShape*) override {}
    bool MovePointer(int32_t, int32_t) override { return false; }
    void PumpEvents(platform::IWindowEvents&) override {}
    void WaitEvents(int32_t) override {}

private:
    bool full_ = false;
};

DisplayInfo displayOf(std::vector<DisplayMode> modes, int desktopBits = 32, int presentBits = 32) {
    DisplayInfo d;
    d.available = true;
    d.desktopBitCount = desktopBits;
    d.presentBitCount = presentBits;
    d.modes = std::move(modes);
    return d;
}

} // namespace

TEST(ScreenManager, ModesTheTitleFitsInAndTheChosenOne) {
    struct Case {
        const char* what;
        std::vector<DisplayMode> modes;
        int desktopBits;
        std::vector<DisplayMode> listed;
        int32_t preferred;
    };
    const Case cases[] = {
        {"modes below 16 bits and smaller than the screen are left out",
         {{640, 480, 8, 60}, {640, 480, 16, 60}, {640, 480, 32, 60}, {639, 480, 32, 60}, {640, 479, 32, 60}},
         32,
         {{640, 480, 16, 60}, {640, 480, 32, 60}},
         0},
        {"of two preferred modes at the desktop's depth the lower refresh rate wins",
         {{1024, 768, 32, 60}, {800, 600, 32, 75}, {800, 600, 32, 60}, {800, 600, 32, 85}},
         32,
         {{1024, 768, 32, 60}, {800, 600, 32, 75}, {800, 600, 32, 60}, {800, 600, 32, 85}},
         2},
        {"the desktop's depth wins over a lower refresh rate",
         {{800, 600, 16, 50}, {800, 600, 32, 75}, {800, 600, 16, 40}},
         32,
         {{800, 600, 16, 50}, {800, 600, 32, 75}, {800, 600, 16, 40}},
         1},
        {"away from the desktop's depth the first of the preferred size stays",
         {{1280, 1024, 32, 60}, {800, 600, 16, 75}, {800, 600, 16, 60}},
         24,
         {{1280, 1024, 32, 60}, {800, 600, 16, 75}, {800, 600, 16, 60}},
         1},
        {"without the preferred size the first mode listed is chosen",
         {{1024, 768, 32, 60}, {1280, 1024, 32, 60}},
         32,
         {{1024, 768, 32, 60}, {1280, 1024, 32, 60}},
         0},
        {"nothing fits", {{320, 240, 32, 60}}, 32, {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWindow w;
        w.display = displayOf(c.modes, c.desktopBits);
        TScreenManager sm(w, 600, 800, 480, 640);
        ASSERT_EQ(sm.ModeCount(), static_cast<int32_t>(c.listed.size()));
        for (int32_t i = 0; i < sm.ModeCount(); ++i)
            EXPECT_EQ(sm.GetMode(i), c.listed[static_cast<size_t>(i)]);
        EXPECT_EQ(sm.PreferredModeIndex(), c.preferred);
        EXPECT_EQ(sm.DesktopBitCount(), c.desktopBits);
        EXPECT_EQ(sm.GetMode(sm.ModeCount()), DisplayMode{});
        EXPECT_EQ(sm.ModeIndex(), -1);
    }
}

TEST(ScreenManager, BackBufferTakesTheWindowsPixelFormat) {
    const std::pair<int, int> cases[] = {{15, 15}, {16, 16}, {24, 32}, {32, 32}, {8, 16}};
    for (const auto& [present, expected] : cases) {
        FakeWindow w;
        w.display = displayOf({{640, 480, 32, 60}}, 32, present);
        TScreenManager sm(w, 480, 640, 480, 640);
        EXPECT_EQ(sm.ScreenBitCount(), expected) << present;
        EXPECT_EQ(sm.BackBuffer().BitCount(), expected);
        EXPECT_EQ(sm.BackBuffer().Width(), 640);
        EXPECT_EQ(sm.BackBuffer().Height(), 480);
        EXPECT_TRUE(sm.MemorySurfaces());
    }
    EXPECT_EQ(ScreenBitCountOf(nullptr), 32);
}

TEST(ScreenManager, SwitchingBetweenWindowAndFullScreen) {
    FakeWindow w;
    w.display = displayOf({{640, 480, 32, 60}, {800, 600, 32, 60}});
    TScreenManager sm(w, 600, 800, 480, 640);
    TDIBX* const buffer = &sm.BackBuffer();
    const int queriesAfterCreate = w.queries;

    sm.SetDisplayMode(-1); // already windowed: nothing at all
    EXPECT_TRUE(w.calls.empty());
    EXPECT_EQ(w.queries, queriesAfterCreate);

    sm.SetDisplayMode(sm.PreferredModeIndex());
    EXPECT_EQ(sm.ModeIndex(), 1);
    EXPECT_TRUE(sm.FullScreenBuilt());
    EXPECT_EQ(w.calls, std::vector<std::string>{"full 800x600"});
    EXPECT_EQ(&sm.BackBuffer(), buffer); // the same object, rebuilt
    EXPECT_EQ(sm.BackBuffer().Width(), 640);
    EXPECT_EQ(sm.DisplayBitCount(), 32);

    sm.SetDisplayMode(0); // another mode while in full screen
    EXPECT_EQ(sm.ModeIndex(), 0);

    sm.ReleaseAll();
    EXPECT_EQ(sm.ModeIndex(), -2);
    EXPECT_TRUE(sm.BackBuffer().IsEmpty());
    sm.SetDisplayMode(-1);
    EXPECT_EQ(sm.ModeIndex(), -1);
    EXPECT_FALSE(sm.FullScreenBuilt());
    EXPECT_FALSE(w.IsFullScreen());
    EXPECT_EQ(sm.BackBuffer().Width(), 640);

    // A full screen the window refuses, and an index that names no mode,
    // both end in the window.
    w.fullScreenWorks = false;
    sm.SetDisplayMode(1);
    EXPECT_EQ(sm.ModeIndex(), -1);
    EXPECT_FALSE(sm.FullScreenBuilt());
    EXPECT_EQ(sm.BackBuffer().Width(), 640);
    w.fullScreenWorks = true;
    sm.SetDisplayMode(7);
    EXPECT_EQ(sm.ModeIndex(), -1);
    sm.SetDisplayMode(-5);
    EXPECT_EQ(sm.ModeIndex(), -1);
}

TEST(ScreenManager, WithoutADisplayToAskThereIsOnlyTheWindow) {
    FakeWindow w; // display.available is false
    TScreenManager sm(w, 600, 800, 480, 640);
    EXPECT_EQ(sm.ModeCount(), 0);
    EXPECT_EQ(sm.PreferredModeIndex(), -1);
    EXPECT_EQ(sm.DesktopBitCount(), 24);
    EXPECT_EQ(sm.ScreenBitCount(), 32);
    sm.SetDisplayMode(0);
    EXPECT_EQ(sm.ModeIndex(), -1);
    EXPECT_TRUE(w.calls.empty());
}

namespace {

struct PresentFixture : testing::Test {
    FakeWindow w;
    TScreenManager sm{w, 480, 640, 48, 64};

    void SetUp() override {
        w.display.available = true;
        // A picture whose every pixel is its own position.
        for (int32_t y = 0; y < 48; ++y)
            for (int32_t x = 0; x < 64; ++x)
                sm.BackBuffer().SetPixel(x, y, (y << 8) | x);
    }
    uint32_t shownAt(int32_t x, int32_t y) const { return w.shown[static_cast<size_t>(y * w.width + x)]; }
};

} // namespace

TEST_F(PresentFixture, ChangedRectanglesAtFullSize) {
    sm.Present(100, TRect{}, {TRect{1, 2, 5, 6}, TRect{}, TRect{60, 40, 70, 50}});
    ASSERT_EQ(w.presents.size(), 1u);
    EXPECT_EQ(w.presents[0], (std::vector<PanelRect>{{1, 2, 5, 6}, {60, 40, 64, 48}}));
    EXPECT_EQ(sm.PresentCount, 1);
    EXPECT_EQ(shownAt(4, 5), 0x0504u);
    EXPECT_EQ(shownAt(5, 5), 0u);

    // A transition's area takes the place of the list.
    sm.Present(100, TRect{10, 10, 20, 20}, {TRect{0, 0, 64, 48}});
    EXPECT_EQ(w.presents.back(), (std::vector<PanelRect>{{10, 10, 20, 20}}));
    EXPECT_EQ(sm.PresentCount, 2);

    // Nothing changed: nothing shown, nothing counted. A list of empty
    // rectangles shows nothing but counts.
    sm.Present(100, TRect{}, {});
    EXPECT_EQ(sm.PresentCount, 2);
    sm.Present(100, TRect{}, {TRect{5, 5, 5, 9}});
    EXPECT_EQ(sm.PresentCount, 3);
    EXPECT_EQ(w.presents.size(), 2u);

    sm.PresentAll();
    EXPECT_EQ(w.presents.back(), (std::vector<PanelRect>{{0, 0, 64, 48}}));
    EXPECT_EQ(sm.PresentCount, 3);
}

TEST_F(PresentFixture, WholeMultipleZoomScalesEachRectangle) {
    sm.Present(200, TRect{}, {TRect{1, 1, 3, 2}, TRect{30, 20, 40, 30}});
    ASSERT_EQ(w.presents.size(), 1u);
    // Doubled, the second one clipped to the panel.
    EXPECT_EQ(w.presents[0], (std::vector<PanelRect>{{2, 2, 6, 4}, {60, 40, 64, 48}}));
    EXPECT_EQ(sm.PresentCount, 1);
    for (const auto& [x, y] : {std::pair{2, 2}, {3, 3}, {5, 2}, {63, 47}})
        EXPECT_EQ(shownAt(x, y), static_cast<uint32_t>((y / 2) << 8 | (x / 2))) << x << "," << y;
    EXPECT_EQ(shownAt(0, 0), 0u);
}

TEST_F(PresentFixture, OtherZoomsStretchTheWholePictureEveryFrame) {
    for (int frame = 1; frame <= 3; ++frame) {
        sm.Present(150, TRect{}, {});
        EXPECT_EQ(sm.PresentCount, frame);
        EXPECT_EQ(w.presents.back(), (std::vector<PanelRect>{{0, 0, 64, 48}}));
    }
    // Source pixel of destination d is about d * 2 / 3 (nearest; points
    // where that is whole fall to the stretch's truncated step).
    for (const auto& [x, y] : {std::pair{0, 0}, {4, 5}, {62, 46}})
        EXPECT_EQ(shownAt(x, y), static_cast<uint32_t>((y * 2 / 3) << 8 | (x * 2 / 3))) << x << "," << y;

    // At 50 % the picture takes the top-left quarter; the rest keeps what
    // was shown before.
    sm.Present(50, TRect{}, {});
    EXPECT_EQ(w.presents.back(), (std::vector<PanelRect>{{0, 0, 32, 24}}));
    EXPECT_EQ(shownAt(1, 1), static_cast<uint32_t>(2 << 8 | 2));
    EXPECT_EQ(sm.PresentCount, 4);
}

TEST(ScreenManager, ShotsAreNamedByFrameAndHoldThePanel) {
    EXPECT_EQ(ShotFileName("/tmp/x", 123), "/tmp/x/frame-000123.png");
    EXPECT_EQ(ShotFileName("out/", 1234567), "out/frame-1234567.png");
    FakeWindow w;
    test::TempDir dir;
    const std::string path = ShotFileName(dir.str(), 7);
    EXPECT_FALSE(SaveWindowPicture(w, path)); // nothing presented yet
    w.width = 3;
    w.height = 2;
    w.shown = {0xFF0000, 0x00FF00, 0x0000FF, 0x000000, 0xFFFFFF, 0x123456};
    ASSERT_TRUE(SaveWindowPicture(w, path));
    const std::string png = test::readFile(path);
    TDIBSurface picture;
    int32_t key = -1;
    ReadPng(reinterpret_cast<const uint8_t*>(png.data()), png.size(), picture, key);
    ASSERT_EQ(picture.Width(), 3);
    ASSERT_EQ(picture.Height(), 2);
    for (int32_t i = 0; i < 6; ++i) {
        const int32_t c = picture.PixelToColor(static_cast<uint32_t>(picture.GetPixel(i % 3, i / 3)));
        const uint32_t rgb = colorRed(c) << 16 | colorGreen(c) << 8 | colorBlue(c);
        EXPECT_EQ(rgb, w.shown[static_cast<size_t>(i)]) << i;
    }
}
