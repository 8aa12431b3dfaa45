// Painting: both bases repaint their dirty rectangles into their pictures
// (the active one into the screen), a partial repaint gives the same pixels
// as a full one, and a running transition composes the screen from the two
// bases while they keep changing. Transitions that draw at random draw from
// the script's Random generator and repeat under a fixed seed.
//
// References live in tests/golden/components/ (support/Golden.h).
#include "TestComponents.h"

#include "components/ScriptWipeRandom.h"
#include "render/DIBSurface.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "support/Golden.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::pictureDifference;
using test::TTestControl;
using test::TTestImage;

constexpr int32_t kW = 96, kH = 64;

int32_t rgb(int32_t r, int32_t g, int32_t b) { return r | (g << 8) | (b << 16); }

// Base 0: a dark blue screen with two overlapping discs, one of them half
// transparent. Base 1: a dark red screen with a box and a disc.
struct Scene {
    TNuvoBaseList registry;
    TTestImage* warm = nullptr;
    TTestImage* cool = nullptr;
    TTestImage* pale = nullptr;

    Scene() {
        registry.SetSize(kW, kH);
        registry.Base(0)->SetColor(rgb(30, 40, 90));
        registry.Base(1)->SetColor(rgb(90, 30, 30));
        warm = image(0, 40, rgb(230, 60, 40), rgb(250, 200, 60), 8, 8);
        cool = image(0, 40, rgb(40, 200, 90), rgb(60, 220, 230), 36, 18);
        cool->Alpha = 160;
        auto* box = registry.Create<TTestControl>();
        box->SetParent(registry.Base(1));
        box->SetBounds(6, 6, 34, 20);
        box->SetColor(rgb(240, 240, 220));
        pale = image(1, 32, rgb(250, 250, 250), rgb(150, 150, 250), 30, 16);
        pale->Alpha = 200;
        // Children of an image lie on it.
        TTestImage* dot = image(1, 12, rgb(255, 0, 255), rgb(0, 0, 0), 10, 10);
        dot->SetParent(pale);
        dot->SetBounds(10, 10, 12, 12);
    }
    TTestImage* image(int base, int32_t size, int32_t c1, int32_t c2, int32_t x, int32_t y) {
        auto* i = registry.Create<TTestImage>(size, c1, c2);
        i->SetParent(registry.Base(base));
        i->SetBounds(x, y, size, size);
        return i;
    }
};

void change(Scene& s) {
    s.cool->SetLeft(s.cool->GetLeft() + 3);
    s.pale->SetAlpha(120);
    s.pale->SetTop(s.pale->GetTop() - 2);
}

TEST(Painting, BothBasesPaintTheirDirtyParts) {
    test::GoldenSet golden("components");
    Scene s;
    s.registry.Paint();
    EXPECT_TRUE(s.registry.PresentRect.isEmpty());
    golden.expect(s.registry.BackSurface, "base0");
    golden.expect(s.registry.Base(1)->Surface, "base1");

    // Small changes repaint small rectangles, to the pixels a full repaint gives.
    s.registry.ClearDirtyLists();
    change(s);
    for (int i : {0, 1}) {
        int64_t area = 0;
        for (const TRect& r : s.registry.Base(i)->DirtyList.Rects())
            area += r.width64() * r.height64();
        EXPECT_GT(area, 0);
        EXPECT_LT(area, int64_t{kW} * kH / 2) << "base " << i;
    }
    s.registry.Paint();
    Scene whole;
    change(whole);
    whole.registry.Paint();
    EXPECT_EQ(pictureDifference(s.registry.BackSurface, whole.registry.BackSurface), "");
    EXPECT_EQ(pictureDifference(s.registry.Base(1)->Surface, whole.registry.Base(1)->Surface), "");

    // An invisible base paints nothing.
    s.registry.ClearDirtyLists();
    s.registry.Base(0)->SetVisible(false);
    s.cool->SetLeft(0);
    s.registry.Paint();
    EXPECT_EQ(pictureDifference(s.registry.BackSurface, whole.registry.BackSurface), "");
}

// A transition composes the screen from both bases, which go on painting
// into their own pictures while it runs; once the screens are switched the
// new active base paints the screen whole.
TEST(Painting, ATransitionComposesBothBases) {
    test::GoldenSet golden("components");
    Scene s;
    s.registry.Paint();
    s.registry.ClearDirtyLists();
    TCustomWipe* blind = s.registry.StartTransition(0, WP_BLINDH, false, true, 0, 1000);
    ASSERT_NE(blind, nullptr);
    blind->SetParam(0, 16);
    blind->SetParam(1, 8);
    blind->Prepare();
    s.registry.Paint();
    EXPECT_EQ(s.registry.PresentRect, (TRect{0, 0, kW, kH}));
    EXPECT_EQ(pictureDifference(s.registry.BackSurface, s.registry.Base(0)->Surface), "")
        << "the first frame is the old screen";
    s.registry.ClearDirtyLists();

    s.registry.SetTransitionElapsed(500);
    s.registry.Paint();
    golden.expect(s.registry.BackSurface, "blindh-0500");
    s.registry.ClearDirtyLists();

    change(s); // both bases change under the running transition
    s.registry.SetTransitionElapsed(750);
    s.registry.Paint();
    golden.expect(s.registry.BackSurface, "blindh-0750-changed");
    s.registry.ClearDirtyLists();

    s.registry.StartTransition(1, WP_NONE, false, true, 0, 0);
    s.registry.Paint();
    EXPECT_TRUE(s.registry.PresentRect.isEmpty());
    EXPECT_EQ(s.registry.Base(1)->DirtyList.Rects(), (std::vector<TRect>{{0, 0, kW, kH}}));
    Scene after;
    change(after);
    after.registry.Paint();
    EXPECT_EQ(pictureDifference(s.registry.BackSurface, after.registry.Base(1)->Surface), "");

    // A transition that has run its time shows the incoming picture until
    // the screens are switched.
    s.registry.StartTransition(1, WP_FADE, false, true, 0, 100);
    s.registry.SetTransitionElapsed(100);
    s.registry.Paint();
    EXPECT_EQ(pictureDifference(s.registry.BackSurface, after.registry.BackSurface), "");
    EXPECT_EQ(s.registry.PresentRect, (TRect{0, 0, kW, kH}));
}

// The script's Random and the transitions share one generator.
class ScriptRandom : public ::testing::Test {
protected:
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext script{vars, functions};
    TScriptWipeRandom random{script};
    TWipeContext wipes;

    void SetUp() override { wipes.Random = &random; }
    int32_t scriptRandom(int32_t range) {
        auto parser = compileExpression("Random(" + std::to_string(range) + ")");
        parser->Execute(script);
        return parser->Result()->AsInteger();
    }
    // A crack transition of 16-pixel chips at half time, started under seed.
    void crack(uint32_t seed, TCustomDIBX& out) {
        script.RandSeed = seed;
        Scene s;
        s.registry.Wipes = &wipes;
        s.registry.Paint();
        TCustomWipe* w = s.registry.StartTransition(0, WP_CRACK, false, true, 0, 1000);
        ASSERT_NE(w, nullptr);
        w->SetParam(0, 16);
        w->SetParam(1, 40);
        w->Prepare();
        s.registry.SetTransitionElapsed(500);
        s.registry.Paint();
        out.SetSize(kW, kH, 32);
        out.Assign(s.registry.BackSurface);
    }
};

TEST_F(ScriptRandom, TransitionsDrawFromTheScriptsGenerator) {
    test::GoldenSet golden("components");
    script.RandSeed = 99;
    TWipeRandom reference(99);
    for (int32_t range : {10, 1000, 7, 1, 0, 123456})
        EXPECT_EQ(random.Random(range), reference.Random(range)) << range;
    EXPECT_EQ(script.RandSeed, reference.seed());
    EXPECT_EQ(scriptRandom(1000), reference.Random(1000)) << "one sequence for scripts and transitions";
    EXPECT_EQ(random.Random(50), reference.Random(50));

    TDIBX first, again, other;
    crack(4242, first);
    const uint32_t seedAfter = script.RandSeed;
    EXPECT_NE(seedAfter, 4242u);
    crack(4242, again);
    EXPECT_EQ(script.RandSeed, seedAfter);
    EXPECT_EQ(pictureDifference(first, again), "") << "the same seed, the same chips";
    crack(7, other);
    EXPECT_NE(pictureDifference(first, other), "");
    golden.expect(first, "crack-16-40-0500");
}

} // namespace
} // namespace nuvo
