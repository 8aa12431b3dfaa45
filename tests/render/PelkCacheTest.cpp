// The image cache: names and options, sharing and release, reloads, the
// status record and the drawing of item frames.
#include "base/Error.h"
#include "base/Stream.h"
#include "render/PelkCache.h"
#include "render/PelkImage.h"

#include <gtest/gtest.h>

#include <map>

using namespace nuvo;

namespace {

class MemorySource : public IPelkSource {
public:
    std::map<std::string, std::vector<uint8_t>> files;
    int loads = 0;
    int32_t key = 0;

    int32_t ImageSeed() const override { return key; }
    bool EnsureAvailable(const std::string& name) override { return files.count(name) > 0; }
    bool LoadToStream(TStream& stream, const std::string& name) override {
        auto it = files.find(name);
        if (it == files.end()) return false;
        ++loads;
        stream.write(it->second.data(), static_cast<int64_t>(it->second.size()));
        return true;
    }

    // A file of frames, each w x h at 24 bits filled with a colour, keyed on
    // green, with a red dot at (1, 1).
    void addPicture(const std::string& name, std::vector<int32_t> durations, int32_t w = 4, int32_t h = 3) {
        TPelkFrameList list(key);
        for (int32_t d : durations) {
            TPelkFrame& f = list.AddFrame();
            f.Composite.SetSize(w, h, 24);
            f.Composite.Clear(0x00FF00);
            f.Composite.SetPixel(1, 1, 0xFF0000);
            f.TransparentValue = 0x00FF00;
            f.Duration = d;
        }
        TKvMemoryStream s;
        list.SaveToStream(s, 0, 70);
        files[name] = s.bytes();
    }
};

const int userA = 0, userB = 0;

} // namespace

TEST(PelkCache, OptionsSuffixesAndTheFileName) {
    bool t, m;
    EXPECT_EQ(pelkFileName("a.pel?m?t", &t, &m), "a.pel");
    EXPECT_TRUE(t && m);
    EXPECT_EQ(pelkFileName("a.pel?t?m", &t, &m), "a.pel");
    EXPECT_TRUE(t && m);
    EXPECT_EQ(pelkFileName("a.pel?t", &t, &m), "a.pel");
    EXPECT_TRUE(t && !m);
    EXPECT_EQ(pelkFileName("a?x.pel", &t, &m), "a?x.pel");

    MemorySource src;
    src.key = 99;
    src.addPicture("bg\\a.pel", {100, 0});
    TPelkCollection cache(src);
    TPelkItem* item = cache.Acquire(&userA, "bg\\a.pel", true, true);
    EXPECT_EQ(item->Name(), "bg\\a.pel?m?t");
    ASSERT_EQ(item->FrameCount(), 2);
    EXPECT_EQ(item->Width, 4);  // the untrimmed size
    EXPECT_EQ(item->Frames[1]->Duration, 1); // 0 counts as 1
    EXPECT_EQ(item->TotalDuration, 101);
    const TPelkItemFrame& f = *item->Frames[0];
    EXPECT_EQ(f.Picture->Width(), 1); // trimmed to the red dot
    EXPECT_EQ(f.OffsetX, 1);
    EXPECT_EQ(f.OffsetY, 1);
    ASSERT_TRUE(f.Mask);
    EXPECT_EQ(f.Mask->GetPixel(0, 0), 255);
    EXPECT_EQ(f.Picture->BitCount(), 32);
    EXPECT_EQ(f.Picture->GetPixel(0, 0), 0xFF0000); // the red dot
    EXPECT_EQ(f.TransparentColour, 0x00FF00);

    // The other order of suffixes names the same file, as another item.
    TPelkItem* other = cache.Acquire(&userA, "bg\\a.pel?t?m", false, false);
    EXPECT_NE(other, item);
    EXPECT_EQ(other->Frames[0]->Picture->Width(), 1);
}

TEST(PelkCache, SharingReleaseReuseAndPurge) {
    MemorySource src;
    src.addPicture("a.pel", {50});
    TPelkCollection cache(src);
    TPelkItem* a1 = cache.Acquire(&userA, "a.pel", false, false);
    TPelkItem* a2 = cache.Acquire(&userB, "A.PEL", false, false); // names compare without case
    EXPECT_EQ(a1, a2);
    EXPECT_EQ(src.loads, 1);
    cache.Release(a1, &userA);
    EXPECT_EQ(cache.ReleasedCount(), 0u);
    cache.Release(a1, &userB);
    EXPECT_EQ(cache.ReleasedCount(), 1u);
    EXPECT_EQ(cache.Acquire(&userA, "a.pel", false, false), a1); // reused without decoding
    EXPECT_EQ(src.loads, 1);
    EXPECT_EQ(cache.ReleasedCount(), 0u);

    cache.Acquire(&userA, "a.pel", true, true);
    TPelkItem* t = cache.FindItem("a.pel?m?t");
    cache.Release(t, &userA);
    cache.Release(a1, &userA);
    cache.Purge("a.pel");
    EXPECT_EQ(cache.Count(), 0);
    cache.Acquire(&userA, "a.pel", false, false);
    EXPECT_EQ(src.loads, 3);

    // Only the most recent released items are kept.
    cache.ReleasedLimit = 2;
    for (int i = 0; i < 4; ++i) {
        const std::string n = "f" + std::to_string(i) + ".pel";
        src.addPicture(n, {1});
        cache.Release(cache.Acquire(&userA, n, false, false), &userA);
    }
    EXPECT_EQ(cache.ReleasedCount(), 2u);
    EXPECT_EQ(cache.FindItem("f0.pel"), nullptr);
    EXPECT_NE(cache.FindItem("f3.pel"), nullptr);
}

TEST(PelkCache, MissingAndDamagedFiles) {
    MemorySource src;
    TPelkCollection cache(src);
    TPelkItem* missing = cache.Acquire(&userA, "nothing.pel", false, true);
    ASSERT_EQ(missing->FrameCount(), 1);
    const TPelkItemFrame& f = *missing->Frames[0];
    EXPECT_EQ(f.Picture->Width(), 8);
    EXPECT_EQ(f.Picture->TransparentColor, 0);
    EXPECT_EQ(f.Picture->GetPixel(7, 7), 0);
    ASSERT_TRUE(f.Mask);
    EXPECT_EQ(f.Mask->GetPixel(3, 3), 0);
    EXPECT_EQ(missing->Width, 8);

    src.files["bad.pel"] = {'P', 'e', 'l', 'k', '1', '0', '6', 40, 0};
    EXPECT_THROW(cache.Acquire(&userA, "bad.pel", false, false), ENuvoError);
    EXPECT_EQ(cache.FindItem("bad.pel"), nullptr);
}

TEST(PelkCache, ReloadsKeepOrRecreatePictures) {
    MemorySource src;
    src.addPicture("a.pel", {10});
    TPelkCollection cache(src);
    TPelkItem* item = cache.Acquire(&userA, "a.pel", false, true);
    TCustomDIBX* picture = item->Frames[0]->Picture.get();
    cache.SetConvertToScreenDepth(true); // reloads
    EXPECT_EQ(src.loads, 2);
    EXPECT_EQ(item->Frames[0]->Picture.get(), picture);
    cache.ReloadAll(true);
    EXPECT_EQ(src.loads, 3);
    EXPECT_NE(item->Frames[0]->Picture.get(), picture);

    TKvMemoryStream state;
    cache.WriteState(state);
    EXPECT_EQ(state.bytes(), std::vector<uint8_t>{1});
    TPelkCollection other(src);
    state.setPosition(0);
    other.ReadState(state, 100); // not read before version 101
    EXPECT_FALSE(other.ConvertToScreenDepth());
    other.ReadState(state, 101);
    EXPECT_TRUE(other.ConvertToScreenDepth());
}

TEST(PelkCache, DrawFrameFollowsTheAlphaModes) {
    TPelkItemFrame f;
    f.Picture = std::make_unique<TDIBX>(1, 1, 32);
    f.Picture->Clear(0xC86432);
    const TRect one{0, 0, 1, 1};
    struct Case {
        int32_t blend;
        bool mask;
        int32_t expected;
    } cases[] = {
        // Additive 300: amount 44 (through mask 255: 44 * 255 >> 8 = 43).
        {255, true, 0xC86432},  {128, true, 0x6D4F4A}, {300, true, 0x354C6C},
        {255, false, 0xC86432}, {64, false, 0x404557}, {300, false, 0x364D6C},
    };
    for (const Case& c : cases) {
        if (c.mask) {
            f.Mask = std::make_unique<TDIBX>(1, 1, 8);
            f.Mask->Clear(255);
        } else {
            f.Mask.reset();
        }
        TDIBX target(1, 1, 32);
        target.Clear(0x143C64);
        f.DrawFrame(target, 0, 0, c.blend, false, false, one);
        EXPECT_EQ(target.GetPixel(0, 0), c.expected) << c.blend << (c.mask ? " masked" : "");
    }
    // Keyed pictures leave their key out.
    f.Mask.reset();
    f.Picture->TransparentColor = 0xC86432;
    TDIBX target(1, 1, 32);
    f.DrawFrame(target, 0, 0, 255, false, false, one);
    EXPECT_EQ(target.GetPixel(0, 0), 0);
}

TEST(PelkCache, TileFrameOffsetsAndMirroring) {
    TPelkItemFrame f;
    f.Picture = std::make_unique<TDIBX>(3, 1, 32);
    for (int32_t x = 0; x < 3; ++x) f.Picture->SetPixel(x, 0, x + 1);
    auto row = [](TDIBX& t) {
        std::vector<int32_t> v;
        for (int32_t x = 0; x < t.Width(); ++x) v.push_back(t.GetPixel(x, 0));
        return v;
    };
    TDIBX t(8, 1, 32);
    f.TileFrame(t, TRect{1, 0, 8, 1}, 255, false, false, 0, 4, TRect{0, 0, 3, 1});
    EXPECT_EQ(row(t), (std::vector<int32_t>{0, 2, 3, 1, 2, 3, 1, 2}));
    TDIBX m(6, 1, 32);
    f.TileFrame(m, TRect{0, 0, 6, 1}, 255, false, true, 0, 1, TRect{0, 0, 3, 1});
    // Tiles at -1, 2, 5 mirrored inside 0..6 to 4, 1, -2, each drawn mirrored.
    EXPECT_EQ(row(m), (std::vector<int32_t>{1, 3, 2, 1, 3, 2}));
    EXPECT_EQ(m.ClipRect.Right, 0);
}
