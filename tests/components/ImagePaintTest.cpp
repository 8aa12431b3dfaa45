// What each property of the image components does to the picture: a table
// of small scenes, each compared with its reference in tests/golden/images/.
#include "ImageFixture.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::ImageWorld;
using test::rgb;

struct PaintCase {
    const char* name;
    std::function<void(ImageWorld&)> setup;
};

TNuvoTile* tile(ImageWorld& w, const std::string& source, int32_t width = 40, int32_t height = 32) {
    auto* t = w.bases.Create<TNuvoTile>();
    t->SetParent(w.bases.ActiveBase());
    t->SetSource(source);
    t->SetWidth(width);
    t->SetHeight(height);
    return t;
}

TNuvoBox* box(ImageWorld& w, int32_t left, int32_t top, int32_t width, int32_t height, int32_t color) {
    auto* b = w.bases.Create<TNuvoBox>();
    b->SetParent(w.bases.ActiveBase());
    b->SetBounds(left, top, width, height);
    b->SetColor(color);
    return b;
}

// A white bar behind the middle of the screen shows what blends.
void backdrop(ImageWorld& w) { box(w, 0, 12, 40, 8, rgb(255, 255, 255))->SetPriority(-1); }

const PaintCase kCases[] = {
    {"plain-key", [](ImageWorld& w) { w.image("pic.pel", 4, 4); }},
    {"alpha-128",
     [](ImageWorld& w) {
         backdrop(w);
         w.image("pic.pel", 4, 4)->SetAlpha(128);
     }},
    {"alpha-300-additive",
     [](ImageWorld& w) {
         backdrop(w);
         w.image("pic.pel", 4, 4)->SetAlpha(300);
     }},
    {"alpha-0-nothing", [](ImageWorld& w) { w.image("pic.pel", 4, 4)->SetAlpha(0); }},
    {"zoom-512-384",
     [](ImageWorld& w) {
         auto* i = w.image("pic.pel", 2, 2);
         i->SetZoomX(512);
         i->SetZoomY(384);
     }},
    {"size-stretch-30x8",
     [](ImageWorld& w) {
         auto* i = w.image("pic.pel", 2, 2);
         i->SetWidth(30);
         i->SetHeight(8);
     }},
    // Flipped about its left edge (anchor 0), the picture lies left of it.
    {"flip-h", [](ImageWorld& w) { w.image("pic.pel", 20, 4)->SetFlipH(true); }},
    {"flip-v-anchor",
     [](ImageWorld& w) {
         auto* i = w.image("pic.pel", 20, 16);
         i->SetAnchorX(8);
         i->SetAnchorY(6);
         i->SetFlipV(true);
     }},
    {"angle-32-anchor-centre",
     [](ImageWorld& w) {
         auto* i = w.image("pic.pel", 20, 16);
         i->SetAnchorX(8);
         i->SetAnchorY(6);
         i->SetAngle(32);
     }},
    {"clip-4-8",
     [](ImageWorld& w) {
         auto* i = w.image("pic.pel", 4, 4);
         i->SetClipLeft(4);
         i->SetClipTop(2);
         i->SetClipWidth(8);
         i->SetClipHeight(6);
     }},
    {"brightness-plus-80", [](ImageWorld& w) { w.image("pic.pel", 4, 4)->SetBrightness(80); }},
    {"brightness-minus-80", [](ImageWorld& w) { w.image("pic.pel", 4, 4)->SetBrightness(-80); }},
    {"mask-255",
     [](ImageWorld& w) {
         backdrop(w);
         w.image("masked.pel", 4, 4);
     }},
    {"mask-alpha-128",
     [](ImageWorld& w) {
         backdrop(w);
         w.image("masked.pel", 4, 4)->SetAlpha(128);
     }},
    {"mask-additive-400",
     [](ImageWorld& w) {
         backdrop(w);
         w.image("masked.pel", 4, 4)->SetAlpha(400);
     }},
    {"mask-stretched",
     [](ImageWorld& w) {
         auto* i = w.image("masked.pel", 2, 2);
         i->SetWidth(32);
         i->SetHeight(24);
     }},
    {"content-areas", [](ImageWorld& w) { w.image("areas.pel", 4, 4); }},
    {"content-areas-flip-h", [](ImageWorld& w) { w.image("areas.pel", 20, 4)->SetFlipH(true); }},
    {"tile-seamless-scroll",
     [](ImageWorld& w) {
         auto* t = tile(w, "pic.pel");
         t->SetScrollX(-10);
         t->SetScrollY(3);
     }},
    {"tile-distance",
     [](ImageWorld& w) {
         auto* t = tile(w, "pic.pel");
         t->SetDistanceX(20);
         t->SetDistanceY(14);
     }},
    {"tile-zoom-masked",
     [](ImageWorld& w) {
         auto* t = tile(w, "masked.pel");
         t->SetZoomX(128);
         t->SetZoomY(128);
         t->SetWidth(40);
         t->SetHeight(32);
     }},
    {"tile-content-areas",
     [](ImageWorld& w) {
         auto* t = tile(w, "areas.pel", 36, 28);
         t->SetLeft(2);
         t->SetTop(2);
         t->SetDistanceX(18);
         t->SetDistanceY(13);
     }},
    {"box-border",
     [](ImageWorld& w) {
         auto* b = box(w, 4, 4, 32, 24, rgb(40, 120, 220));
         b->SetBorderWidth(3);
         b->SetBorderColor(rgb(250, 250, 120));
     }},
    {"box-alpha-128",
     [](ImageWorld& w) {
         backdrop(w);
         auto* b = box(w, 4, 4, 32, 24, rgb(220, 40, 40));
         b->SetBorderWidth(2);
         b->SetBorderColor(rgb(0, 0, 0));
         b->SetAlpha(128);
     }},
    {"box-additive-300",
     [](ImageWorld& w) {
         auto* b = box(w, 4, 4, 32, 24, rgb(200, 100, 0));
         b->SetBorderWidth(2);
         b->SetBorderColor(rgb(0, 0, 255));
         b->SetAlpha(300);
     }},
    {"box-no-colour-border-only",
     [](ImageWorld& w) {
         auto* b = box(w, 4, 4, 32, 24, -1);
         b->SetBorderWidth(1);
         b->SetBorderColor(rgb(0, 255, 0));
     }},
};

TEST(ImagePaint, EachPropertyAgainstItsReference) {
    test::GoldenSet golden("images");
    for (const PaintCase& c : kCases) {
        SCOPED_TRACE(c.name);
        ImageWorld w;
        c.setup(w);
        w.frame(); // the tick settles sizes, then the screen is painted
        golden.expect(w.paint(), c.name);
    }
}

TEST(ImagePaint, AlphaModesFollowTheFormulas) {
    // One opaque red pixel picture over grey: each mode's value per channel.
    ImageWorld w(8, 8, rgb(100, 100, 100));
    w.files.add("red.pel", {test::PictureFiles::frame(2, 2, [](int32_t, int32_t) { return rgb(200, 0, 0); })});
    auto* i = w.image("red.pel", 1, 1);
    const struct {
        int32_t alpha;
        uint32_t expected; // 0xRRGGBB
    } cases[] = {
        {255, 0xC80000}, {128, 0x953131}, // floor((128*S + 127*D) / 256)
        {300, 0x866464},                  // D + floor(44*S/256): 100 + 34
        {0, 0x646464},   {512, 0x646464},
    };
    for (const auto& c : cases) {
        i->SetAlpha(c.alpha);
        w.frame();
        EXPECT_EQ(test::px(*w.bases.DrawTarget(), 1, 1), c.expected) << c.alpha;
    }
}

} // namespace
} // namespace nuvo
