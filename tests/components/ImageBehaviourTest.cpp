// How the image components behave over time and towards the mouse: frame
// timing with LoopWait and the play end, afterimages, hit tests through the
// mask and with sized axes, and the save records read back.
#include "ImageFixture.h"

#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "script/BuildNuvoParser.h"
#include "script/NuvoParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace nuvo {
namespace {

using test::ImageWorld;
using test::rgb;

// The frame index after each of n ticks of 16 ms.
std::vector<int32_t> indexes(ImageWorld& w, TNuvoImages& image, int n) {
    std::vector<int32_t> out;
    for (int i = 0; i < n; ++i) {
        w.frame();
        out.push_back(image.GetIndex());
    }
    return out;
}

int countEvents(const TNuvoBaseList& bases, int32_t kind) {
    int n = 0;
    for (const TTimerData& e : bases.Events.Items())
        n += e.Kind == kind;
    return n;
}

TEST(ImageFrames, TwoFramesAlternateWithRepeatAndEndOnceWithout) {
    ImageWorld w;
    auto* image = w.image("two.pel");
    image->SetRepeat(true);
    EXPECT_EQ(image->GetCount(), 2);
    EXPECT_EQ(image->GetWidth(), 4); // the first frame's size
    // 100 ms frames at 16 ms ticks: each shows for 7 ticks (the wait left
    // over is dropped with two frames).
    const std::vector<int32_t> expected = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0};
    EXPECT_EQ(indexes(w, *image, 15), expected);
    EXPECT_EQ(image->GetWidth(), 4);
    EXPECT_TRUE(image->GetPlaying());

    ImageWorld once;
    auto* plays = once.image("two.pel");
    plays->SetOnPlayEnd("end.nsb");
    indexes(once, *plays, 7);
    EXPECT_EQ(plays->GetIndex(), 1);
    EXPECT_EQ(plays->GetWidth(), 6); // the second frame's size
    EXPECT_EQ(countEvents(once.bases, PR_ONPLAYEND), 0);
    indexes(once, *plays, 7);
    EXPECT_EQ(countEvents(once.bases, PR_ONPLAYEND), 1);
    EXPECT_FALSE(plays->GetPlaying());
    once.bases.Events.Clear();
    indexes(once, *plays, 20);
    EXPECT_EQ(countEvents(once.bases, PR_ONPLAYEND), 0); // raised once only
    EXPECT_EQ(plays->GetIndex(), 1);
}

TEST(ImageFrames, DelaysCarryOverAndLoopWaitPausesAfterTheLastFrame) {
    ImageWorld w;
    auto* image = w.image("three.pel");
    image->SetRepeat(true);
    image->SetLoopWait(compileExpression("10 + 20"));
    // Show 0 at 0 ms (100), 1 at tick 7 (112 ms: 12 over, 38 left),
    // 2 at tick 10 (160 ms: 10 over, 200 + 30 of LoopWait), back to 0 at
    // tick 24 (384 ms).
    const std::vector<int32_t> got = indexes(w, *image, 25);
    std::vector<int32_t> expected(25, 0);
    for (int i = 6; i < 9; ++i)
        expected[i] = 1;
    for (int i = 9; i < 23; ++i)
        expected[i] = 2;
    EXPECT_EQ(got, expected);
    EXPECT_EQ(image->FrameWait, 100 - 16);
}

TEST(ImageFrames, AutoScrapEndsTheImageAndABadIndexShowsNothing) {
    ImageWorld w;
    auto* image = w.image("two.pel");
    image->SetAutoScrap(true);
    const TNuvoRef<TNuvoObject> ref(image);
    for (int i = 0; i < 20 && ref; ++i)
        w.frame();
    EXPECT_FALSE(ref); // freed after the last frame's delay

    auto* still = w.image("pic.pel", 2, 2);
    still->SetIndex(5);
    EXPECT_EQ(still->GetSurface(), nullptr);
    EXPECT_EQ(still->GetWidth(), 16); // the size stays
    w.frame();
    EXPECT_EQ(test::px(w.paint(), 4, 4), 0x303040u); // the background
    still->SetIndex(0);
    EXPECT_NE(still->GetSurface(), nullptr);

    // A source that is not a layered image, or cannot be found, gives no frames.
    still->SetSource("missing.png");
    EXPECT_EQ(still->GetCount(), 0);
    EXPECT_EQ(still->GetWidth(), 0);
}

TEST(ImageAfterimages, AMovingImageLeavesFadingCopiesAStillOneNone) {
    ImageWorld w(80, 32);
    auto* image = w.image("pic.pel", 0, 4);
    image->SetName("hero");
    image->SetBlurSpan(50);
    image->SetBlurDelay(200);
    const auto copies = [&] {
        int n = 0;
        for (int i = 0; i < w.bases.GetItemCount(); ++i)
            n += w.bases.GetItem(i)->GetAfterimageSource() == image;
        return n;
    };
    // Still: nothing changes, no copy.
    for (int i = 0; i < 10; ++i)
        w.frame();
    EXPECT_EQ(copies(), 0);
    // Moving a pixel a frame: a copy about every 50 ms, each gone within 200.
    // (Names and addresses of copies gone are used again: a copy is known
    // by a reference that dies with it.)
    std::vector<TNuvoRef<TNuvoObject>> known;
    int made = 0, most = 0;
    for (int i = 0; i < 40; ++i) {
        image->SetLeft(image->GetLeft() + 1);
        w.frame();
        for (int k = 0; k < w.bases.GetItemCount(); ++k) {
            TNuvoObject* o = w.bases.GetItem(k);
            if (o->GetAfterimageSource() != image) continue;
            if (std::none_of(known.begin(), known.end(), [&](const auto& r) { return r.refersTo(o); })) {
                ++made;
                known.emplace_back(o);
            }
        }
        most = std::max(most, copies());
    }
    EXPECT_GE(made, 12); // 640 ms of movement
    EXPECT_LE(made, 13);
    EXPECT_LE(most, 5);
    const TNuvoObject* copy = nullptr;
    for (int i = 0; i < w.bases.GetItemCount(); ++i)
        if (w.bases.GetItem(i)->GetAfterimageSource() == image) copy = w.bases.GetItem(i);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name().rfind("hero", 0), 0u);
    EXPECT_EQ(copy->GetPriority(), -1);
    EXPECT_LT(copy->GetAlpha(), 128);         // half of 255 at most, fading
    EXPECT_EQ(copy->GetCompoType(), LT_NONE); // never saved
    // Once it stands still the copies fade out.
    for (int i = 0; i < 20; ++i)
        w.frame();
    EXPECT_EQ(copies(), 0);

    // An additive image's copies stay additive.
    ImageWorld add(80, 32);
    auto* glow = add.image("pic.pel");
    glow->SetAlpha(300);
    glow->SetBlurSpan(16);
    glow->SetBlurDelay(100);
    glow->SetLeft(3);
    add.frame();
    glow->SetLeft(4);
    add.frame();
    int32_t alpha = -1;
    for (int i = 0; i < add.bases.GetItemCount(); ++i)
        if (add.bases.GetItem(i)->GetAfterimageSource() == glow) alpha = add.bases.GetItem(i)->GetAlpha();
    // Half the level (22), already a tick into its fade; still additive.
    EXPECT_GT(alpha, 256);
    EXPECT_LE(alpha, 256 + 22);
}

TEST(ImageAfterimages, ABoxLeavesCopiesAtHalfItsAlpha) {
    ImageWorld w(80, 32);
    auto* b = w.bases.Create<TNuvoBox>();
    b->SetParent(w.bases.ActiveBase());
    b->SetBounds(0, 0, 10, 10);
    b->SetColor(rgb(255, 0, 0));
    b->SetAlpha(301);
    b->SetBlurSpan(16);
    b->SetBlurDelay(100);
    w.frame();
    b->SetLeft(5);
    w.frame();
    const TNuvoObject* copy = nullptr;
    for (int i = 0; i < w.bases.GetItemCount(); ++i)
        if (w.bases.GetItem(i)->GetAfterimageSource() == b) copy = w.bases.GetItem(i);
    ASSERT_NE(copy, nullptr);
    // 301 / 2 = 150, a tick into its fade: the halving takes the box out of
    // the additive mode.
    EXPECT_LE(copy->GetAlpha(), 150);
    EXPECT_GT(copy->GetAlpha(), 100);
    EXPECT_EQ(copy->GetLeft(), 5);
}

TEST(ImageHitTest, MaskPassesClicksThroughAndSizedAxesNeverDivideByZero) {
    ImageWorld w;
    auto* below = w.bases.Create<TNuvoBox>();
    below->SetParent(w.bases.ActiveBase());
    below->SetBounds(0, 0, 40, 32);
    auto* disc = w.image("masked.pel", 4, 4);
    disc->SetCaptureMask(true);
    w.frame();
    EXPECT_EQ(w.bases.ActiveBase()->HitTest(12, 12, kHitLeftClick), disc); // inside the disc
    EXPECT_EQ(w.bases.ActiveBase()->HitTest(4, 4, kHitLeftClick), below);  // a transparent corner
    disc->SetCaptureMask(false);
    EXPECT_EQ(w.bases.ActiveBase()->HitTest(4, 4, kHitLeftClick), disc);

    // Zooms are never below 1, and a sized axis maps through its size.
    disc->SetCaptureMask(true);
    disc->SetZoomX(0);
    EXPECT_EQ(disc->GetZoomX(), 1);
    disc->SetZoomX(256);
    disc->SetWidth(32); // twice the picture: the zoom reads 512
    EXPECT_EQ(disc->GetZoomX(), 512);
    EXPECT_FALSE(disc->AutoSizedX());
    w.frame();
    EXPECT_EQ(disc->GetWidth(), 32);
    EXPECT_EQ(w.bases.ActiveBase()->HitTest(4 + 16, 12, kHitLeftClick), disc);
    EXPECT_EQ(w.bases.ActiveBase()->HitTest(4 + 1, 4, kHitLeftClick), below);
    disc->SetWidth(0); // nothing to map: the image is not hit, nothing divides by 0
    w.frame();
    EXPECT_EQ(w.bases.ActiveBase()->HitTest(4, 12, kHitLeftClick), below);
    disc->SetHeight(-5);
    EXPECT_GE(disc->GetZoomY(), 1);

    // Turned a quarter about its centre, the picture is hit where it lies now.
    auto* bar = w.image("pic.pel", 20, 16);
    bar->SetAnchorX(8);
    bar->SetAnchorY(6);
    bar->SetAngle(64);
    w.frame();
    const TRect r = bar->GetScreenRect();
    EXPECT_EQ(r.Width(), 12);
    EXPECT_EQ(r.Height(), 16);
    EXPECT_EQ(w.bases.ActiveBase()->HitTest(20, 16 - 7, kHitLeftClick), bar);
}

TEST(ImageSurfaces, ADisplayChangeShowsTheSamePictures) {
    // Pictures made anew by the cache, brightened copies made again, the
    // flip's kind of own picture kept, afterimages gone.
    ImageWorld w;
    w.image("pic.pel", 2, 2)->SetBrightness(60);
    w.image("masked.pel", 20, 10)->SetAlpha(300);
    auto* own = w.bases.Create<TNuvoCustomImage>();
    own->Surface.SetSize(6, 6, 32);
    own->Surface.Clear(own->Surface.ColorToPixel(rgb(0, 200, 200)));
    own->OwnPicture = true;
    own->SetParent(w.bases.ActiveBase());
    own->SetBounds(30, 24, 6, 6);
    w.frame();
    TDIBX before(40, 32, 32);
    before.Assign(w.paint());
    w.bases.ReleaseSurfaces();
    w.bases.RestoreSurfaces();
    TDIBX after(40, 32, 32);
    after.Assign(w.paint());
    EXPECT_EQ(test::pictureDifference(after, before), "");
}

TEST(ImageSurfaces, TheSinglePictureDarkensBelowFullBrightness) {
    ImageWorld w(8, 8);
    w.files.add("grey.pel", {test::PictureFiles::frame(4, 4, [](int32_t, int32_t) { return rgb(200, 100, 50); })});
    auto* face = w.bases.Create<TNuvoImage>();
    face->SetParent(w.bases.ActiveBase());
    face->SetSource("grey.pel");
    EXPECT_EQ(face->GetWidth(), 4);
    EXPECT_EQ(face->GetBrightness(), 255);
    w.frame();
    EXPECT_EQ(test::px(w.paint(), 1, 1), 0xC86432u);
    face->SetBrightness(200); // less 55 on each channel
    w.frame();
    EXPECT_EQ(test::px(w.paint(), 1, 1), 0x912D00u); // blue stops at 0
    face->SetBrightness(-4);
    EXPECT_EQ(face->GetBrightness(), 0);
}

std::string record(const TNuvoBaseList& bases) {
    TKvMemoryStream s;
    bases.SaveToStream(s);
    return std::string(s.bytes().begin(), s.bytes().end());
}

TEST(ImageRecords, BoxesImagesAndTilesReadBackAsTheyWere) {
    ImageWorld w;
    auto* image = w.image("three.pel", 3, 2);
    image->SetName("img");
    image->SetRepeat(true);
    image->SetAlpha(200);
    image->SetFlipH(true);
    image->SetBrightness(40);
    image->SetOnPlayEnd("end.nsb");
    image->SetLoopWait(compileExpression("7"));
    auto* sized = w.image("pic.pel", 20, 2);
    sized->SetName("sized");
    sized->SetWidth(19); // not a whole zoom
    auto* t = w.bases.Create<TNuvoTile>();
    t->SetParent(w.bases.ActiveBase());
    t->SetName("tile");
    t->SetSource("pic.pel");
    t->SetBounds(0, 20, 40, 12);
    t->SetScrollX(-3);
    t->SetDistanceX(20);
    auto* b = w.bases.Create<TNuvoBox>();
    b->SetParent(t);
    b->SetName("box");
    b->SetBounds(1, 1, 6, 4);
    b->SetColor(rgb(0, 255, 0));
    b->SetBorderWidth(1);
    b->SetBorderColor(rgb(255, 255, 255));
    b->SetAlpha(180);
    b->SetBlurSpan(30);
    b->SetBlurDelay(90);
    w.bases.ActiveBase()->SortChildren(); // by the names given after placing
    for (int i = 0; i < 8; ++i)
        w.frame();
    const std::string saved = record(w.bases);
    TDIBX before(40, 32, 32);
    before.Assign(w.paint());

    ImageWorld back;
    TKvMemoryStream s(std::vector<uint8_t>(saved.begin(), saved.end()));
    back.bases.LoadFromStream(s, 145);
    EXPECT_EQ(record(back.bases), saved);
    TDIBX after(40, 32, 32);
    after.Assign(back.paint());
    EXPECT_EQ(test::pictureDifference(after, before), "");
    auto* loaded = dynamic_cast<TNuvoImages*>(back.bases.FindByName("img"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetIndex(), image->GetIndex());
    EXPECT_EQ(loaded->FrameWait, image->FrameWait);
    ASSERT_NE(loaded->LoopWait(), nullptr);
    EXPECT_FALSE(dynamic_cast<TNuvoImages*>(back.bases.FindByName("sized"))->AutoSizedX());
    // And they go on the same way.
    for (int i = 0; i < 12; ++i) {
        w.frame();
        back.frame();
        EXPECT_EQ(loaded->GetIndex(), image->GetIndex()) << i;
    }

    // One image's record alone reads back to its end.
    ImageWorld old;
    auto* plain = old.image("pic.pel");
    plain->SetZoomX(300);
    TKvMemoryStream full;
    plain->SaveToStream(full);
    ImageWorld reader;
    auto* fresh = reader.bases.Create<TNuvoImages>();
    TKvMemoryStream again(full.bytes());
    fresh->LoadFromStream(again, 145);
    EXPECT_EQ(fresh->GetZoomX(), 300);
    EXPECT_EQ(again.remaining(), 0);
}

// The record of a control as version 101 wrote it (no children).
void writeOldControl(TStream& s, const std::string& name) {
    WriteStr(s, name);
    for (int32_t v : {0, 3, 2, 10, 10, 0, 0}) // priority, position, size, anchor
        WriteInt(s, v);
    WriteBool(s, false); // PosZoomed
    WriteBool(s, true);  // Visible
    for (int32_t v : {-1, 0, 0, 1, 1}) // Color, BoundsRect
        WriteInt(s, v);
    WriteByte(s, 0); // IgnoreMouse
    for (int i = 0; i < 9; ++i)
        WriteStr(s, ""); // cursor and handlers
    WriteInt(s, 0);      // children
}

// Each record is read back completely, whatever the bytes after it.
template <class T> T* readOld(ImageWorld& w, const std::vector<uint8_t>& bytes, int32_t version) {
    auto* o = w.bases.Create<T>();
    o->SetParent(w.bases.ActiveBase());
    std::vector<uint8_t> padded = bytes;
    padded.push_back(0xEE);
    TKvMemoryStream s(padded);
    o->LoadFromStream(s, version);
    EXPECT_EQ(s.position(), static_cast<int64_t>(bytes.size())) << version;
    return o;
}

TEST(ImageRecords, OlderVersionsReadOnlyTheFieldsTheyHad) {
    ImageWorld w;
    // Images before 104: one zoom, no afterimage times, no OnPlayEnd. A
    // zoom of 0 was an image sized by hand: it reads as the stretch its
    // size gives (10 for a picture of 4), never 0.
    TKvMemoryStream image;
    writeOldControl(image, "old");
    for (int32_t v : {200, 0, 0}) // Alpha, ZoomX, Angle
        WriteInt(image, v);
    for (bool v : {true, false, false}) // FlipH, FlipV, CaptureMask
        WriteBool(image, v);
    for (int32_t v : {40, 1, 0}) // FrameWait, FrameIndex, Brightness
        WriteInt(image, v);
    WriteByte(image, 0);
    TNuvoParser().SaveToStream(image); // no LoopWait
    WriteBool(image, true);            // Repeat
    WriteBool(image, false);           // AutoScrap
    WriteStr(image, "three.pel");
    WriteStr(image, "idle.nsb");
    auto* old = readOld<TNuvoImages>(w, image.bytes(), 101);
    EXPECT_EQ(old->GetAlpha(), 200);
    EXPECT_EQ(old->GetZoomX(), 640);
    EXPECT_EQ(old->GetZoomY(), 640);
    EXPECT_FALSE(old->AutoSizedX());
    EXPECT_EQ(old->GetWidth(), 10);
    EXPECT_EQ(old->GetCount(), 3);
    EXPECT_EQ(old->GetIndex(), 1);
    EXPECT_EQ(old->FrameWait, 40);
    EXPECT_EQ(old->GetOnPlayEnd(), "");
    EXPECT_EQ(old->GetBlurSpan(), 0);

    // Afterimage times from 140 on: a 139 record is the same without them.
    auto* blurred = w.image("pic.pel");
    blurred->SetBlurSpan(0x11223344);
    blurred->SetBlurDelay(0x55667788);
    TKvMemoryStream current;
    blurred->SaveToStream(current);
    std::vector<uint8_t> bytes = current.bytes();
    const uint8_t times[] = {0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55};
    const auto at = std::search(bytes.begin(), bytes.end(), std::begin(times), std::end(times));
    ASSERT_NE(at, bytes.end());
    bytes.erase(at, at + 8);
    auto* before140 = readOld<TNuvoImages>(w, bytes, 139);
    EXPECT_EQ(before140->GetBlurSpan(), 0);
    EXPECT_EQ(before140->GetCount(), 1);

    // Boxes: three fields before 104, the afterimage times from 140.
    TKvMemoryStream box;
    writeOldControl(box, "oldbox");
    for (int32_t v : {2, rgb(1, 2, 3), 300})
        WriteInt(box, v);
    auto* oldBox = readOld<TNuvoBox>(w, box.bytes(), 101);
    EXPECT_EQ(oldBox->GetBorderWidth(), 2);
    EXPECT_EQ(oldBox->GetAlpha(), 300);
    auto* b = w.bases.Create<TNuvoBox>();
    b->SetOnIdle("idle.nsb");
    b->SetBlurSpan(30);
    TKvMemoryStream boxNow;
    b->SaveToStream(boxNow);
    std::vector<uint8_t> box139 = boxNow.bytes();
    box139.resize(box139.size() - 8);
    auto* midBox = readOld<TNuvoBox>(w, box139, 139);
    EXPECT_EQ(midBox->GetOnIdle(), "idle.nsb");
    EXPECT_EQ(midBox->GetBlurSpan(), 0);
}

TEST(ImageRecords, DamagedRecordsRaiseInsteadOfCrashing) {
    ImageWorld w;
    auto* image = w.image("three.pel");
    image->SetLoopWait(compileExpression("1 + 2"));
    TKvMemoryStream s;
    w.bases.SaveToStream(s);
    const std::vector<uint8_t> bytes = s.bytes();
    // Every truncation of the record fails cleanly.
    for (size_t n = 0; n < bytes.size(); n += 3) {
        ImageWorld reader;
        TKvMemoryStream part(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_THROW(reader.bases.LoadFromStream(part, 145), ENuvoError) << n;
    }
}

} // namespace
} // namespace nuvo
