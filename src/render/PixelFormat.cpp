#include "render/PixelFormat.h"

namespace nuvo {
namespace {

constexpr TChannelLayout makeLayout(int count, const uint32_t (&masks)[4]) {
    TChannelLayout l;
    l.count = count;
    for (int i = 0; i < count; ++i) {
        l.mask[i] = masks[i];
        int shift = 0;
        while (!((masks[i] >> shift) & 1)) ++shift;
        l.shift[i] = shift;
        l.max[i] = masks[i] >> shift;
    }
    return l;
}

constexpr TChannelLayout kLayout1 = makeLayout(1, {0x1, 0, 0, 0});
constexpr TChannelLayout kLayout4 = makeLayout(1, {0xF, 0, 0, 0});
constexpr TChannelLayout kLayout8 = makeLayout(1, {0xFF, 0, 0, 0});
constexpr TChannelLayout kLayout15 = makeLayout(3, {0x001F, 0x03E0, 0x7C00, 0});
constexpr TChannelLayout kLayout16 = makeLayout(3, {0x001F, 0x07E0, 0xF800, 0});
constexpr TChannelLayout kLayout24 = makeLayout(3, {0x0000FF, 0x00FF00, 0xFF0000, 0});
constexpr TChannelLayout kLayout32 = makeLayout(4, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000});
constexpr TChannelLayout kLayoutNone{};

} // namespace

const TChannelLayout& channelLayoutOf(int bitCount) {
    switch (bitCount) {
    case 1: return kLayout1;
    case 4: return kLayout4;
    case 8: return kLayout8;
    case 15: return kLayout15;
    case 16: return kLayout16;
    case 24: return kLayout24;
    case 32: return kLayout32;
    default: return kLayoutNone;
    }
}

uint32_t redMaskOf(int bitCount) {
    switch (bitCount) {
    case 15: return 0x7C00;
    case 16: return 0xF800;
    case 24:
    case 32: return 0xFF0000;
    default: return 0;
    }
}

uint32_t greenMaskOf(int bitCount) {
    switch (bitCount) {
    case 15: return 0x03E0;
    case 16: return 0x07E0;
    case 24:
    case 32: return 0x00FF00;
    default: return 0;
    }
}

uint32_t blueMaskOf(int bitCount) {
    switch (bitCount) {
    case 15:
    case 16: return 0x001F;
    case 24:
    case 32: return 0x0000FF;
    default: return 0;
    }
}

uint32_t colorToDirectPixel(int bitCount, int32_t color) {
    const uint32_t r = colorRed(color), g = colorGreen(color), b = colorBlue(color);
    switch (bitCount) {
    case 15: return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case 16: return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    default: return (r << 16) | (g << 8) | b;
    }
}

int32_t directPixelToColor(int bitCount, uint32_t p) {
    switch (bitCount) {
    case 15: return makeColor(widen5((p >> 10) & 31), widen5((p >> 5) & 31), widen5(p & 31));
    case 16: return makeColor(widen5((p >> 11) & 31), widen6((p >> 5) & 63), widen5(p & 31));
    default: return makeColor((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
}

int nearestPaletteIndex(const uint32_t* palette, int count, int32_t color) {
    const int r = static_cast<int>(colorRed(color)), g = static_cast<int>(colorGreen(color)),
              b = static_cast<int>(colorBlue(color));
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < count; ++i) {
        const uint32_t e = palette[i];
        const int dr = static_cast<int>((e >> 16) & 0xFF) - r;
        const int dg = static_cast<int>((e >> 8) & 0xFF) - g;
        const int db = static_cast<int>(e & 0xFF) - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

} // namespace nuvo
