// TDIBSurface: the bitmap the image decoders, the layered-image cache and the
// screen capture work on. It is a memory surface (TDIBX, top row first) that
// may carry Mask, an 8-bit surface of the same size (0 transparent, 255
// opaque); resizing the bitmap resizes an existing mask with it.
//
// The layer operations here (Compose, ComposeMasked) are the layered-image
// format's own blend, which differs from the screen blend of TCustomDIBX:
//   24 bits:  each byte := (O*S + (255 - O)*D) div 255
//   32 bits:  each colour byte := ((255 - O)*D + O*S) >> 8, fourth byte 0
//   15/16:    each channel := (O*S + (255 - O)*D) div 255
//   1/4/8:    opacity reduced to 16 levels (O div 16, 15 and up copy), shown
//             as a 4 x 4 ordered dither (Bayer order): pixel (x, y) takes S
//             when the level exceeds the dither value at (x mod 4, y mod 4).
// Through a mask m at an overall alpha a: m = 0 keeps; at a = 255 the weight
// is m (255 copies); below, w = a*m >> 8 (nothing when a*m < 256); then
// ((255 - w)*D + w*S) >> 8 per channel (fourth byte 0), or the dither with
// level w div 16 for palette formats.
#pragma once

#include "render/DIBX.h"

#include <memory>
#include <vector>

namespace nuvo {

class TDIBSurface : public TDIBX {
public:
    TDIBSurface() = default;
    TDIBSurface(int32_t width, int32_t height, int bitCount) { SetSize(width, height, bitCount); }

    // The optional 8-bit mask, always of the bitmap's size.
    std::unique_ptr<TDIBX> Mask;

    void SetSize(int32_t width, int32_t height, int bitCount) override;
    bool HasMask() const { return Mask != nullptr; }
    // Creates Mask (zeroed) when absent or of another size.
    void CreateMask();
    // Every Mask value 255 (creating the mask when absent).
    void MakeMaskOpaque();
    // Creates Mask and copies an 8-bit bitmap of the same size into it.
    void AssignMask(const TDIBX& bitmap);
    void DropMask() { Mask.reset(); }

    // The pixel value for (r, g, b): the nearest palette index for palette
    // formats, the truncated channels for 15/16 bits, R << 16 | G << 8 | B
    // otherwise.
    int32_t NearestPixel(uint32_t r, uint32_t g, uint32_t b) const;
    // The colour (0x00BBGGRR) a pixel value shows (widening by replication).
    int32_t ColorOfPixel(uint32_t pixel) const { return PixelToColor(pixel); }

    // Copies source (same format) in at (x, y), leaving out its colour key
    // (TransparentColor) when it has one.
    void Copy(int32_t x, int32_t y, TDIBSurface& source);
    // The layer blend of source's rect at (x, y), leaving out pixels equal to
    // key (-1: none). Opacity 0 does nothing; 255 and above, or negative,
    // copies with the key.
    void Compose(int32_t x, int32_t y, int32_t opacity, int32_t key, const TRect& rect, TDIBSurface& source);
    // Blends source's rect through source's Mask at alpha; a source without
    // a mask is composed at alpha with no key.
    void ComposeMasked(int32_t x, int32_t y, int32_t alpha, const TRect& rect, TDIBSurface& source);
    // Keeps only rect (picture and mask); rect is clamped to the bitmap.
    void Crop(const TRect& rect);
    // Bounding box of the pixels different from value (empty when none).
    TRect ContentBox(int32_t value) const;
    // Crops to ContentBox(value); an empty box becomes 1 x 1 at the origin; a
    // box equal to the whole picture changes nothing.
    void CropToContent(int32_t value);
    // Takes source's size, format, palette, pixels, key and mask (dropping
    // its own mask when source has none).
    void Duplicate(const TDIBSurface& source);
    // Resizes the picture with smoothing (area averaging when shrinking,
    // bilinear when growing); the result is 24 bits, or 32 when this is 32.
    void Resample(int32_t width, int32_t height);
    // Encodes the pixels (converted to 24 bits) as a JPEG stream at a quality.
    std::vector<uint8_t> ToJPEG(int quality) const;
};

// The 4 x 4 ordered-dither thresholds (0..15) of the palette layer blend.
int orderedDitherValue(int32_t x, int32_t y);

} // namespace nuvo
