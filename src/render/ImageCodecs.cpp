#include "render/ImageCodecs.h"

#include "base/Error.h"

#include <algorithm>
#include <cstring>

namespace nuvo {

namespace {
constexpr const char* kMsgBadPicture = "画像データが壊れています (%s)";
constexpr const char* kMsgTooLarge = "画像データが大きすぎます (%d x %d)";
} // namespace

void raiseBadPicture(const char* reason) { raiseFormat(kMsgBadPicture, {std::string_view(reason)}); }

TDecodeBudget::TDecodeBudget(int64_t inputBytes)
    : left_((int64_t{16} << 20) + std::clamp<int64_t>(inputBytes, 0, int64_t{1} << 40) * 4096) {}

void TDecodeBudget::take(int64_t width, int64_t height, int bitCount) {
    const bool fits = width >= 0 && height >= 0 && width <= kMaxSurfaceSide && height <= kMaxSurfaceSide;
    // Sub-byte formats count a byte per pixel: what bounds the work is the
    // number of pixels, which every later step touches.
    const int64_t bytes = fits ? std::max(paddedRowBytes(width, bitCount), width) * height : 0;
    if (!fits || bytes > kMaxSurfaceBytes || bytes > left_)
        raiseFormat(kMsgTooLarge, {static_cast<long long>(width), static_cast<long long>(height)});
    left_ -= bytes;
}

void TDecodeBudget::takeBytes(int64_t bytes) {
    if (bytes < 0 || bytes > kMaxSurfaceBytes || bytes > left_) raiseFormat(kMsgTooLarge, {bytes, 1LL});
    left_ -= bytes;
}

// ---- Bitmap files --------------------------------------------------------------

namespace {

uint32_t le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
void put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// A channel read through an arbitrary bit mask, widened to 8 bits.
uint32_t maskedChannel(uint32_t v, uint32_t mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    int bits = 0;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1)) ++bits;
    uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return c >> (bits - 8);
    // Replicate the bits to fill 8.
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += bits) out = (out << bits) | c;
    return (out >> (((8 + bits - 1) / bits) * bits - 8)) & 0xFF;
}

} // namespace

void ReadBitmapFile(const uint8_t* data, size_t size, TDIBSurface& out) {
    if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M') raiseBadPicture("BMP");
    const uint32_t offBits = le32(data + 10);
    const uint32_t headerSize = le32(data + 14);
    if (headerSize < 12 || headerSize > size - 14) raiseBadPicture("BMP header");
    const uint8_t* h = data + 14;
    int64_t width, height;
    uint32_t bitCount, compression = 0, colorsUsed = 0;
    const bool core = headerSize < 40;
    if (core) {
        width = le16(h + 4);
        height = static_cast<int16_t>(le16(h + 6));
        bitCount = le16(h + 10);
    } else {
        width = static_cast<int32_t>(le32(h + 4));
        height = static_cast<int32_t>(le32(h + 8));
        bitCount = le16(h + 14);
        compression = le32(h + 16);
        colorsUsed = le32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide)
        raiseBadPicture("BMP size");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        raiseBadPicture("BMP bit count");
    if (compression != 0 && !(compression == 3 && (bitCount == 16 || bitCount == 32)) &&
        !(compression == 6 && (bitCount == 16 || bitCount == 32)))
        raiseBadPicture("BMP compression");

    uint32_t masks[3] = {0, 0, 0};
    if (compression == 3 || compression == 6) {
        const size_t at = 14 + (headerSize >= 52 ? 40 : headerSize);
        if (at + 12 > size) raiseBadPicture("BMP masks");
        for (int i = 0; i < 3; ++i) masks[i] = le32(data + at + 4 * i);
    } else if (bitCount == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bitCount == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }

    int format = static_cast<int>(bitCount);
    if (bitCount == 16) {
        if (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x1F)
            format = 15;
        else if (!(masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x1F))
            format = 24;
    } else if (bitCount == 32 && !(masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF)) {
        format = 24;
    }

    const int64_t fileRow = (width * bitCount + 31) / 32 * 4;
    if (offBits > size || fileRow * height > static_cast<int64_t>(size - offBits)) raiseBadPicture("BMP pixels");

    TPalette palette{};
    if (bitCount <= 8) {
        const uint32_t entries = colorsUsed && colorsUsed <= (1u << bitCount) ? colorsUsed : 1u << bitCount;
        const size_t entrySize = core ? 3 : 4;
        const size_t at = 14 + headerSize + (compression == 3 ? 12 : 0);
        if (at + entries * entrySize > size) raiseBadPicture("BMP palette");
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* e = data + at + i * entrySize;
            palette[i] = e[0] | (e[1] << 8) | (e[2] << 16);
        }
    }

    out.DropMask();
    out.SetSize(static_cast<int32_t>(width), static_cast<int32_t>(height), format);
    out.SetPalette(palette);
    out.TransparentColor = -1;
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* src = data + offBits + fileRow * (topDown ? y : height - 1 - y);
        uint8_t* dst = out.ScanLine(static_cast<int32_t>(y));
        if (format == static_cast<int>(bitCount) || (format == 15 && bitCount == 16)) {
            std::memcpy(dst, src, static_cast<size_t>(std::min<int64_t>(fileRow, out.RowStep())));
            continue;
        }
        for (int64_t x = 0; x < width; ++x) {
            const uint32_t v = bitCount == 16 ? le16(src + 2 * x) : le32(src + 4 * x);
            dst[3 * x] = static_cast<uint8_t>(maskedChannel(v, masks[2]));
            dst[3 * x + 1] = static_cast<uint8_t>(maskedChannel(v, masks[1]));
            dst[3 * x + 2] = static_cast<uint8_t>(maskedChannel(v, masks[0]));
        }
    }
}

std::vector<uint8_t> WriteBitmapFile24(TCustomDIBX& surface) {
    const int32_t w = surface.Width(), h = surface.Height();
    TDIBX rows(w, h, 24);
    ConvertPixels(surface, rows);
    const uint32_t rowBytes = static_cast<uint32_t>(rows.RowStep());
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(h);
    std::vector<uint8_t> v;
    v.reserve(54 + imageBytes);
    v.push_back('B');
    v.push_back('M');
    put32(v, 54 + imageBytes);
    put32(v, 0);
    put32(v, 54);
    put32(v, 40);
    put32(v, static_cast<uint32_t>(w));
    put32(v, static_cast<uint32_t>(h));
    put16(v, 1);
    put16(v, 24);
    put32(v, 0);
    put32(v, imageBytes);
    put32(v, 2835);
    put32(v, 2835);
    put32(v, 0);
    put32(v, 0);
    for (int32_t y = h - 1; y >= 0; --y) v.insert(v.end(), rows.ScanLine(y), rows.ScanLine(y) + rowBytes);
    return v;
}

} // namespace nuvo
