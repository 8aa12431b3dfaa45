// The layered image format: the writer's bytes, round trips, hand-made files
// of older versions, blocks, key order, layer flattening and refused input.
#include "base/Error.h"
#include "base/KvRandom.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "render/DIBX.h"
#include "render/PelkImage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

using namespace nuvo;

namespace {

std::vector<uint8_t> zlibOf(const std::vector<uint8_t>& raw) {
    uLongf n = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> out(n);
    compress2(out.data(), &n, raw.data(), static_cast<uLong>(raw.size()), 6);
    out.resize(n);
    return out;
}

// Builds layered-image files field by field.
class PelBuilder {
public:
    TKvMemoryStream s;

    // Signature, header size 40 and the header (version 103 on).
    void header(int version, int frames, int compression, int w = 0, int h = 0, int bits = 0, int scrambled = 0,
                int bw = 0, int bh = 0, int32_t background = 0, int firstOpaque = 0) {
        char sig[8];
        std::snprintf(sig, sizeof sig, "Pelk%03d", version);
        s.write(sig, 7);
        WriteInt(s, 40);
        const int32_t ints[] = {version, w, h, bits, frames};
        for (int32_t v : ints) WriteInt(s, v);
        const uint8_t bytes[] = {1, static_cast<uint8_t>(scrambled), static_cast<uint8_t>(compression), 0};
        s.write(bytes, 4);
        WriteInt(s, background);
        WriteInt(s, bw);
        WriteInt(s, bh);
        const uint8_t tail[] = {static_cast<uint8_t>(firstOpaque), 70, 0, 0};
        s.write(tail, 4);
    }
    void frame(int layers, int w, int h, int bits, int32_t key = -1, int duration = 100, const char* name = "") {
        WriteStr(s, name);
        WriteInt(s, key);
        WriteInt(s, duration);
        WriteByte(s, 0);
        WriteInt(s, 0);
        WriteInt(s, layers);
        WriteInt(s, w);
        WriteInt(s, h);
        WriteInt(s, bits);
        if (bits <= 8)
            for (int i = 0; i < (1 << bits); ++i) WriteInt(s, i * 0x010101);
    }
    void layer(int version, const std::vector<uint8_t>& colour, const std::vector<uint8_t>& mask = {},
               int32_t key = -1, int opacity = 255, int maskEnabled = 0, int visible = 1) {
        WriteInt(s, 0);
        WriteInt(s, 0);
        WriteByte(s, static_cast<uint8_t>(visible));
        WriteInt(s, key);
        WriteInt(s, opacity);
        if (version >= 101) WriteByte(s, static_cast<uint8_t>(maskEnabled));
        WriteStr(s, "L");
        WriteInt(s, static_cast<int32_t>(colour.size()));
        s.write(colour.data(), static_cast<int64_t>(colour.size()));
        if (version >= 100) {
            WriteInt(s, static_cast<int32_t>(mask.size()));
            s.write(mask.data(), static_cast<int64_t>(mask.size()));
        }
    }
    void noAreas() {
        WriteInt(s, 0);
        WriteInt(s, 0);
    }
    TPelkFrameList load(int32_t key = 0, bool firstOnly = false, bool keepLayers = false) {
        TPelkFrameList list(key);
        s.setPosition(0);
        list.LoadFromStream(s, firstOnly, keepLayers, false);
        return list;
    }
};

// Raw 32-bit rows of pixels given top-down.
std::vector<uint8_t> rows32(const std::vector<uint32_t>& px) {
    std::vector<uint8_t> v(px.size() * 4);
    std::memcpy(v.data(), px.data(), v.size());
    return v;
}

std::vector<uint32_t> pixels(TDIBX& s) {
    std::vector<uint32_t> v;
    for (int32_t y = 0; y < s.Height(); ++y)
        for (int32_t x = 0; x < s.Width(); ++x) v.push_back(static_cast<uint32_t>(s.GetPixel(x, y)));
    return v;
}

void fillPattern(TDIBX& s, uint32_t seed) {
    for (int32_t y = 0; y < s.Height(); ++y)
        for (int32_t x = 0; x < s.Width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            uint32_t v = seed >> 8;
            if (s.BitCount() == 32) v &= 0xFFFFFF;
            s.SetPixel(x, y, static_cast<int32_t>(v));
        }
}

} // namespace

TEST(PelkKeyOrder, MatchesTheGeneratorsDraws) {
    for (int32_t key : {1, -7, 12345, 0x7FFFFFFF})
        for (int32_t n : {1, 2, 17, 300}) {
            TKvRandom r(key);
            r.PrepareDraw(n);
            std::vector<int32_t> expected;
            for (int32_t i = 0; i < n; ++i) expected.push_back(r.Draw());
            EXPECT_EQ(keyOrder(key, n), expected) << key << " " << n;
        }
}

TEST(PelkWriter, HeaderBytes) {
    TPelkFrameList list;
    list.BackgroundColour = 0x123456;
    TPelkFrame& f = list.AddFrame();
    f.Composite.SetSize(3, 2, 24);
    list.AddFrame().Composite.SetSize(1, 1, 24);
    TKvMemoryStream s;
    list.SaveToStream(s, 0, 70);
    const std::vector<uint8_t>& b = s.bytes();
    ASSERT_GT(b.size(), 51u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 7), "Pelk106");
    auto int32At = [&](size_t at) {
        int32_t v;
        std::memcpy(&v, b.data() + at, 4);
        return v;
    };
    EXPECT_EQ(int32At(7), 40);
    const size_t h = 11;
    EXPECT_EQ(int32At(h + 0), 106);
    EXPECT_EQ(int32At(h + 4), 3);
    EXPECT_EQ(int32At(h + 8), 2);
    EXPECT_EQ(int32At(h + 12), 24);
    EXPECT_EQ(int32At(h + 16), 2);
    EXPECT_EQ(b[h + 20], 1);
    EXPECT_EQ(b[h + 21], 0);
    EXPECT_EQ(b[h + 22], 0);
    EXPECT_EQ(int32At(h + 24), 0x123456);
    EXPECT_EQ(int32At(h + 28), 0);
    EXPECT_EQ(b[h + 37], 70);
    s.setPosition(0);
    EXPECT_FALSE(TPelkFrameList::IsUncompressedImage(s));

    // A key forces scrambled, uncompressed planes.
    TPelkFrameList keyed(99);
    keyed.AddFrame().Composite.SetSize(2, 2, 32);
    TKvMemoryStream k;
    keyed.SaveToStream(k, 0, 70);
    EXPECT_EQ(k.bytes()[h + 21], 1);
    EXPECT_EQ(k.bytes()[h + 22], 1);
    k.setPosition(0);
    EXPECT_TRUE(TPelkFrameList::IsUncompressedImage(k));
    EXPECT_EQ(k.position(), 0);
}

TEST(PelkRoundTrip, EveryFormatCompressionAndKey) {
    for (int bits : {1, 4, 8, 15, 16, 24, 32})
        for (int compression : {0, 1})
            for (int32_t key : {0, 4242}) {
                TPelkFrameList list(key);
                list.BackgroundColour = 0x00FF00;
                TPelkFrame& f = list.AddFrame();
                f.Name = "frame";
                f.Duration = 250;
                f.Composite.SetSize(13, 7, bits);
                fillPattern(f.Composite, static_cast<uint32_t>(bits * 7 + compression));
                if (bits == 24) {
                    f.Composite.CreateMask();
                    fillPattern(*f.Composite.Mask, 5);
                }
                f.TransparentValue = bits <= 8 ? 1 : f.Composite.GetPixel(0, 0);
                f.ContentAreas = {TRect{1, 2, 3, 4}};
                f.OtherAreas = {TRect{0, 0, 5, 5}, TRect{-1, -2, 7, 8}};
                list.AddFrame().Composite.SetSize(2, 3, bits);
                TKvMemoryStream s;
                list.SaveToStream(s, compression, 70);
                s.setPosition(0);
                TPelkFrameList back(key);
                back.LoadFromStream(s, false, false, false);
                const std::string what = std::to_string(bits) + " bits, compression " +
                                         std::to_string(compression) + ", key " + std::to_string(key);
                ASSERT_EQ(back.Count(), 2) << what;
                TPelkFrame& g = back.GetFrame(0);
                EXPECT_EQ(back.Version, 106);
                EXPECT_EQ(back.BackgroundColour, 0x00FF00);
                EXPECT_EQ(g.Name, "frame");
                EXPECT_EQ(g.Duration, 250);
                EXPECT_EQ(g.TransparentValue, f.TransparentValue);
                EXPECT_EQ(g.Composite.BitCount(), bits) << what;
                EXPECT_EQ(pixels(g.Composite), pixels(f.Composite)) << what;
                EXPECT_EQ(g.HasMask(), bits == 24) << what;
                if (bits == 24) {
                    EXPECT_EQ(pixels(*g.Composite.Mask), pixels(*f.Composite.Mask));
                }
                EXPECT_EQ(g.ContentAreas, f.ContentAreas);
                EXPECT_EQ(g.OtherAreas, f.OtherAreas);
                EXPECT_TRUE(g.Layers.empty());
                EXPECT_EQ(back.GetFrame(1).Width(), 2);
            }
}

TEST(PelkRoundTrip, LossyPlanesAreCloseAndMasksExact) {
    TPelkFrameList list;
    TPelkFrame& f = list.AddFrame();
    f.Composite.SetSize(40, 24, 32);
    for (int32_t y = 0; y < 24; ++y)
        for (int32_t x = 0; x < 40; ++x) f.Composite.SetPixel(x, y, (x * 6) << 16 | (y * 10) << 8 | 128);
    f.Composite.CreateMask();
    fillPattern(*f.Composite.Mask, 3);
    TKvMemoryStream s;
    list.SaveToStream(s, 2, 90);
    auto load = [&] {
        s.setPosition(0);
        TPelkFrameList back;
        back.LoadFromStream(s, false, false, false);
        return pixels(back.GetFrame(0).Composite);
    };
    const std::vector<uint32_t> a = load(), b = load();
    EXPECT_EQ(a, b); // decoding is deterministic
    const std::vector<uint32_t> original = pixels(f.Composite);
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int sh = 0; sh < 24; sh += 8)
            worst = std::max(worst, std::abs(int((a[i] >> sh) & 0xFF) - int((original[i] >> sh) & 0xFF)));
    EXPECT_LT(worst, 16);
    s.setPosition(0);
    TPelkFrameList back;
    back.LoadFromStream(s, false, false, false);
    EXPECT_EQ(pixels(*back.GetFrame(0).Composite.Mask), pixels(*f.Composite.Mask));

    TPelkFrameList palette;
    palette.AddFrame().Composite.SetSize(2, 2, 8);
    TKvMemoryStream p;
    EXPECT_THROW(palette.SaveToStream(p, 2, 90), ENuvoError);
}

TEST(PelkReader, Version102HasNoHeader) {
    PelBuilder b;
    b.s.write("Pelk102", 7);
    WriteInt(b.s, 1);             // frame count
    WriteByte(b.s, 0);            // skipped
    WriteInt(b.s, 0x0000FF);      // background: red
    b.frame(1, 2, 1, 32);
    b.layer(102, zlibOf(rows32({0x112233, 0x445566})));
    TPelkFrameList list = b.load();
    EXPECT_EQ(list.Version, 102);
    EXPECT_EQ(list.BackgroundColour, 0x0000FF);
    EXPECT_EQ(pixels(list.GetFrame(0).Composite), (std::vector<uint32_t>{0x112233, 0x445566}));
}

TEST(PelkReader, FileWithoutSignatureIsVersion0) {
    PelBuilder b;
    WriteInt(b.s, 1);
    WriteByte(b.s, 0);
    b.frame(1, 1, 2, 8, -1, 100);
    b.layer(0, zlibOf({7, 0, 0, 0, 9, 0, 0, 0}));
    TPelkFrameList list = b.load();
    EXPECT_EQ(list.Version, 0);
    EXPECT_EQ(pixels(list.GetFrame(0).Composite), (std::vector<uint32_t>{7, 9}));
}

TEST(PelkReader, BlocksRepeatEarlierBlocksAndFrames) {
    // 3 x 2 picture in 2 x 1 blocks: columns 2, rows 2 (the right column 1 wide).
    auto entry = [](std::vector<uint8_t>& v, int32_t source, int32_t index) {
        const int32_t e[2] = {source, index};
        const uint8_t* p = reinterpret_cast<const uint8_t*>(e);
        v.insert(v.end(), p, p + 8);
    };
    auto raw = [](std::vector<uint8_t>& v, std::vector<uint32_t> px) {
        const std::vector<uint8_t> r = rows32(px);
        v.insert(v.end(), r.begin(), r.end());
    };
    std::vector<uint8_t> frame0, frame1;
    entry(frame0, -1, 0);
    entry(frame0, -1, 0);
    entry(frame0, -2, 0); // repeats the top-left block
    entry(frame0, -1, 0);
    raw(frame0, {1, 2});
    raw(frame0, {3});
    raw(frame0, {4});
    entry(frame1, 0, 0); // frame 0, layer 0, same place
    entry(frame1, -1, 0);
    entry(frame1, 0, 0);
    entry(frame1, -2, 1);
    raw(frame1, {9});
    PelBuilder b;
    b.header(106, 2, 1, 3, 2, 32, 0, 2, 1);
    b.frame(1, 3, 2, 32);
    b.layer(106, frame0);
    b.noAreas();
    b.frame(1, 3, 2, 32);
    b.layer(106, frame1);
    b.noAreas();
    TPelkFrameList list = b.load();
    EXPECT_EQ(pixels(list.GetFrame(0).Composite), (std::vector<uint32_t>{1, 2, 3, 1, 2, 4}));
    EXPECT_EQ(pixels(list.GetFrame(1).Composite), (std::vector<uint32_t>{1, 2, 9, 1, 2, 9}));

    // The first frame alone cannot refer to frames.
    PelBuilder alone;
    alone.header(106, 1, 1, 3, 2, 32, 0, 2, 1);
    alone.frame(1, 3, 2, 32);
    alone.layer(106, frame1);
    alone.noAreas();
    EXPECT_THROW(alone.load(), ENuvoError);

    // A layer the earlier frame does not have.
    std::vector<uint8_t> missing;
    entry(missing, 0, 5);
    entry(missing, -1, 0);
    entry(missing, -1, 0);
    entry(missing, -1, 0);
    raw(missing, {1, 2, 3, 4});
    PelBuilder m;
    m.header(106, 2, 1, 3, 2, 32, 0, 2, 1);
    m.frame(1, 3, 2, 32);
    m.layer(106, frame0);
    m.noAreas();
    m.frame(1, 3, 2, 32);
    m.layer(106, missing);
    m.noAreas();
    EXPECT_THROW(m.load(), ENuvoError);
}

TEST(PelkReader, ScrambledRowsAndBlocksFollowTheKey) {
    const int32_t key = 777;
    const std::vector<int32_t> order = keyOrder(key, 4);
    // Rows: stored row i is image row order[i].
    std::vector<uint32_t> stored(4);
    for (int i = 0; i < 4; ++i) stored[static_cast<size_t>(i)] = static_cast<uint32_t>(100 + order[static_cast<size_t>(i)]);
    PelBuilder b;
    b.header(106, 1, 1, 1, 4, 32, 1);
    b.frame(1, 1, 4, 32);
    b.layer(106, rows32(stored));
    b.noAreas();
    EXPECT_EQ(pixels(b.load(key).GetFrame(0).Composite), (std::vector<uint32_t>{100, 101, 102, 103}));
    // The wrong key puts the rows elsewhere without an error.
    EXPECT_NE(pixels(b.load(key + 1).GetFrame(0).Composite), (std::vector<uint32_t>{100, 101, 102, 103}));

    // Blocks: stored table entry i belongs to position order[i]; block data
    // follows in position order.
    std::vector<uint8_t> plane(32);
    for (int i = 0; i < 4; ++i) {
        const int32_t e[2] = {-1, 0};
        std::memcpy(plane.data() + 8 * i, e, 8);
    }
    const std::vector<uint8_t> data = rows32({5, 6, 7, 8});
    plane.insert(plane.end(), data.begin(), data.end());
    const int32_t rep[2] = {-2, 0};
    // Make position 3 repeat position 0: its stored slot is where order says 3.
    for (int i = 0; i < 4; ++i)
        if (order[static_cast<size_t>(i)] == 3) std::memcpy(plane.data() + 8 * i, rep, 8);
    plane.resize(plane.size() - 4);
    PelBuilder c;
    c.header(106, 1, 1, 2, 2, 32, 1, 1, 1);
    c.frame(1, 2, 2, 32);
    c.layer(106, plane);
    c.noAreas();
    EXPECT_EQ(pixels(c.load(key).GetFrame(0).Composite), (std::vector<uint32_t>{5, 6, 7, 5}));
}

TEST(PelkReader, LayersFlattenByTheFormatsRules) {
    struct Case {
        const char* name;
        int bits;
        uint32_t base, top;
        int32_t topKey;
        int opacity, maskValue, maskEnabled, firstOpaque;
        uint32_t expected;
    } cases[] = {
        {"24-bit opacity divides by 255", 24, 0x000000, 0xFFFFFF, -1, 128, -1, 0, 0, 0x808080},
        {"32-bit opacity shifts by 8", 32, 0x000000, 0xFFFFFF, -1, 128, -1, 0, 0, 0x7F7F7F},
        {"keyed pixel left out", 32, 0x102030, 0xABCDEF, 0xABCDEF, 255, -1, 0, 0, 0x102030},
        {"mask 255 copies", 32, 0x000000, 0xFFFFFF, -1, 255, 255, 1, 0, 0xFFFFFF},
        {"mask 100 blends", 32, 0x000000, 0xC8C8C8, -1, 255, 100, 1, 0, 0x4E4E4E},
        {"enabled mask ignores the key", 32, 0x000000, 0xABCDEF, 0xABCDEF, 255, 255, 1, 0, 0xABCDEF},
        {"disabled mask: the key applies", 32, 0x000000, 0xABCDEF, 0xABCDEF, 255, 255, 0, 0, 0x000000},
    };
    for (const Case& c : cases) {
        PelBuilder b;
        b.header(106, 1, 1, 1, 1, c.bits, 0, 0, 0, 0, c.firstOpaque);
        b.frame(2, 1, 1, c.bits);
        auto plane = [&](uint32_t v) {
            std::vector<uint8_t> p(4, 0);
            std::memcpy(p.data(), &v, c.bits / 8);
            return p;
        };
        b.layer(106, plane(c.base));
        const std::vector<uint8_t> mask = c.maskValue >= 0 ? std::vector<uint8_t>{static_cast<uint8_t>(c.maskValue), 0, 0, 0}
                                                           : std::vector<uint8_t>{};
        b.layer(106, plane(c.top), mask, c.topKey, c.opacity, c.maskEnabled);
        b.noAreas();
        TPelkFrameList list = b.load();
        EXPECT_EQ(static_cast<uint32_t>(list.GetFrame(0).Composite.GetPixel(0, 0)), c.expected) << c.name;
        EXPECT_FALSE(list.GetFrame(0).HasMask()) << c.name; // only the first visible layer's mask counts
    }
}

TEST(PelkReader, FirstVisibleLayerGivesTheMaskAndMayBeOpaque) {
    PelBuilder b;
    b.header(106, 1, 1, 2, 1, 32, 0, 0, 0, 0x00FF00, 1);
    b.frame(2, 2, 1, 32);
    b.layer(106, rows32({1, 2}), {}, -1, 255, 0, 0); // invisible
    b.layer(106, rows32({5, 6}), {0, 200, 0, 0}, 5, 255, 1);
    b.noAreas();
    TPelkFrameList list = b.load();
    TPelkFrame& f = list.GetFrame(0);
    ASSERT_TRUE(f.HasMask());
    EXPECT_EQ(pixels(*f.Composite.Mask), (std::vector<uint32_t>{0, 200}));
    // Not the frame's first layer, so drawn through its mask onto the
    // green background: 0 keeps, 200 blends.
    EXPECT_EQ(static_cast<uint32_t>(f.Composite.GetPixel(0, 0)), 0x00FF00u);
    EXPECT_EQ(static_cast<uint32_t>(f.Composite.GetPixel(1, 0)), ((255 - 200) * 255 >> 8) << 8 | (200 * 6 >> 8));

    // FirstLayerOpaque copies a keyed first layer whole.
    PelBuilder o;
    o.header(106, 1, 1, 2, 1, 32, 0, 0, 0, 0, 1);
    o.frame(1, 2, 1, 32);
    o.layer(106, rows32({7, 8}), {}, 7);
    o.noAreas();
    EXPECT_EQ(pixels(o.load().GetFrame(0).Composite), (std::vector<uint32_t>{7, 8}));
}

TEST(PelkReader, RefusesBrokenFiles) {
    auto blockFile = [](std::vector<std::pair<int32_t, int32_t>> entries, int layers = 1) {
        PelBuilder b;
        b.header(106, 1, 1, 2, 1, 32, 0, 1, 1);
        b.frame(layers, 2, 1, 32);
        std::vector<uint8_t> plane;
        for (auto [src, idx] : entries) {
            const int32_t e[2] = {src, idx};
            plane.insert(plane.end(), reinterpret_cast<const uint8_t*>(e), reinterpret_cast<const uint8_t*>(e) + 8);
        }
        plane.resize(plane.size() + 4); // one raw block
        b.layer(106, plane);
        b.noAreas();
        return b;
    };
    struct Case {
        const char* name;
        PelBuilder file;
    };
    std::vector<Case> cases;
    cases.push_back({"block repeating a later block", blockFile({{-2, 1}, {-1, 0}})});
    cases.push_back({"block repeating itself", blockFile({{-1, 0}, {-2, 1}})});
    cases.push_back({"block of a frame not decoded", blockFile({{-1, 0}, {0, 0}})});
    cases.push_back({"unknown block source", blockFile({{-1, 0}, {-3, 0}})});
    {
        PelBuilder b = blockFile({{-1, 0}, {-1, 0}});
        cases.push_back({"plane shorter than its table says", std::move(b)});
    }
    {
        PelBuilder b;
        b.header(106, 1, 0, 2, 1, 32);
        b.frame(1, 2, 1, 32);
        b.layer(106, zlibOf(rows32({1, 2, 3}))); // inflates to too much
        b.noAreas();
        cases.push_back({"zlib plane too long", std::move(b)});
    }
    {
        PelBuilder b;
        b.header(106, 1, 0, 2, 1, 32);
        b.frame(1, 2, 1, 32);
        b.layer(106, zlibOf(rows32({1}))); // too short
        b.noAreas();
        cases.push_back({"zlib plane too short", std::move(b)});
    }
    {
        PelBuilder b;
        b.header(106, 1, 1, 2, 1, 32);
        b.frame(1, 2, 1, 32);
        b.layer(106, rows32({1, 2, 3}));
        b.noAreas();
        cases.push_back({"raw plane of the wrong size", std::move(b)});
    }
    {
        PelBuilder b;
        b.header(106, 1, 1, 60000, 60000, 32);
        b.frame(1, 60000, 60000, 32);
        b.s.setSize(1024);
        cases.push_back({"60000 x 60000 in 1 KiB", std::move(b)});
    }
    {
        PelBuilder b;
        b.header(106, 1, 1, 9000, 9000, 32);
        b.frame(1, 9000, 9000, 32);
        b.s.setSize(1024);
        cases.push_back({"9000 x 9000 in 1 KiB (beyond the decoding budget)", std::move(b)});
    }
    {
        PelBuilder b;
        b.header(106, 1000000, 1);
        cases.push_back({"frame count beyond the file", std::move(b)});
    }
    {
        PelBuilder b;
        b.header(106, 1, 1, 1, 1, 7);
        b.frame(1, 1, 1, 7);
        cases.push_back({"bit count 7", std::move(b)});
    }
    {
        PelBuilder b;
        b.header(106, 1, 1, 2, 1, 32);
        b.frame(1, 2, 1, 32);
        b.layer(106, rows32({1, 2}));
        cases.push_back({"truncated after the layers", std::move(b)});
    }
    {
        PelBuilder b;
        b.s.write("Pelk1x6", 7);
        cases.push_back({"version not a number", std::move(b)});
    }
    for (Case& c : cases) EXPECT_THROW(c.file.load(), ENuvoError) << c.name;
}

TEST(PelkFrame, MakeMaskTrimAndCopies) {
    TPelkFrameList list;
    TPelkFrame& f = list.AddFrame();
    f.Composite.SetSize(5, 4, 32);
    f.Composite.Clear(0x00FF00);
    f.Composite.SetPixel(1, 1, 0x111111);
    f.Composite.SetPixel(3, 2, 0x222222);
    f.TransparentValue = 0x00FF00;
    f.ContentAreas = {TRect{0, 0, 2, 2}, TRect{4, 3, 5, 4}};
    f.MakeMask(false);
    ASSERT_TRUE(f.HasMask());
    EXPECT_EQ(f.Composite.Mask->GetPixel(1, 1), 255);
    EXPECT_EQ(f.Composite.Mask->GetPixel(0, 0), 0);
    const TRect box = f.Trim();
    EXPECT_EQ(box, (TRect{1, 1, 4, 3}));
    EXPECT_EQ(f.Width(), 3);
    EXPECT_EQ(f.Composite.GetPixel(0, 0), 0x111111);
    EXPECT_EQ(f.Composite.Mask->Width(), 3);
    EXPECT_EQ(f.ContentAreas, (std::vector<TRect>{TRect{0, 0, 1, 1}})); // (1,1)-(2,2) moved; the other fell out

    TDIBX picture(1, 1, 32), mask(1, 1, 8);
    CopyToSurface(f, picture);
    EXPECT_EQ(picture.Width(), 3);
    EXPECT_EQ(picture.GetPixel(2, 1), 0x222222);
    EXPECT_EQ(picture.ContentAreas, f.ContentAreas);
    CopyMask(f, mask);
    EXPECT_EQ(mask.GetPixel(2, 1), 255);
    EXPECT_EQ(mask.GetPixel(1, 0), 0);

    // 24 bits into a 16-bit surface go through the format conversion.
    TPelkFrame& g = list.AddFrame();
    g.Composite.SetSize(1, 1, 24);
    g.Composite.SetPixel(0, 0, 0xFF8000);
    TDIBX p16(1, 1, 16);
    CopyToSurface(g, p16);
    EXPECT_EQ(p16.GetPixel(0, 0), (31 << 11) | (32 << 5));

    EXPECT_THROW(list.GetFrame(2), ENuvoError);
    EXPECT_THROW(f.GetLayer(0), ENuvoError);
}

TEST(PelkFrame, EmptyFramesTouchNoPixels) {
    // A file may give a frame no width or no height; nothing after decoding
    // (scrambled rows, masks from keys, trimming, copies) may reach for the
    // pixel block it does not have.
    for (const auto& [w, h] : {std::pair{0, 3}, std::pair{3, 0}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        PelBuilder b;
        b.header(106, 1, 1, w, h, 32, 1);
        b.frame(1, w, h, 32, 0x00FF00);
        b.layer(106, {});
        b.noAreas();
        TPelkFrameList list = b.load(7, false, true);
        ASSERT_EQ(list.Count(), 1);
        TPelkFrame& f = list.GetFrame(0);
        f.MakeMask(true);
        EXPECT_TRUE(f.HasMask());
        f.Trim();
        TDIBX picture(2, 2, 32), mask(2, 2, 8);
        CopyToSurface(f, picture);
        CopyMask(f, mask);
        EXPECT_TRUE(picture.IsEmpty());
    }
}
