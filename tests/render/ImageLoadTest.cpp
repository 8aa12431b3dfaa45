// Loading pictures by content and by extension, the bitmap-file and PNG
// codecs, and PNG -> layered image -> PNG round trips.
#include "base/Error.h"
#include "base/Stream.h"
#include "render/DIBX.h"
#include "render/ImageCodecs.h"
#include "render/PelkImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

using namespace nuvo;
using nuvo::test::TempDir;

namespace {

std::string asString(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// RGBA pixels of a decoded picture (alpha from the mask or the key).
std::vector<uint32_t> rgbaOf(TDIBSurface& p, int32_t key) {
    std::vector<uint32_t> v;
    for (int32_t y = 0; y < p.Height(); ++y)
        for (int32_t x = 0; x < p.Width(); ++x) {
            const uint32_t px = static_cast<uint32_t>(p.GetPixel(x, y));
            const int32_t c = p.PixelToColor(px);
            uint32_t a = p.Mask ? static_cast<uint32_t>(p.Mask->GetPixel(x, y)) : 255;
            if (key >= 0 && px == static_cast<uint32_t>(key)) a = 0;
            v.push_back(static_cast<uint32_t>(c) | (a << 24));
        }
    return v;
}

std::vector<uint8_t> simplePng(uint32_t format, int w, int h, const std::vector<uint8_t>& pixels,
                               const std::vector<uint8_t>& colormap = {}, int colormapEntries = 0) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = format;
    image.colormap_entries = static_cast<png_uint_32>(colormapEntries);
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0,
                                          colormap.empty() ? nullptr : colormap.data()));
    std::vector<uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0,
                                          colormap.empty() ? nullptr : colormap.data()));
    out.resize(size);
    return out;
}

TDIBSurface patterned(int32_t w, int32_t h, int bits) {
    TDIBSurface s(w, h, bits);
    uint32_t seed = static_cast<uint32_t>(bits);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            s.SetPixel(x, y, static_cast<int32_t>((seed >> 8) & 0xFFFFFF));
        }
    return s;
}

} // namespace

TEST(PngCodec, DecodesEveryKindToTheDocumentedFormat) {
    // Grey widens to 24 bits.
    const std::vector<uint8_t> grey = simplePng(PNG_FORMAT_GRAY, 2, 1, {0x10, 0xF0});
    TDIBSurface g;
    int32_t key = 0;
    ReadPng(grey.data(), grey.size(), g, key);
    EXPECT_EQ(g.BitCount(), 24);
    EXPECT_EQ(g.GetPixel(1, 0), 0xF0F0F0);
    EXPECT_EQ(key, -1);
    EXPECT_FALSE(g.HasMask());
    // RGBA gives a mask (channels come out blue first in the pixel value).
    const std::vector<uint8_t> rgba = simplePng(PNG_FORMAT_RGBA, 1, 1, {0x11, 0x22, 0x33, 0x80});
    TDIBSurface a;
    ReadPng(rgba.data(), rgba.size(), a, key);
    EXPECT_EQ(a.GetPixel(0, 0), 0x112233);
    ASSERT_TRUE(a.HasMask());
    EXPECT_EQ(a.Mask->GetPixel(0, 0), 0x80);
    // A palette with one fully transparent entry gives a key, not a mask.
    const std::vector<uint8_t> pal = simplePng(PNG_FORMAT_RGBA_COLORMAP, 3, 1, {0, 1, 2},
                                               {255, 255, 255, 255, 1, 2, 3, 0, 9, 9, 9, 255}, 3);
    TDIBSurface p;
    ReadPng(pal.data(), pal.size(), p, key);
    EXPECT_EQ(p.BitCount(), 8);
    EXPECT_FALSE(p.HasMask());
    EXPECT_EQ(p.GetPixel(p.Width() - 2, 0), key);
    EXPECT_EQ(p.PixelToColor(static_cast<uint32_t>(p.GetPixel(2, 0))), 0x090909);

    // Damaged data raises; a PNG header claiming a huge picture in a small
    // file is refused before allocating.
    std::vector<uint8_t> cut(rgba.begin(), rgba.begin() + 40);
    EXPECT_THROW(ReadPng(cut.data(), cut.size(), a, key), ENuvoError);
    std::vector<uint8_t> huge = grey;
    const uint8_t dims[8] = {0, 0, 0x50, 0, 0, 0, 0x50, 0}; // 20480 x 20480
    std::memcpy(huge.data() + 16, dims, 8);
    EXPECT_THROW(ReadPng(huge.data(), huge.size(), a, key), ENuvoError);
}

TEST(PngCodec, PngToPelToPngIsExactForLosslessPlanes) {
    TempDir dir;
    struct Case {
        const char* name;
        std::vector<uint8_t> png;
    };
    TDIBSurface rgb = patterned(17, 9, 24);
    TDIBSurface withMask = patterned(5, 4, 24);
    withMask.CreateMask();
    for (int32_t i = 0; i < 20; ++i) withMask.Mask->SetPixel(i % 5, i / 5, i * 13);
    TDIBSurface indexed = patterned(6, 3, 8);
    TPalette palette;
    for (int i = 0; i < 256; ++i) palette[static_cast<size_t>(i)] = static_cast<uint32_t>(i * 0x030507) & 0xFFFFFF;
    indexed.SetPalette(palette);
    const Case cases[] = {
        {"rgb", WritePng(rgb, -1)},
        {"rgb with key", WritePng(rgb, rgb.GetPixel(3, 3))},
        {"rgba", WritePng(withMask, -1)},
        {"palette with key", WritePng(indexed, indexed.GetPixel(0, 0))},
        {"grey", simplePng(PNG_FORMAT_GRAY, 3, 2, {0, 50, 100, 150, 200, 250})},
    };
    for (int32_t imageKey : {0, 31337})
        for (const Case& c : cases) {
            const auto in = dir.write(std::string(c.name) + ".png", asString(c.png));
            const std::string pel = (dir.path() / (std::string(c.name) + ".pel")).string();
            ConvertPngFileToPel(in.string(), pel, imageKey);
            TPelkFrameList list(imageKey);
            list.LoadFromFile(pel, false, false, false);
            ASSERT_EQ(list.Count(), 1) << c.name;
            TPelkFrame& f = list.GetFrame(0);
            const std::vector<uint8_t> again = WritePng(f.Composite, f.TransparentValue);

            TDIBSurface original, back;
            int32_t k1, k2;
            ReadPng(c.png.data(), c.png.size(), original, k1);
            ReadPng(again.data(), again.size(), back, k2);
            EXPECT_EQ(rgbaOf(back, k2), rgbaOf(original, k1)) << c.name << " key " << imageKey;
        }
}

TEST(BitmapFile, ReadsHeadersAndWritesTwentyFourBits) {
    TDIBX s(3, 2, 32);
    s.SetPixel(0, 0, 0x112233);
    s.SetPixel(2, 1, 0xA0B0C0);
    const std::vector<uint8_t> file = WriteBitmapFile24(s);
    ASSERT_EQ(file.size(), 54u + 2 * 12);
    EXPECT_EQ(file[28], 24); // bit count
    TDIBSurface back;
    ReadBitmapFile(file.data(), file.size(), back);
    EXPECT_EQ(back.BitCount(), 24);
    EXPECT_EQ(back.GetPixel(0, 0), 0x112233);
    EXPECT_EQ(back.GetPixel(2, 1), 0xA0B0C0);

    // A top-down 16-bit file with 5-6-5 bit fields.
    std::vector<uint8_t> f16 = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0,
                                0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 16, 0, 3, 0, 0, 0};
    f16.resize(54, 0);
    const uint8_t masks[12] = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    f16.insert(f16.end(), masks, masks + 12);
    const uint8_t px[4] = {0x00, 0xF8, 0x1F, 0x00};
    f16.insert(f16.end(), px, px + 4);
    ReadBitmapFile(f16.data(), f16.size(), back);
    EXPECT_EQ(back.BitCount(), 16);
    EXPECT_EQ(back.GetPixel(0, 0), 0xF800);
    EXPECT_EQ(back.GetPixel(1, 0), 0x001F);

    std::vector<uint8_t> rle = file;
    rle[30] = 1; // BI_RLE8
    EXPECT_THROW(ReadBitmapFile(rle.data(), rle.size(), back), ENuvoError);
    std::vector<uint8_t> shortFile(file.begin(), file.end() - 5);
    EXPECT_THROW(ReadBitmapFile(shortFile.data(), shortFile.size(), back), ENuvoError);
}

TEST(ImageLoad, RecognisesStreamsByContent) {
    TDIBSurface pic = patterned(4, 3, 24);
    std::vector<uint8_t> png = WritePng(pic, -1);
    png[0] = 'Z'; // any first byte: "PNG" at offset 1 decides
    TKvMemoryStream ps(png);
    TDIBX s(1, 1, 16);
    s.LoadFromStream(&ps, 0);
    EXPECT_EQ(s.BitCount(), 16);
    EXPECT_EQ(s.Width(), 4);
    EXPECT_EQ(s.GetPixel(1, 1), static_cast<int32_t>(colorToDirectPixel(16, pic.PixelToColor(static_cast<uint32_t>(pic.GetPixel(1, 1))))));

    // A layered image: only its first frame.
    TPelkFrameList list(5);
    list.AddFrame().Composite.SetSize(2, 2, 24);
    list.GetFrame(0).Composite.Clear(0x0000FF);
    list.AddFrame().Composite.SetSize(7, 7, 24);
    TKvMemoryStream pel;
    list.SaveToStream(pel, 0, 70);
    TDIBX t(1, 1, 32);
    t.LoadFromStream(&pel, 5);
    EXPECT_EQ(t.Width(), 2);
    EXPECT_EQ(t.GetPixel(1, 1), 0x0000FF);

    // Unrecognised bytes and a missing stream leave the surface alone.
    TKvMemoryStream junk(std::vector<uint8_t>{'G', 'I', 'F', '8', '9'});
    t.LoadFromStream(&junk, 0);
    t.LoadFromStream(nullptr, 0);
    EXPECT_EQ(t.Width(), 2);
}

TEST(ImageLoad, FilesByExtension) {
    TempDir dir;
    TDIBX s(3, 2, 32);
    s.Clear(0x123456);
    const std::string upper = (dir.path() / "PIC.BMP").string();
    s.SaveToFile(upper);
    s.SaveToFile((dir.path() / "pic.png").string()); // ignored
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "pic.png"));
    TDIBX t(1, 1, 32);
    t.LoadFromFile(upper);
    EXPECT_EQ(t.Width(), 3);
    EXPECT_EQ(t.GetPixel(2, 1), 0x123456);
    TDIBSurface nine(9, 9, 24);
    const auto png = dir.write("x.png", asString(WritePng(nine, -1)));
    t.LoadFromFile(png.string()); // only bitmap files load this way
    EXPECT_EQ(t.Width(), 3);

    // A 32-bit bitmap through a frame list: the fourth bytes become the mask.
    std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
                                1, 0, 32, 0};
    bmp.resize(54, 0);
    const uint8_t px[8] = {1, 2, 3, 0x40, 4, 5, 6, 0xFF};
    bmp.insert(bmp.end(), px, px + 8);
    const auto path = dir.write("a.Dib", asString(bmp));
    TPelkFrameList list;
    list.LoadFromFile(path.string(), false, false, false);
    ASSERT_EQ(list.Count(), 1);
    TPelkFrame& f = list.GetFrame(0);
    EXPECT_EQ(f.Composite.BitCount(), 24);
    EXPECT_EQ(f.Composite.GetPixel(1, 0), 0x060504);
    ASSERT_TRUE(f.HasMask());
    EXPECT_EQ(f.Composite.Mask->GetPixel(0, 0), 0x40);
    TPelkFrameList none;
    none.LoadFromFile(dir.write("a.gif", "GIF89a").string(), false, false, false);
    EXPECT_EQ(none.Count(), 0);
}

TEST(ImageLoad, NearestPixelPerFormat) {
    EXPECT_EQ(TDIBSurface(1, 1, 16).NearestPixel(128, 128, 128), (16 << 11) | (32 << 5) | 16);
    EXPECT_EQ(TDIBSurface(1, 1, 15).NearestPixel(255, 0, 8), (31 << 10) | 1);
    EXPECT_EQ(TDIBSurface(1, 1, 32).NearestPixel(1, 2, 3), 0x010203);
    TDIBSurface p(1, 1, 8);
    TPalette pal{};
    pal[7] = 0x7F7F7F;
    p.SetPalette(pal);
    EXPECT_EQ(p.NearestPixel(120, 130, 128), 7);
}
