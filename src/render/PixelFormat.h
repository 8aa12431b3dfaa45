// Pixel formats of the surfaces and the one set of colour conversions every
// part of the renderer uses.
//
// Two integer forms of a colour meet here:
// - a *colour* is 0x00BBGGRR (red in the low byte), what scripts and files
//   give; -1 means none;
// - a *pixel* is the value in a surface's own format: a palette index for 1,
//   4 and 8 bits, 5-5-5 or 5-6-5 for 15 and 16 bits, 0x??RRGGBB (blue in the
//   low byte) for 24 and 32 bits.
// Palette entries are stored as the bytes blue, green, red, reserved, i.e.
// the 32-bit value 0x00RRGGBB.
//
// Conversions between formats are fixed here once so pictures come out the
// same everywhere: narrowing a channel drops its low bits (as ColorToPixel
// does), widening a 5- or 6-bit channel replicates its top bits into the new
// low bits (31 -> 255, 0 -> 0), and a colour going into a palette takes the
// nearest entry (squared distance, the lowest index on ties).
#pragma once

#include <cstdint>

namespace nuvo {

// True for 1, 4, 8, 15, 16, 24 and 32.
constexpr bool isValidBitCount(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 15 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}
constexpr bool isPaletteBitCount(int bitCount) { return bitCount == 1 || bitCount == 4 || bitCount == 8; }
// Bits a pixel occupies in memory (15 is kept in 16).
constexpr int storageBitsOf(int bitCount) { return bitCount == 15 ? 16 : bitCount; }
// (BitCount + 7) div 8: 0 for sub-byte formats is never asked; 1 and 4 give 1.
constexpr int bytesPerPixelOf(int bitCount) { return (bitCount + 7) / 8; }
// A row of width pixels padded to a multiple of 4 bytes.
constexpr int64_t paddedRowBytes(int64_t width, int bitCount) {
    return (width * storageBitsOf(bitCount) + 31) / 32 * 4;
}
// A row of width pixels without padding (whole bytes, rounded up).
constexpr int64_t packedRowBytes(int64_t width, int bitCount) { return (width * storageBitsOf(bitCount) + 7) / 8; }

// The channels of a format as the blending arithmetic sees them. Direct
// formats have blue, green, red (and, at 32 bits, the fourth byte as a fourth
// channel: every operation treats it with the same formula, so surfaces whose
// fourth bytes are 0 keep them 0). Palette formats have one channel, the index.
struct TChannelLayout {
    int count = 0;
    uint32_t mask[4] = {};
    int shift[4] = {};
    uint32_t max[4] = {}; // largest value of the channel once shifted down
};
const TChannelLayout& channelLayoutOf(int bitCount);

// Masks of the colour channels (0 for palette formats).
uint32_t redMaskOf(int bitCount);
uint32_t greenMaskOf(int bitCount);
uint32_t blueMaskOf(int bitCount);

// Channel widening by bit replication.
constexpr uint32_t widen5(uint32_t v) { return (v << 3) | (v >> 2); }
constexpr uint32_t widen6(uint32_t v) { return (v << 2) | (v >> 4); }

constexpr int32_t makeColor(uint32_t r, uint32_t g, uint32_t b) { return static_cast<int32_t>(r | (g << 8) | (b << 16)); }
constexpr uint32_t colorRed(int32_t c) { return static_cast<uint32_t>(c) & 0xFF; }
constexpr uint32_t colorGreen(int32_t c) { return (static_cast<uint32_t>(c) >> 8) & 0xFF; }
constexpr uint32_t colorBlue(int32_t c) { return (static_cast<uint32_t>(c) >> 16) & 0xFF; }

// Palette entry (0x00RRGGBB) <-> colour (0x00BBGGRR).
constexpr int32_t paletteEntryToColor(uint32_t e) { return makeColor((e >> 16) & 0xFF, (e >> 8) & 0xFF, e & 0xFF); }
constexpr uint32_t colorToPaletteEntry(int32_t c) { return (colorRed(c) << 16) | (colorGreen(c) << 8) | colorBlue(c); }

// A colour as a pixel of a direct format (15, 16, 24, 32), narrowing by
// dropping low bits. Palette formats are not handled here.
uint32_t colorToDirectPixel(int bitCount, int32_t color);
// A pixel of a direct format as a colour, widening by bit replication.
int32_t directPixelToColor(int bitCount, uint32_t pixel);

// The nearest of the first count palette entries to a colour.
int nearestPaletteIndex(const uint32_t* palette, int count, int32_t color);

// Entries a palette format uses (2, 16, 256); 0 for direct formats.
constexpr int paletteSizeOf(int bitCount) { return isPaletteBitCount(bitCount) ? 1 << bitCount : 0; }

} // namespace nuvo
