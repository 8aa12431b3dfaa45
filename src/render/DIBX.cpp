#include "render/DIBX.h"

#include "base/Error.h"

#include <algorithm>
#include <cstring>

namespace nuvo {
namespace {

constexpr const char* kMsgScanLine = "スキャンラインのインデックスが範囲を越えました (%d)";
constexpr const char* kMsgBadSize = "画像の大きさが扱えません (%d x %d, %d ビット)";

uint32_t pixelMaskOf(int bitCount) {
    return bitCount >= 32 ? 0xFFFFFFFFu : (1u << storageBitsOf(bitCount)) - 1;
}

} // namespace

TDIBX::TDIBX() { allocate(1, 1, 15); }

TDIBX::TDIBX(int32_t width, int32_t height, int bitCount) { SetSize(width, height, bitCount); }

void TDIBX::allocate(int32_t width, int32_t height, int bitCount) {
    const int64_t row = paddedRowBytes(width, bitCount);
    const int64_t total = row * height;
    pixels_.assign(static_cast<size_t>(total), 0);
    pixels_.shrink_to_fit();
    bitCount_ = bitCount;
    rowStep_ = static_cast<int32_t>(row);
    storageHeight_ = height;
    width_ = width;
    height_ = height;
}

void TDIBX::SetSize(int32_t width, int32_t height, int bitCount) {
    if (width < 0 || height < 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide ||
        !isValidBitCount(bitCount) || paddedRowBytes(width, bitCount) * height > kMaxSurfaceBytes)
        raiseFormat(kMsgBadSize, {static_cast<long long>(width), static_cast<long long>(height),
                                  static_cast<long long>(bitCount)});
    allocate(width, height, bitCount);
}

void TDIBX::Release() {
    allocate(8, 8, bitCount_);
    width_ = 0;
    height_ = 0;
}

void TDIBX::SetBitCount(int bitCount) {
    if (bitCount == bitCount_ || !isValidBitCount(bitCount)) return;
    TDIBX converted;
    converted.palette_ = palette_;
    converted.SetSize(width_, height_, bitCount);
    ConvertPixels(*this, converted);
    const int32_t w = width_, h = height_;
    pixels_ = std::move(converted.pixels_);
    bitCount_ = bitCount;
    rowStep_ = converted.rowStep_;
    storageHeight_ = converted.storageHeight_;
    width_ = w;
    height_ = h;
}

uint32_t TDIBX::RedMask() const { return isPaletteBitCount(bitCount_) ? 0xFF0000 : redMaskOf(bitCount_); }
uint32_t TDIBX::GreenMask() const { return isPaletteBitCount(bitCount_) ? 0x00FF00 : greenMaskOf(bitCount_); }
uint32_t TDIBX::BlueMask() const { return isPaletteBitCount(bitCount_) ? 0x0000FF : blueMaskOf(bitCount_); }
int TDIBX::GreenShift() const { return bitCount_ == 15 || bitCount_ == 16 ? 5 : 8; }
int TDIBX::RedShift() const { return bitCount_ == 15 ? 10 : bitCount_ == 16 ? 11 : 16; }

uint8_t* TDIBX::ScanLine(int32_t y) {
    if (y < 0 || y >= storageHeight_) raiseFormat(kMsgScanLine, {static_cast<long long>(y)});
    return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowStep_);
}

const uint8_t* TDIBX::ScanLine(int32_t y) const { return const_cast<TDIBX*>(this)->ScanLine(y); }

int32_t TDIBX::GetPixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const uint8_t* row = pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowStep_);
    switch (bitCount_) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 8: return row[x];
    case 15:
    case 16: return row[2 * x] | (row[2 * x + 1] << 8);
    case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
    default: {
        uint32_t v;
        std::memcpy(&v, row + 4 * static_cast<size_t>(x), 4);
        return static_cast<int32_t>(v);
    }
    }
}

void TDIBX::SetPixel(int32_t x, int32_t y, int32_t pixel) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* row = pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowStep_);
    const uint32_t p = static_cast<uint32_t>(pixel) & pixelMaskOf(bitCount_);
    switch (bitCount_) {
    case 1: {
        const int bit = 7 - (x & 7);
        row[x >> 3] = static_cast<uint8_t>((row[x >> 3] & ~(1 << bit)) | (p << bit));
        break;
    }
    case 4:
        if (x & 1)
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | p);
        else
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | (p << 4));
        break;
    case 8: row[x] = static_cast<uint8_t>(p); break;
    case 15:
    case 16:
        row[2 * x] = static_cast<uint8_t>(p);
        row[2 * x + 1] = static_cast<uint8_t>(p >> 8);
        break;
    case 24:
        row[3 * x] = static_cast<uint8_t>(p);
        row[3 * x + 1] = static_cast<uint8_t>(p >> 8);
        row[3 * x + 2] = static_cast<uint8_t>(p >> 16);
        break;
    default: std::memcpy(row + 4 * static_cast<size_t>(x), &p, 4); break;
    }
}

uint8_t* TDIBX::PixelPtr(int32_t x, int32_t y) {
    if (pixels_.empty() || width_ == 0 || height_ == 0) return nullptr;
    uint8_t* row = pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowStep_);
    switch (bitCount_) {
    case 1: return row + (x >> 3);
    case 4: return row + (x >> 1);
    default: return row + static_cast<size_t>(x) * static_cast<size_t>(bytesPerPixelOf(bitCount_));
    }
}

int32_t TDIBX::ColorToPixel(int32_t color) const {
    if (color < 0) return -1;
    if (!isPaletteBitCount(bitCount_))
        return static_cast<int32_t>(colorToDirectPixel(bitCount_, color));
    return color;
}

void TDIBX::ReadRow(int32_t y, uint32_t* out) const {
    const uint8_t* row = ScanLine(y);
    const int32_t w = width_;
    switch (bitCount_) {
    case 1:
        for (int32_t x = 0; x < w; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    case 4:
        for (int32_t x = 0; x < w; ++x) out[x] = (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
        break;
    case 8:
        for (int32_t x = 0; x < w; ++x) out[x] = row[x];
        break;
    case 15:
    case 16:
        for (int32_t x = 0; x < w; ++x) out[x] = row[2 * x] | (row[2 * x + 1] << 8);
        break;
    case 24:
        for (int32_t x = 0; x < w; ++x) out[x] = row[3 * x] | (row[3 * x + 1] << 8) | (row[3 * x + 2] << 16);
        break;
    default:
        if (w > 0) std::memcpy(out, row, static_cast<size_t>(w) * 4);
        break;
    }
}

void TDIBX::WriteRow(int32_t y, const uint32_t* v, int32_t count) {
    uint8_t* row = ScanLine(y);
    count = std::min(count, width_);
    switch (bitCount_) {
    case 8:
        for (int32_t x = 0; x < count; ++x) row[x] = static_cast<uint8_t>(v[x]);
        break;
    case 15:
    case 16:
        for (int32_t x = 0; x < count; ++x) {
            row[2 * x] = static_cast<uint8_t>(v[x]);
            row[2 * x + 1] = static_cast<uint8_t>(v[x] >> 8);
        }
        break;
    case 24:
        for (int32_t x = 0; x < count; ++x) {
            row[3 * x] = static_cast<uint8_t>(v[x]);
            row[3 * x + 1] = static_cast<uint8_t>(v[x] >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(v[x] >> 16);
        }
        break;
    case 32: std::memcpy(row, v, static_cast<size_t>(count) * 4); break;
    default:
        for (int32_t x = 0; x < count; ++x) SetPixel(x, y, static_cast<int32_t>(v[x]));
        break;
    }
}

void TDIBX::TakeStorage(TDIBX&& other) {
    pixels_ = std::move(other.pixels_);
    bitCount_ = other.bitCount_;
    rowStep_ = other.rowStep_;
    storageHeight_ = other.storageHeight_;
    width_ = other.width_;
    height_ = other.height_;
    other.allocate(1, 1, 15);
}

int32_t TDIBX::PixelToColor(uint32_t pixel) const {
    if (isPaletteBitCount(bitCount_)) return paletteEntryToColor(palette_[pixel & 0xFF]);
    return directPixelToColor(bitCount_, pixel);
}

int32_t TDIBX::NearestPixelOfColor(int32_t color) const {
    if (isPaletteBitCount(bitCount_)) return nearestPaletteIndex(palette_.data(), paletteSizeOf(bitCount_), color);
    return static_cast<int32_t>(colorToDirectPixel(bitCount_, color));
}

} // namespace nuvo
