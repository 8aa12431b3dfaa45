#include "render/CursorImage.h"

#include "base/Error.h"
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace nuvo;
using platform::CursorFrame;
using platform::CursorShape;
using platform::CursorStep;

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putTag(Bytes& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

// A picture as icons keep it. values: width x height per pixel, top row
// first (palette indices, or 0xAARRGGBB for 24 and 32 bits); masked: the AND
// mask's set pixels.
Bytes bitmap(int32_t w, int32_t h, int bits, const std::vector<uint32_t>& palette, const std::vector<uint32_t>& values,
             const std::vector<bool>& masked, bool withMask = true) {
    Bytes b;
    put32(b, 40);
    put32(b, static_cast<uint32_t>(w));
    put32(b, static_cast<uint32_t>(h * 2));
    put16(b, 1);
    put16(b, static_cast<uint32_t>(bits));
    for (int i = 0; i < 4; ++i)
        put32(b, 0); // compression, size, resolution
    put32(b, static_cast<uint32_t>(palette.size()));
    put32(b, 0);
    for (uint32_t entry : palette)
        put32(b, entry);
    const size_t stride = (static_cast<size_t>(w) * static_cast<size_t>(bits) + 31) / 32 * 4;
    for (int32_t y = h - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = values[static_cast<size_t>(y * w + x)];
            switch (bits) {
            case 1:
                row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
                break;
            case 4:
                row[static_cast<size_t>(x / 2)] |= static_cast<uint8_t>((v & 15) << (x % 2 ? 0 : 4));
                break;
            case 8:
                row[static_cast<size_t>(x)] = static_cast<uint8_t>(v);
                break;
            default:
                for (int i = 0; i < bits / 8; ++i)
                    row[static_cast<size_t>(x * bits / 8 + i)] = static_cast<uint8_t>(v >> (8 * i));
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    if (!withMask) return b;
    const size_t maskStride = (static_cast<size_t>(w) + 31) / 32 * 4;
    for (int32_t y = h - 1; y >= 0; --y) {
        Bytes row(maskStride, 0);
        for (int32_t x = 0; x < w; ++x)
            if (masked[static_cast<size_t>(y * w + x)])
                row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// A plain picture: every pixel the same value, nothing masked.
Bytes flat(int32_t w, int32_t h, int bits, uint32_t value, std::vector<uint32_t> palette = {}) {
    return bitmap(w, h, bits, palette, std::vector<uint32_t>(static_cast<size_t>(w * h), value),
                  std::vector<bool>(static_cast<size_t>(w * h), false));
}

struct Entry {
    Bytes picture;
    uint16_t hotX = 0, hotY = 0;
};

Bytes directory(uint16_t type, const std::vector<Entry>& entries) {
    Bytes b;
    put16(b, 0);
    put16(b, type);
    put16(b, static_cast<uint32_t>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        b.insert(b.end(), {32, 32, 0, 0});
        put16(b, e.hotX);
        put16(b, e.hotY);
        put32(b, static_cast<uint32_t>(e.picture.size()));
        put32(b, offset);
        offset += static_cast<uint32_t>(e.picture.size());
    }
    for (const Entry& e : entries)
        b.insert(b.end(), e.picture.begin(), e.picture.end());
    return b;
}

Bytes chunk(const char* id, const Bytes& body) {
    Bytes b;
    putTag(b, id);
    put32(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2) b.push_back(0);
    return b;
}

Bytes values32(const std::vector<uint32_t>& v) {
    Bytes b;
    for (uint32_t x : v)
        put32(b, x);
    return b;
}

Bytes animated(const std::vector<Bytes>& icons, uint32_t steps, uint32_t rate, uint32_t flags,
               const std::vector<uint32_t>& rates, const std::vector<uint32_t>& sequence) {
    Bytes header = values32({36, static_cast<uint32_t>(icons.size()), steps, 0, 0, 0, 0, rate, flags});
    Bytes frames;
    putTag(frames, "fram");
    for (const Bytes& icon : icons) {
        const Bytes c = chunk("icon", icon);
        frames.insert(frames.end(), c.begin(), c.end());
    }
    Bytes form;
    putTag(form, "ACON");
    for (const Bytes& c : {chunk("LIST", Bytes{'I', 'N', 'F', 'O'}), chunk("anih", header),
                           rates.empty() ? Bytes{} : chunk("rate", values32(rates)),
                           sequence.empty() ? Bytes{} : chunk("seq ", values32(sequence)), chunk("LIST", frames)})
        form.insert(form.end(), c.begin(), c.end());
    Bytes b;
    putTag(b, "RIFF");
    put32(b, static_cast<uint32_t>(form.size()));
    b.insert(b.end(), form.begin(), form.end());
    return b;
}

CursorShape decode(const Bytes& b) { return DecodeCursorFile(b.data(), b.size()); }

} // namespace

TEST(CursorImage, MonochromeCursorWithTransparentAndInvertingPixels) {
    // Row 0: transparent, black, white, inverting; the rest transparent.
    std::vector<uint32_t> values(32 * 32, 0);
    std::vector<bool> masked(32 * 32, true);
    values[1] = 0, masked[1] = false;
    values[2] = 1, masked[2] = false;
    values[3] = 1, masked[3] = true;
    values[32 * 31 + 31] = 1, masked[32 * 31 + 31] = false; // bottom-right white: rows run the right way
    const CursorShape shape = decode(directory(2, {{bitmap(32, 32, 1, {0x000000, 0xFFFFFF}, values, masked), 3, 5}}));
    ASSERT_EQ(shape.frames.size(), 1u);
    EXPECT_TRUE(shape.steps.empty());
    const CursorFrame& f = shape.frames[0];
    EXPECT_EQ(f.width, 32);
    EXPECT_EQ(f.height, 32);
    EXPECT_EQ(f.hotX, 3);
    EXPECT_EQ(f.hotY, 5);
    EXPECT_EQ(f.argb[0], 0x00000000u);
    EXPECT_EQ(f.argb[1], 0xFF000000u);
    EXPECT_EQ(f.argb[2], 0xFFFFFFFFu);
    EXPECT_EQ(f.argb[3], 0xFF000000u);
    EXPECT_EQ(f.argb[32 * 31 + 31], 0xFFFFFFFFu);
    EXPECT_EQ(f.argb[32 * 31 + 30], 0u);
    ASSERT_EQ(f.invert.size(), 32u * 32u);
    EXPECT_EQ(f.invert[3], 1);
    EXPECT_EQ(f.invert[2], 0);
}

TEST(CursorImage, ColourDepthsAndAlpha) {
    struct Case {
        const char* what;
        Bytes picture;
        uint32_t expected; // every pixel
    };
    const Case cases[] = {
        {"4-bit palette", flat(8, 4, 4, 2, {0, 0, 0x00336699}), 0xFF336699},
        {"8-bit palette", flat(8, 4, 8, 200, std::vector<uint32_t>(256, 0x00102030)), 0xFF102030},
        {"24 bits", flat(8, 4, 24, 0x00ABCDEF), 0xFFABCDEF},
        {"32 bits with alpha: the alpha counts, not the mask", flat(8, 4, 32, 0x80ABCDEF), 0x80ABCDEF},
        {"32 bits without any alpha: the mask counts", flat(8, 4, 32, 0x00ABCDEF), 0xFFABCDEF},
        {"32 bits with alpha and no AND rows", bitmap(8, 4, 32, {}, std::vector<uint32_t>(32, 0x40FFFFFF), {}, false),
         0x40FFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CursorShape shape = decode(directory(2, {{c.picture, 1, 1}}));
        ASSERT_EQ(shape.frames.size(), 1u);
        EXPECT_EQ(shape.frames[0].width, 8);
        EXPECT_EQ(shape.frames[0].height, 4);
        EXPECT_EQ(shape.frames[0].argb, std::vector<uint32_t>(32, c.expected));
        EXPECT_TRUE(shape.frames[0].invert.empty());
    }
}

TEST(CursorImage, ThePictureNearest32PixelsWins) {
    const CursorShape shape = decode(directory(2, {{flat(16, 16, 32, 0xFF000001), 1, 1},
                                                   {flat(48, 48, 32, 0xFF000002), 2, 2},
                                                   {flat(32, 32, 4, 1, {0, 0x00000003}), 3, 3},
                                                   {flat(32, 32, 32, 0xFF000004), 4, 4},
                                                   {flat(300, 2, 32, 0xFF000005), 5, 5}}));
    ASSERT_EQ(shape.frames.size(), 1u);
    EXPECT_EQ(shape.frames[0].argb[0], 0xFF000004u); // 32 x 32 with the most colours
    EXPECT_EQ(shape.frames[0].hotX, 4);
    // Above and below 32 at the same distance: the larger.
    EXPECT_EQ(decode(directory(2, {{flat(24, 24, 32, 0xFF000001)}, {flat(40, 40, 32, 0xFF000002)}})).frames[0].width,
              40);
    // An icon's hot spot is its centre; a cursor's lies inside the picture.
    EXPECT_EQ(decode(directory(1, {{flat(16, 8, 32, 0xFF000000), 0, 0}})).frames[0].hotX, 8);
    EXPECT_EQ(decode(directory(1, {{flat(16, 8, 32, 0xFF000000), 0, 0}})).frames[0].hotY, 4);
    EXPECT_EQ(decode(directory(2, {{flat(16, 8, 32, 0xFF000000), 40, 40}})).frames[0].hotX, 15);
}

TEST(CursorImage, PngPictures) {
    TDIBSurface picture(4, 2, 24);
    picture.CreateMask();
    for (int32_t x = 0; x < 4; ++x) {
        picture.SetPixel(x, 0, 0x00FF0000); // red
        picture.SetPixel(x, 1, 0x000000FF); // blue
        picture.Mask->SetPixel(x, 0, 255);
        picture.Mask->SetPixel(x, 1, x * 60);
    }
    const CursorShape shape = decode(directory(2, {{WritePng(picture, -1), 2, 1}}));
    ASSERT_EQ(shape.frames.size(), 1u);
    const CursorFrame& f = shape.frames[0];
    EXPECT_EQ(f.width, 4);
    EXPECT_EQ(f.argb[0], 0xFFFF0000u);
    EXPECT_EQ(f.argb[7], 0xB40000FFu);
    EXPECT_EQ(f.argb[4], 0x000000FFu);
}

TEST(CursorImage, AnimatedCursorStepsFollowSequenceAndRates) {
    const Bytes first = directory(2, {{flat(8, 8, 32, 0xFF111111), 1, 2}});
    const Bytes second = directory(2, {{flat(8, 8, 32, 0xFF222222), 3, 4}});
    // Steps 1, 0, 1 at 6, 12 and 3 sixtieths of a second.
    CursorShape shape = decode(animated({first, second}, 3, 10, 3, {6, 12, 3}, {1, 0, 1}));
    ASSERT_EQ(shape.frames.size(), 2u);
    EXPECT_EQ(shape.frames[1].argb[0], 0xFF222222u);
    EXPECT_EQ(shape.frames[1].hotX, 3);
    ASSERT_EQ(shape.steps.size(), 3u);
    const int32_t expected[3][2] = {{1, 100}, {0, 200}, {1, 50}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(shape.steps[i].frame, expected[i][0]);
        EXPECT_EQ(shape.steps[i].durationMs, expected[i][1]);
    }
    // Without sequence and rates: the frames in order at the header's rate;
    // a rate of 0 still shows each step.
    shape = decode(animated({first, second}, 0, 2, 1, {}, {}));
    ASSERT_EQ(shape.steps.size(), 2u);
    EXPECT_EQ(shape.steps[1].frame, 1);
    EXPECT_EQ(shape.steps[1].durationMs, 33);
    shape = decode(animated({first}, 1, 0, 1, {}, {}));
    EXPECT_EQ(shape.steps[0].durationMs, 1);
}

TEST(CursorImage, DamagedFilesAreRefused) {
    const Bytes good = directory(2, {{flat(8, 8, 32, 0xFF000000)}});
    const Bytes icon = good;
    const auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        Bytes b = good;
        for (size_t i = 0; i < bytes.size(); ++i)
            b[at + i] = bytes[i];
        return b;
    };
    const size_t header = 6 + 16; // the bitmap header starts here
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"too short", Bytes(good.begin(), good.begin() + 5)},
        {"not a directory", patched(0, {1})},
        {"unknown type", patched(2, {3})},
        {"no entries", patched(4, {0, 0})},
        {"entry beyond the file", patched(6 + 12, {0xFF, 0xFF, 0, 0})},
        {"entry size beyond the file", patched(6 + 8, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"bitmap header too small", patched(header, {12})},
        {"16-bit pictures", patched(header + 14, {16})},
        {"compressed", patched(header + 16, {1})},
        {"too wide", patched(header + 4, {0x2D, 0x01})},
        {"no height", patched(header + 8, {1, 0, 0, 0})},
        {"negative height", patched(header + 8, {0xF0, 0xFF, 0xFF, 0xFF})},
        {"rows cut short", Bytes(good.begin(), good.end() - 8 * 4 * 4 - 32)},
        {"palette larger than the depth", directory(2, {{flat(8, 8, 1, 0, {0, 1, 2})}})},
        {"no AND rows below 32 bits",
         directory(2, {{bitmap(8, 8, 8, {0}, std::vector<uint32_t>(64, 0), {}, false)}})},
        {"PNG too large", directory(2, {{[] {
                                             TDIBSurface big(257, 1, 24);
                                             return WritePng(big, -1);
                                         }()}})},
        {"animation without header", [&] {
             Bytes b = animated({icon}, 1, 1, 1, {}, {});
             b[24] = 'x'; // "anih" renamed
             return b;
         }()},
        {"animation with raw frames", animated({icon}, 1, 1, 0, {}, {})},
        {"animation without frames", animated({}, 1, 1, 1, {}, {})},
        {"sequence naming a missing frame", animated({icon}, 2, 1, 3, {}, {0, 1})},
        {"sequence shorter than the steps", animated({icon}, 3, 1, 3, {}, {0, 0})},
        {"too many steps", animated({icon}, 5000, 1, 1, {}, {})},
        {"chunk beyond the file", [&] {
             Bytes b = animated({icon}, 1, 1, 1, {}, {});
             b[19] = 0x7F; // the first chunk's length
             return b;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(decode(c.bytes), ENuvoError);
    }
    EXPECT_NO_THROW(decode(good));
    EXPECT_THROW(DecodeCursorFile(nullptr, 100), ENuvoError);
}
