// PNG through libpng. libpng reports errors by longjmp: every function that
// calls into it with a jump target set holds no object with a destructor, and
// the structures are owned by a holder outside those functions.
#include "render/ImageCodecs.h"

#include "base/Error.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace nuvo {
namespace {

struct TPngInput {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* in = static_cast<TPngInput*>(png_get_io_ptr(png));
    if (count > in->size - in->pos) png_error(png, "truncated");
    std::memcpy(out, in->data + in->pos, count);
    in->pos += count;
}

void pngErrorToJump(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarningIgnored(png_structp, png_const_charp) {}

struct TPngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    TPngReader() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, pngErrorToJump, pngWarningIgnored);
        if (png) info = png_create_info_struct(png);
    }
    ~TPngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct TPngHeader {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    int channels = 0; // after the transformations
    png_colorp palette = nullptr;
    int paletteCount = 0;
    png_bytep transAlpha = nullptr;
    int transCount = 0;
    png_color_16p transColor = nullptr;
};

// Reads the header and sets up the transformations: 8-bit samples, palette
// indices one per byte, grey widened to BGR, BGR(A) order.
bool readHeader(TPngReader& r, TPngInput& in, TPngHeader& h) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_set_read_fn(r.png, &in, readFromMemory);
    // The signature was checked by the caller, all but its first byte.
    png_set_sig_bytes(r.png, 8);
    png_set_user_limits(r.png, kMaxSurfaceSide, kMaxSurfaceSide);
    png_set_chunk_malloc_max(r.png, 8u << 20);
    png_read_info(r.png, r.info);
    png_get_IHDR(r.png, r.info, &h.width, &h.height, &h.bitDepth, &h.colorType, nullptr, nullptr, nullptr);
    if (h.colorType == PNG_COLOR_TYPE_PALETTE) png_get_PLTE(r.png, r.info, &h.palette, &h.paletteCount);
    if (png_get_valid(r.png, r.info, PNG_INFO_tRNS))
        png_get_tRNS(r.png, r.info, &h.transAlpha, &h.transCount, &h.transColor);
    if (h.bitDepth == 16) png_set_strip_16(r.png);
    if (h.colorType == PNG_COLOR_TYPE_PALETTE) {
        if (h.bitDepth < 8) png_set_packing(r.png);
    } else {
        if (h.colorType == PNG_COLOR_TYPE_GRAY && h.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(r.png);
        if (!(h.colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(r.png);
        png_set_bgr(r.png);
    }
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    h.channels = png_get_channels(r.png, r.info);
    return true;
}

bool readRows(TPngReader& r, png_bytepp rows) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_read_image(r.png, rows);
    return true;
}

// A tRNS grey or colour sample at the file's depth, as 8 bits.
uint32_t sampleTo8(uint32_t v, int bitDepth) {
    switch (bitDepth) {
    case 1: return v ? 255 : 0;
    case 2: return (v & 3) * 85;
    case 4: return (v & 15) * 17;
    case 16: return v >> 8;
    default: return v & 0xFF;
    }
}

} // namespace

void ReadPng(const uint8_t* data, size_t size, TDIBSurface& out, int32_t& transparentValue) {
    static const uint8_t kSignatureTail[7] = {'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(data + 1, kSignatureTail, 7) != 0) raiseBadPicture("PNG");
    TPngReader r;
    if (!r.png || !r.info) raiseBadPicture("PNG");
    TPngInput in{data, size, 8};
    TPngHeader h;
    if (!readHeader(r, in, h)) raiseBadPicture("PNG");
    const bool palette = h.colorType == PNG_COLOR_TYPE_PALETTE;
    if ((palette && h.channels != 1) || (!palette && h.channels != 3 && h.channels != 4)) raiseBadPicture("PNG");
    // Sized against what the compressed data could hold before allocating.
    TDecodeBudget budget(static_cast<int64_t>(size));
    budget.take(h.width, h.height, 32);

    const size_t rowBytes = static_cast<size_t>(h.width) * static_cast<size_t>(h.channels);
    std::vector<uint8_t> pixels(rowBytes * h.height);
    std::vector<png_bytep> rows(h.height);
    for (png_uint_32 y = 0; y < h.height; ++y) rows[y] = pixels.data() + rowBytes * y;
    if (!readRows(r, rows.data())) raiseBadPicture("PNG");

    const int32_t w = static_cast<int32_t>(h.width), ht = static_cast<int32_t>(h.height);
    transparentValue = -1;
    out.DropMask();
    out.TransparentColor = -1;
    if (palette) {
        out.SetSize(w, ht, 8);
        TPalette pal{};
        for (int i = 0; i < h.paletteCount && i < 256; ++i)
            pal[static_cast<size_t>(i)] = (h.palette[i].red << 16) | (h.palette[i].green << 8) | h.palette[i].blue;
        out.SetPalette(pal);
        for (int32_t y = 0; y < ht; ++y) std::memcpy(out.ScanLine(y), rows[static_cast<size_t>(y)], static_cast<size_t>(w));
        // One fully transparent entry among opaque ones is a colour key;
        // anything else is an alpha mask.
        int keyIndex = -1;
        bool partial = false;
        for (int i = 0; i < h.transCount && h.transAlpha; ++i) {
            if (h.transAlpha[i] == 255) continue;
            if (h.transAlpha[i] == 0 && keyIndex < 0)
                keyIndex = i;
            else
                partial = true;
        }
        if (partial) {
            out.CreateMask();
            for (int32_t y = 0; y < ht; ++y) {
                const uint8_t* src = out.ScanLine(y);
                uint8_t* m = out.Mask->ScanLine(y);
                for (int32_t x = 0; x < w; ++x) m[x] = src[x] < h.transCount ? h.transAlpha[src[x]] : 255;
            }
        } else {
            transparentValue = keyIndex;
        }
        return;
    }
    out.SetSize(w, ht, 24);
    if (h.channels == 4) out.CreateMask();
    for (int32_t y = 0; y < ht; ++y) {
        const uint8_t* src = rows[static_cast<size_t>(y)];
        uint8_t* dst = out.ScanLine(y);
        if (h.channels == 3) {
            std::memcpy(dst, src, static_cast<size_t>(w) * 3);
            continue;
        }
        uint8_t* m = out.Mask->ScanLine(y);
        for (int32_t x = 0; x < w; ++x) {
            std::memcpy(dst + 3 * x, src + 4 * x, 3);
            m[x] = src[4 * x + 3];
        }
    }
    if (h.channels == 3 && h.transColor) {
        uint32_t r8, g8, b8;
        if (h.colorType & PNG_COLOR_MASK_COLOR) {
            r8 = sampleTo8(h.transColor->red, h.bitDepth);
            g8 = sampleTo8(h.transColor->green, h.bitDepth);
            b8 = sampleTo8(h.transColor->blue, h.bitDepth);
        } else {
            r8 = g8 = b8 = sampleTo8(h.transColor->gray, h.bitDepth);
        }
        transparentValue = static_cast<int32_t>((r8 << 16) | (g8 << 8) | b8);
    }
}

// ---- Writing ---------------------------------------------------------------------

namespace {

void writeToVector(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}
void flushNothing(png_structp) {}

struct TPngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    TPngWriter() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngErrorToJump, pngWarningIgnored);
        if (png) info = png_create_info_struct(png);
    }
    ~TPngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

struct TPngOutput {
    int32_t width, height;
    int colorType;
    png_color palette[256];
    int paletteCount;
    png_byte trans[256];
    int transCount;
    png_color_16 transColor;
    bool hasTransColor;
    png_bytepp rows;
};

bool writeAll(TPngWriter& w, std::vector<uint8_t>* sink, TPngOutput& o) {
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_set_write_fn(w.png, sink, writeToVector, flushNothing);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(o.width), static_cast<png_uint_32>(o.height), 8,
                 o.colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (o.colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(w.png, w.info, o.palette, o.paletteCount);
    if (o.transCount > 0) png_set_tRNS(w.png, w.info, o.trans, o.transCount, nullptr);
    if (o.hasTransColor) png_set_tRNS(w.png, w.info, nullptr, 0, &o.transColor);
    png_write_info(w.png, w.info);
    png_write_image(w.png, o.rows);
    png_write_end(w.png, nullptr);
    return true;
}

} // namespace

std::vector<uint8_t> WritePng(TDIBSurface& picture, int32_t transparentValue) {
    const int32_t w = picture.Width(), h = picture.Height();
    if (w <= 0 || h <= 0) raiseBadPicture("PNG size");
    const int bits = picture.BitCount();
    const bool indexed = isPaletteBitCount(bits) && !picture.Mask;
    const int channels = indexed ? 1 : picture.Mask ? 4 : 3;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * static_cast<size_t>(channels));
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    TPngOutput o{};
    o.width = w;
    o.height = h;
    o.rows = rows.data();
    o.colorType = indexed ? PNG_COLOR_TYPE_PALETTE : picture.Mask ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    TPalette pal;
    picture.GetPalette(pal);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * static_cast<size_t>(channels);
        rows[static_cast<size_t>(y)] = row;
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t p = static_cast<uint32_t>(picture.GetPixel(x, y));
            if (indexed) {
                row[x] = static_cast<uint8_t>(p);
                continue;
            }
            const int32_t c = picture.PixelToColor(p);
            uint8_t* px = row + static_cast<size_t>(x) * static_cast<size_t>(channels);
            px[0] = static_cast<uint8_t>(colorRed(c));
            px[1] = static_cast<uint8_t>(colorGreen(c));
            px[2] = static_cast<uint8_t>(colorBlue(c));
            if (channels == 4) px[3] = static_cast<uint8_t>(picture.Mask->GetPixel(x, y));
        }
    }
    if (indexed) {
        o.paletteCount = paletteSizeOf(bits);
        for (int i = 0; i < o.paletteCount; ++i) {
            const uint32_t e = pal[static_cast<size_t>(i)];
            o.palette[i] = png_color{static_cast<png_byte>(e >> 16), static_cast<png_byte>(e >> 8), static_cast<png_byte>(e)};
        }
        if (transparentValue >= 0 && transparentValue < o.paletteCount) {
            o.transCount = transparentValue + 1;
            for (int i = 0; i < o.transCount; ++i) o.trans[i] = i == transparentValue ? 0 : 255;
        }
    } else if (!picture.Mask && transparentValue >= 0) {
        const int32_t c = picture.PixelToColor(static_cast<uint32_t>(transparentValue));
        o.hasTransColor = true;
        o.transColor.red = static_cast<png_uint_16>(colorRed(c));
        o.transColor.green = static_cast<png_uint_16>(colorGreen(c));
        o.transColor.blue = static_cast<png_uint_16>(colorBlue(c));
    }
    TPngWriter writer;
    if (!writer.png || !writer.info) raiseBadPicture("PNG");
    std::vector<uint8_t> out;
    if (!writeAll(writer, &out, o)) raiseBadPicture("PNG");
    return out;
}

} // namespace nuvo
