// Sliders, scrollbars and gauges: geometry, pictures, mouse and key input
// through the registry, the gauge's motion and the save records.
#include "ImageFixture.h"

#include "base/Error.h"
#include "base/StreamIO.h"
#include "components/NuvoValueControls.h"

#include <gtest/gtest.h>

#include <climits>

namespace nuvo {
namespace {

using test::ImageWorld;
using test::rgb;
using F = test::PictureFiles;

// A track of two 24 x 4 halves (striped, so tiling shows), a thumb of three
// 6 x 8 cells, buttons of six 6 x 6 cells, a vertical track of two 4 x 24
// halves and a gauge bar of two 8 x 6 halves with a gradient.
void addControlPictures(F& files) {
    files.add("track.pel", {F::frame(48, 4, [](int32_t x, int32_t y) {
                  const bool right = x >= 24;
                  const bool stripe = (x % 24) % 6 < 3;
                  if (y == 0 || y == 3) return rgb(20, 20, 20);
                  return right ? (stripe ? rgb(250, 180, 40) : rgb(200, 120, 20))
                               : (stripe ? rgb(120, 120, 140) : rgb(90, 90, 110));
              })});
    files.add("vtrack.pel", {F::frame(8, 24, [](int32_t x, int32_t y) {
                  const bool right = x >= 4;
                  const bool stripe = y % 6 < 3;
                  return right ? (stripe ? rgb(250, 180, 40) : rgb(200, 120, 20))
                               : (stripe ? rgb(120, 120, 140) : rgb(90, 90, 110));
              })});
    files.add("thumb.pel", {F::frame(18, 8, [](int32_t x, int32_t y) {
                  const int32_t cell = x / 6;
                  if (y == 0 || y == 7 || x % 6 == 0 || x % 6 == 5) return rgb(255, 255, 255);
                  return cell == 0 ? rgb(60, 120, 220) : cell == 1 ? rgb(100, 200, 255) : rgb(20, 40, 120);
              })});
    files.add("buttons.pel", {F::frame(36, 6, [](int32_t x, int32_t y) {
                  const int32_t cell = x / 6, state = cell % 3;
                  const bool arrow = cell < 3 ? (x % 6) + y / 2 >= 3 && (x % 6) - y / 2 <= 2
                                              : (x % 6) - y / 2 <= 2 && (x % 6) + y / 2 >= 3;
                  const int32_t base = state == 0 ? 140 : state == 1 ? 200 : 80;
                  return arrow ? rgb(250, 250, 250) : rgb(base, base, base / 2);
              })});
    files.add("bar.pel", {F::frame(16, 6, [](int32_t x, int32_t y) {
                  if (y == 0 || y == 5) return rgb(10, 10, 10);
                  return x < 8 ? rgb(40, 120 + 16 * x, 60) : rgb(230, 40 + 10 * (x - 8), 40);
              })});
}

struct World : ImageWorld {
    World() : ImageWorld(64, 48) { addControlPictures(files); }

    template <class T> T* make(bool vertical, int32_t left = 0, int32_t top = 0) {
        auto* c = bases.Create<T>();
        c->SetParent(bases.ActiveBase());
        c->SetLeft(left);
        c->SetTop(top);
        c->SetOrientation(vertical ? 1 : 0);
        c->SetSource(vertical ? "vtrack.pel" : "track.pel");
        c->SetThumbSource("thumb.pel");
        c->SetButtonSource("buttons.pel");
        c->SetOnNotify("notify");
        return c;
    }
    TNuvoGauge* gauge(bool vertical, int32_t left = 0, int32_t top = 0) {
        auto* g = bases.Create<TNuvoGauge>();
        g->SetParent(bases.ActiveBase());
        g->SetLeft(left);
        g->SetTop(top);
        g->SetOrientation(vertical ? 1 : 0);
        g->SetSource("bar.pel");
        return g;
    }
    void move(int32_t x, int32_t y, int32_t ms = 10) {
        bases.MouseMove(x, y);
        frame(ms);
    }
    void press(int32_t ms = 10) {
        bases.MouseDown(true, false);
        frame(ms);
    }
    void release(int32_t ms = 10) {
        bases.MouseUp();
        frame(ms);
    }
    // The arguments of the queued events of a kind, in order.
    std::vector<std::string> events(int32_t kind) {
        std::vector<std::string> out;
        for (const TTimerData& e : bases.Events.Items())
            if (e.Kind == kind) out.push_back(e.Args.empty() ? "" : e.Args[0]);
        return out;
    }
};

TRect rect(int32_t l, int32_t t, int32_t r, int32_t b) { return makeRect(l, t, r, b); }

TEST(ValueControls, Geometry) {
    struct Case {
        const char* name;
        bool scrollbar, vertical;
        int32_t barSize, min, max, value;
        int32_t width, height, offset, shownValue;
        TRect track, thumb, button0, button1;
    };
    const Case cases[] = {
        {"slider", false, false, 0, 0, 100, 50, 42, 8, 12, 50, rect(9, 2, 33, 6), rect(18, 0, 24, 8),
         rect(0, 1, 6, 7), rect(36, 1, 42, 7)},
        {"scrollbar", true, false, 0, 0, 100, 50, 36, 8, 9, 50, rect(6, 2, 30, 6), rect(15, 0, 21, 8),
         rect(0, 1, 6, 7), rect(30, 1, 36, 7)},
        // Min at the bottom: the thumb sits 12 up from the lowest place.
        {"slider vertical", false, true, 0, 0, 100, 50, 6, 44, 12, 50, rect(1, 10, 5, 34), rect(0, 18, 6, 26),
         rect(0, 0, 6, 6), rect(0, 38, 6, 44)},
        {"scrollbar vertical", true, true, 0, 0, 100, 50, 6, 36, 8, 50, rect(1, 6, 5, 30), rect(0, 14, 6, 22),
         rect(0, 0, 6, 6), rect(0, 30, 6, 36)},
        {"slider vertical at min", false, true, 0, 0, 100, 0, 6, 44, 0, 0, rect(1, 10, 5, 34), rect(0, 30, 6, 38),
         rect(0, 0, 6, 6), rect(0, 38, 6, 44)},
        {"bar size", false, false, 40, 0, 100, 50, 58, 8, 20, 50, rect(9, 2, 49, 6), rect(26, 0, 32, 8),
         rect(0, 1, 6, 7), rect(52, 1, 58, 7)},
        // The thumb is placed from the limited value.
        {"value above max", false, false, 0, 0, 100, 150, 42, 8, 24, 100, rect(9, 2, 33, 6), rect(30, 0, 36, 8),
         rect(0, 1, 6, 7), rect(36, 1, 42, 7)},
        {"max below min", false, false, 0, 10, 5, 7, 42, 8, 0, 10, rect(9, 2, 33, 6), rect(6, 0, 12, 8),
         rect(0, 1, 6, 7), rect(36, 1, 42, 7)},
        // A track shorter than the thumb: the thumb stays at the start.
        {"scrollbar track under thumb", true, false, 4, 0, 100, 50, 16, 8, 0, 50, rect(6, 2, 10, 6),
         rect(6, 0, 12, 8), rect(0, 1, 6, 7), rect(10, 1, 16, 7)},
        {"whole int range", false, false, 0, INT_MIN, INT_MAX, 0, 42, 8, 12, 0, rect(9, 2, 33, 6),
         rect(18, 0, 24, 8), rect(0, 1, 6, 7), rect(36, 1, 42, 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        TNuvoCustomSlider* s = c.scrollbar ? static_cast<TNuvoCustomSlider*>(w.make<TNuvoScrollbar>(c.vertical))
                                           : w.make<TNuvoSlider>(c.vertical);
        s->SetBarSize(c.barSize);
        s->SetMin(c.min);
        s->SetMax(c.max);
        s->SetValue(c.value);
        EXPECT_EQ(s->GetWidth(), c.width);
        EXPECT_EQ(s->GetHeight(), c.height);
        EXPECT_EQ(s->ThumbOffset(), c.offset);
        EXPECT_EQ(s->GetValue(), c.shownValue);
        EXPECT_EQ(s->TrackRect(), c.track);
        EXPECT_EQ(s->ThumbRect(), c.thumb);
        EXPECT_EQ(s->ButtonRect(0), c.button0);
        EXPECT_EQ(s->ButtonRect(1), c.button1);
    }
}

TEST(ValueControls, SizeFollowsPicturesAndNoTrackMeansNothing) {
    World w;
    auto* s = w.make<TNuvoSlider>(false);
    s->SetSource("");
    EXPECT_EQ(s->GetWidth(), 0);
    EXPECT_EQ(s->GetHeight(), 0);
    s->SetSource("track.pel");
    EXPECT_EQ(s->GetWidth(), 42);
    s->SetOrientation(1);
    EXPECT_EQ(s->GetWidth(), 24);  // the horizontal picture stood on end: 24 thick, 4 long
    EXPECT_EQ(s->GetHeight(), 24); // 4 + 8 + 2 x 6
    // A picture too narrow for its cells draws and hits nothing.
    w.files.add("tiny.pel", {F::frame(2, 2, [](int32_t, int32_t) { return rgb(255, 0, 0); })});
    s->SetOrientation(0);
    s->SetThumbSource("tiny.pel");
    s->SetButtonSource("tiny.pel");
    EXPECT_EQ(s->GetWidth(), 24);
    w.frame();
}

TEST(ValueControls, PicturesOfEachState) {
    test::GoldenSet golden("controls");
    struct Case {
        const char* name;
        std::function<void(World&)> setup;
    };
    const Case cases[] = {
        {"slider-idle",
         [](World& w) {
             w.make<TNuvoSlider>(false, 4, 4)->SetValue(30);
             w.make<TNuvoSlider>(true, 52, 2)->SetValue(75);
         }},
        {"slider-thumb-hover",
         [](World& w) {
             w.make<TNuvoSlider>(false, 4, 4)->SetValue(30);
             w.move(4 + 6 + 7 + 3, 8);
         }},
        {"slider-thumb-pressed",
         [](World& w) {
             w.make<TNuvoSlider>(false, 4, 4)->SetValue(30);
             w.move(4 + 6 + 7 + 3, 8);
             w.press();
         }},
        {"slider-button-pressed",
         [](World& w) {
             w.make<TNuvoSlider>(false, 4, 4)->SetValue(30);
             w.move(4 + 38, 4 + 3);
             w.press();
         }},
        {"scrollbar-track-held",
         [](World& w) {
             auto* s = w.make<TNuvoScrollbar>(false, 4, 4);
             s->SetValue(100);
             s->SetLargeChange(10);
             w.move(4 + 8, 4 + 3);
             w.press();
             w.make<TNuvoScrollbar>(true, 52, 2)->SetValue(40);
         }},
        {"gauge-falling",
         [](World& w) {
             auto* g = w.gauge(false, 4, 4);
             g->SetBarSize(50);
             g->SetValue(80);
             w.frame();
             g->SetDuration(1000);
             g->SetDelay(1000);
             g->SetValue(30);
             auto* v = w.gauge(true, 56, 2);
             v->SetBarSize(40);
             v->SetValue(60);
             w.frame();
             auto* r = w.gauge(false, 4, 20);
             r->SetBarSize(40);
             r->SetReverse(true);
             r->SetValue(70);
             w.frame();
             r->SetDuration(1000);
             r->SetDelay(1000);
             r->SetValue(20);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        c.setup(w);
        w.frame();
        golden.expect(w.paint(), c.name);
    }
}

TEST(ValueControls, StepButtonRepeatsAfter300MsThenEvery50) {
    World w;
    auto* s = w.make<TNuvoSlider>(false);
    s->SetSmallChange(5);
    w.move(38, 3);
    EXPECT_EQ(s->ButtonState(1), 1);
    w.press(); // t = 0
    EXPECT_EQ(s->GetValue(), 5);
    EXPECT_EQ(s->ButtonState(1), 2);
    const struct {
        int32_t at;
        int32_t value;
    } checks[] = {{290, 5}, {300, 10}, {340, 10}, {350, 15}, {400, 20}};
    int32_t t = 0;
    for (const auto& c : checks) {
        while (t < c.at) {
            w.frame(10);
            t += 10;
        }
        EXPECT_EQ(s->GetValue(), c.value) << c.at;
    }
    // Off the button the repeat pauses and the button shows normal.
    w.move(20, 3);
    for (int i = 0; i < 10; ++i)
        w.frame(10);
    EXPECT_EQ(s->GetValue(), 20);
    EXPECT_EQ(s->ButtonState(1), 0);
    w.release();
    EXPECT_EQ(s->DragMode(), 0);
    EXPECT_EQ(w.events(PR_ONNOTIFY), (std::vector<std::string>{"5", "10", "15", "20"}));
}

TEST(ValueControls, StepDirections) {
    // Button 0 lies at the left or the top.
    const struct {
        bool scrollbar, vertical;
        int button;
        int32_t change;
    } cases[] = {
        {false, false, 0, -1}, {false, false, 1, +1}, {true, false, 0, -1}, {true, false, 1, +1},
        {false, true, 0, +1},  {false, true, 1, -1},  {true, true, 0, -1},  {true, true, 1, +1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.scrollbar << c.vertical << c.button);
        World w;
        TNuvoCustomSlider* s = c.scrollbar ? static_cast<TNuvoCustomSlider*>(w.make<TNuvoScrollbar>(c.vertical))
                                           : w.make<TNuvoSlider>(c.vertical);
        s->SetValue(50);
        const TRect b = s->ButtonRect(c.button);
        w.move(b.Left + 2, b.Top + 2);
        w.press();
        w.release();
        EXPECT_EQ(s->GetValue(), 50 + c.change);
    }
}

TEST(ValueControls, TrackPagingStopsWhenTheThumbReachesTheMouse) {
    World w;
    auto* s = w.make<TNuvoScrollbar>(false);
    s->SetLargeChange(10);
    s->SetValue(100);
    w.move(8, 3); // on the track, before the thumb
    w.press();
    EXPECT_EQ(s->GetValue(), 90);
    EXPECT_TRUE(s->TrackPressed());
    for (int i = 0; i < 200; ++i)
        w.frame(10);
    // Value 10 puts the thumb's start on the mouse.
    EXPECT_EQ(s->GetValue(), 10);
    EXPECT_EQ(s->ThumbRect().Left, 8);
    EXPECT_FALSE(s->TrackPressed());
    w.release();
    EXPECT_EQ(s->DragMode(), 0);
}

TEST(ValueControls, DragRaisesHoldAndReleaseAndClampsToTheRange) {
    World w;
    auto* s = w.make<TNuvoSlider>(false);
    s->SetOnHold("hold");
    s->SetOnRelease("release");
    s->SetValue(50);
    w.move(21, 4); // the thumb's middle
    w.press();
    EXPECT_EQ(s->DragMode(), 1);
    EXPECT_EQ(s->ThumbState(), 2);
    w.move(27, 4);
    EXPECT_EQ(s->GetValue(), 75);
    w.move(60, 40);
    EXPECT_EQ(s->GetValue(), 100);
    w.move(-30, 4);
    EXPECT_EQ(s->GetValue(), 0);
    w.release();
    EXPECT_EQ(w.events(PR_ONHOLD).size(), 1u);
    EXPECT_EQ(w.events(PR_ONRELEASE).size(), 1u);
    EXPECT_EQ(w.events(PR_ONNOTIFY), (std::vector<std::string>{"75", "100", "0"}));
    // A click on a slider's track jumps there and drags.
    w.move(9 + 6, 3);
    w.press();
    EXPECT_EQ(s->GetValue(), 25);
    w.release();
}

TEST(ValueControls, DraggingAVerticalSliderUpIncreases) {
    World w;
    auto* s = w.make<TNuvoSlider>(true);
    s->SetValue(0);
    const TRect t = s->ThumbRect();
    w.move(3, t.Top + 4);
    w.press();
    w.move(3, t.Top + 4 - 12);
    EXPECT_GT(s->GetValue(), 40);
    EXPECT_LT(s->GetValue(), 60);
    w.release();
}

TEST(ValueControls, KeysStepWithTheFocus) {
    const struct {
        bool scrollbar, vertical;
        int32_t key;
        int32_t change;
    } cases[] = {
        {false, false, 0x27, +5}, {false, false, 0x25, -5}, {false, true, 0x26, +5}, {false, true, 0x28, -5},
        {true, true, 0x28, +5},   {true, true, 0x26, -5},   {false, false, 0x26, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        World w;
        TNuvoCustomSlider* s = c.scrollbar ? static_cast<TNuvoCustomSlider*>(w.make<TNuvoScrollbar>(c.vertical))
                                           : w.make<TNuvoSlider>(c.vertical);
        s->SetSmallChange(5);
        s->SetValue(50);
        s->SetHandleKey(true);
        w.bases.SetFocus(s);
        w.bases.SetKey(c.key, true);
        w.frame(10);
        EXPECT_EQ(s->GetValue(), 50 + c.change);
        // Held: it repeats after 300 ms.
        for (int i = 0; i < 31; ++i)
            w.frame(10);
        EXPECT_EQ(s->GetValue(), 50 + 2 * c.change);
    }
}

TEST(ValueControls, NotifyOnlyForThePlayersChanges) {
    World w;
    auto* s = w.make<TNuvoSlider>(false);
    s->SetValue(99);
    s->SetValue(40); // a script's change: no event
    EXPECT_TRUE(w.events(PR_ONNOTIFY).empty());
    s->SetValue(99);
    w.move(38, 3);
    w.press();
    for (int i = 0; i < 60; ++i)
        w.frame(10);
    w.release();
    EXPECT_EQ(s->GetValue(), 100);
    EXPECT_EQ(w.events(PR_ONNOTIFY), (std::vector<std::string>{"100"}));
    // Paused: no hover, no press.
    s->SetPaused(true);
    w.move(3, 3);
    w.press();
    w.release();
    EXPECT_EQ(s->GetValue(), 100);
    EXPECT_EQ(s->ButtonState(0), 0);
}

TEST(ValueControls, MaskLimitsTheButtonsAndTheThumbOnlyWithCaptureMask) {
    World w;
    // Only the left half of each cell counts.
    const auto halfMask = [](int32_t x, int32_t) { return x % 6 < 3 ? 255 : 0; };
    w.files.add("mthumb.pel", {F::frame(18, 8, [](int32_t, int32_t) { return rgb(9, 9, 9); }, -1, 100, halfMask)});
    w.files.add("mbuttons.pel", {F::frame(36, 6, [](int32_t, int32_t) { return rgb(9, 9, 9); }, -1, 100, halfMask)});
    auto* s = w.make<TNuvoSlider>(false);
    s->SetThumbSource("mthumb.pel");
    s->SetButtonSource("mbuttons.pel");
    s->SetValue(50); // thumb 18..24, button 1 at 36..42
    w.move(37, 3);
    EXPECT_EQ(s->ButtonState(1), 1);
    w.move(40, 3);
    EXPECT_EQ(s->ButtonState(1), 0);
    w.move(22, 3);
    EXPECT_EQ(s->ThumbState(), 1);
    s->SetCaptureMask(true);
    w.move(23, 3);
    EXPECT_EQ(s->ThumbState(), 0);
    w.move(19, 3);
    EXPECT_EQ(s->ThumbState(), 1);
}

TEST(Gauge, RisesAtTheSpeedOfDelay) {
    World w;
    auto* g = w.gauge(false);
    g->SetDelay(1000);
    g->SetValue(50);
    EXPECT_TRUE(g->GetPlaying());
    for (int i = 0; i < 25; ++i)
        w.frame(10);
    EXPECT_NEAR(g->Shown(), 25, 1);
    for (int i = 0; i < 25; ++i)
        w.frame(10);
    EXPECT_NEAR(g->Shown(), 50, 1);
    w.frame(10);
    EXPECT_EQ(g->Shown(), 50);
    EXPECT_FALSE(g->GetPlaying());
}

TEST(Gauge, FallingRemainderWaitsThenShrinks) {
    World w;
    auto* g = w.gauge(false);
    g->SetValue(80);
    w.frame(10);
    EXPECT_EQ(g->Shown(), 80);
    g->SetDelay(1000);
    g->SetDuration(200);
    g->SetValue(30);
    EXPECT_EQ(g->Shown(), 30);
    EXPECT_EQ(g->Falling(), 50);
    int32_t t = 0;
    const auto until = [&](int32_t ms) {
        while (t < ms) {
            w.frame(10);
            t += 10;
        }
    };
    until(200);
    EXPECT_EQ(g->Falling(), 50);
    until(210);
    EXPECT_LT(g->Falling(), 50);
    until(450);
    EXPECT_NEAR(g->Falling(), 25, 1);
    until(690);
    EXPECT_TRUE(g->GetPlaying());
    until(710);
    EXPECT_EQ(g->Falling(), 0);
    EXPECT_FALSE(g->GetPlaying());
    EXPECT_EQ(g->Shown(), 30);
}

TEST(Gauge, OddFramesAndEdgeSettings) {
    World w;
    auto* g = w.gauge(false);
    g->SetValue(80);
    w.frame(16);
    g->SetDuration(200);
    g->SetDelay(1000);
    g->SetValue(30);
    // 13 frames of 16 ms pass the wait by 8 ms: 8 ms of shrinking (0.8 of a step).
    for (int i = 0; i < 13; ++i)
        w.frame(16);
    EXPECT_EQ(g->Falling(), 49);
    // Delay 0: shown at once on the next tick.
    g->SetDelay(0);
    g->SetValue(90);
    w.frame(16);
    EXPECT_EQ(g->Shown(), 90);
    EXPECT_FALSE(g->GetPlaying());
    // Min or Max: settled without motion.
    g->SetDelay(1000);
    g->SetValue(10);
    g->SetMax(50);
    EXPECT_EQ(g->Shown(), 10);
    EXPECT_EQ(g->Falling(), 0);
    EXPECT_FALSE(g->GetPlaying());
    // The whole int range moves without overflow.
    g->SetMin(INT_MIN);
    g->SetMax(INT_MAX);
    g->SetValue(INT_MAX);
    for (int i = 0; i < 70; ++i)
        w.frame(16);
    EXPECT_EQ(g->Shown(), INT_MAX);
    g->SetValue(INT_MIN);
    EXPECT_EQ(g->Falling(), INT_MAX);
    w.frame(16);
    w.paint();
}

// A record written now as an older version wrote it: without the common
// record's tag (before 120) and motion fields (before 130), and without the
// last tailBytes of the control's own part. The object has no tag and no
// children.
std::vector<uint8_t> asVersion(std::vector<uint8_t> b, const TNuvoObject& o, int32_t version, size_t tailBytes) {
    const size_t tagAt = 4 + o.Name().size() + 8;
    b.resize(b.size() - tailBytes);
    if (version < 130) b.erase(b.begin() + static_cast<std::ptrdiff_t>(tagAt + 4 + 25),
                               b.begin() + static_cast<std::ptrdiff_t>(tagAt + 4 + 25 + 16));
    if (version < 120) b.erase(b.begin() + static_cast<std::ptrdiff_t>(tagAt),
                               b.begin() + static_cast<std::ptrdiff_t>(tagAt + 4));
    return b;
}

TEST(ValueControls, SaveRecordsRoundTripAndOldVersions) {
    World w;
    auto* s = w.make<TNuvoScrollbar>(true, 3, 4);
    s->SetMin(-5);
    s->SetMax(500);
    s->SetValue(123);
    s->SetSmallChange(7);
    s->SetLargeChange(50);
    s->SetAlpha(200);
    s->SetPaused(true);
    s->SetOnHold("h");
    s->SetOnRelease("r");
    s->SetOnIdle("i");
    s->SetCaptureMask(true);
    s->SetBarSize(30);
    TKvMemoryStream out;
    s->SaveToStream(out);
    const std::vector<uint8_t> bytes = out.bytes();
    const struct {
        int32_t version;
        size_t tail; // CaptureMask and BarSize came later
    } versions[] = {{145, 0}, {128, 0}, {127, 4}, {118, 5}};
    for (const auto& [version, tail] : versions) {
        SCOPED_TRACE(version);
        World w2;
        auto* t = w2.bases.Create<TNuvoScrollbar>();
        const std::vector<uint8_t> old = asVersion(bytes, *s, version, tail);
        TKvMemoryStream in(old);
        t->LoadFromStream(in, version);
        EXPECT_EQ(t->GetSource(), "vtrack.pel");
        EXPECT_EQ(t->GetThumbSource(), "thumb.pel");
        EXPECT_EQ(t->GetButtonSource(), "buttons.pel");
        EXPECT_EQ(t->GetMin(), -5);
        EXPECT_EQ(t->GetMax(), 500);
        EXPECT_EQ(t->GetValue(), 123);
        EXPECT_EQ(t->GetSmallChange(), 7);
        EXPECT_EQ(t->GetLargeChange(), 1); // not saved
        EXPECT_EQ(t->GetAlpha(), 200);
        EXPECT_TRUE(t->GetPaused());
        EXPECT_EQ(t->GetOrientation(), 1);
        EXPECT_EQ(t->GetOnNotify(), "notify");
        EXPECT_EQ(t->GetOnRelease(), "r");
        EXPECT_EQ(t->GetCaptureMask(), version > 118);
        EXPECT_EQ(t->GetBarSize(), version > 127 ? 30 : 0);
        // The size is worked out again from the pictures.
        EXPECT_EQ(t->GetHeight(), (version > 127 ? 30 : 24) + 12);
        EXPECT_EQ(t->GetWidth(), 6);
        EXPECT_EQ(in.position(), static_cast<int64_t>(old.size()));
        if (version == 145) {
            EXPECT_EQ(t->ThumbOffset(), s->ThumbOffset());
        }
    }

    auto* g = w.gauge(true);
    g->SetMin(1);
    g->SetMax(9);
    g->SetValue(20);
    g->SetDelay(300);
    g->SetDuration(40);
    g->SetReverse(true);
    g->SetOnIdle("idle");
    g->SetBarSize(12);
    TKvMemoryStream gout;
    g->SaveToStream(gout);
    const struct {
        int32_t version;
        size_t tail; // OnIdle and BarSize came later
    } gaugeVersions[] = {{145, 0}, {127, 4}, {124, 12}};
    for (const auto& [version, tail] : gaugeVersions) {
        SCOPED_TRACE(version);
        World w2;
        auto* h = w2.bases.Create<TNuvoGauge>();
        const std::vector<uint8_t> old = asVersion(gout.bytes(), *g, version, tail);
        TKvMemoryStream in(old);
        h->LoadFromStream(in, version);
        EXPECT_EQ(h->GetValue(), 9);
        EXPECT_EQ(h->Shown(), 9);
        EXPECT_FALSE(h->GetPlaying());
        EXPECT_EQ(h->GetDelay(), 300);
        EXPECT_EQ(h->GetDuration(), 40);
        EXPECT_TRUE(h->GetReverse());
        EXPECT_EQ(h->GetOnIdle(), version > 124 ? "idle" : "");
        EXPECT_EQ(h->GetHeight(), version > 127 ? 12 : 6);
        EXPECT_EQ(in.position(), static_cast<int64_t>(old.size()));
    }
    // Cut short anywhere: an error, never a crash.
    for (size_t n = 0; n < bytes.size(); n += 7) {
        World w2;
        auto* t = w2.bases.Create<TNuvoSlider>();
        TKvMemoryStream in(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_THROW(t->LoadFromStream(in, 145), ENuvoError) << n;
    }
}

} // namespace
} // namespace nuvo
