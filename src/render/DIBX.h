// TDIBX: the in-memory surface. Rows are kept top row first, each padded to a
// multiple of 4 bytes, so RowStep is positive and the pixel block is
// RowStep x Height bytes. A new surface is 1 x 1 at BitCount 15.
#pragma once

#include "render/CustomDIBX.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nuvo {

// Largest width or height a surface may have, and the largest pixel block.
inline constexpr int32_t kMaxSurfaceSide = 32767;
inline constexpr int64_t kMaxSurfaceBytes = int64_t{1} << 30;

class TDIBX : public TCustomDIBX {
public:
    TDIBX();
    TDIBX(int32_t width, int32_t height, int bitCount);
    TDIBX(TDIBX&&) = default;
    TDIBX& operator=(TDIBX&&) = default;

    int BitCount() const override { return bitCount_; }
    int StorageBitCount() const override { return storageBitsOf(bitCount_); }
    void SetBitCount(int bitCount) override;
    uint32_t RedMask() const override;
    uint32_t GreenMask() const override;
    uint32_t BlueMask() const override;
    int BlueShift() const override { return 0; }
    int GreenShift() const override;
    int RedShift() const override;
    int32_t RowStep() const override { return rowStep_; }
    int32_t GetPixel(int32_t x, int32_t y) const override;
    void SetPixel(int32_t x, int32_t y, int32_t pixel) override;
    void SetSize(int32_t width, int32_t height, int bitCount) override;
    uint8_t* PixelPtr(int32_t x, int32_t y) override;
    int32_t ColorToPixel(int32_t color) const override;
    void Release() override;

    // Row y of the storage; raises "スキャンラインのインデックスが範囲を越えました (%d)"
    // for a row outside it. Decoders use this instead of PixelPtr.
    uint8_t* ScanLine(int32_t y);
    const uint8_t* ScanLine(int32_t y) const;
    // The whole pixel block (RowStep x Height bytes).
    uint8_t* Bits() { return pixels_.data(); }
    const uint8_t* Bits() const { return pixels_.data(); }
    size_t BitsSize() const { return pixels_.size(); }
    // The pixel values of row y (Width values); y must be inside.
    void ReadRow(int32_t y, uint32_t* out) const;
    // Writes the first count pixel values of row y (count <= Width).
    void WriteRow(int32_t y, const uint32_t* values, int32_t count);
    // Takes other's pixel block, format and size; keeps this surface's
    // palette, key, clip and areas.
    void TakeStorage(TDIBX&& other);
    // The colour (0x00BBGGRR) a pixel value shows in this surface's format.
    int32_t PixelToColor(uint32_t pixel) const;
    // The pixel value nearest to a colour: ColorToPixel for direct formats,
    // the nearest palette entry for palette formats.
    int32_t NearestPixelOfColor(int32_t color) const;

private:
    void allocate(int32_t width, int32_t height, int bitCount);

    int bitCount_ = 15;
    int32_t rowStep_ = 0;
    int32_t storageHeight_ = 0;
    std::vector<uint8_t> pixels_;
};

} // namespace nuvo
