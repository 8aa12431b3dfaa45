// Pixel surfaces: every picture, mask, glyph bitmap and the back buffer.
//
// TCustomDIBX is the abstract surface. A storage class supplies the pixel
// accessors (BitCount, GetPixel/SetPixel, PixelPtr/RowStep, SetSize); the
// drawing operations are implemented here once for every storage. TDIBX
// (DIBX.h) is the in-memory storage; a surface that forwards to another one
// (a wave surface) overrides the drawing operations and Target().
//
// Formats (BitCount): 1, 4, 8 (palette indices), 15 (5-5-5 in 16 bits), 16
// (5-6-5), 24 and 32 (blue byte first). See PixelFormat.h for the value forms
// and the fixed conversions. Callers convert a colour once with ColorToPixel
// and pass pixel values to the drawing operations.
//
// The fourth byte of a 32-bit pixel has no meaning to the player. Every
// operation treats it as a fourth channel with the same formula as the colour
// channels (copies copy it, blends blend it, additions add it), and everything
// this code produces (loaders, ColorToPixel, conversions) writes it as 0, so
// in practice it stays 0. Colour keys and the "equal pixel" tests compare the
// whole pixel value.
//
// Arithmetic, per channel with D the destination, S the source (or fill)
// value and Max the channel's largest value:
//   Blend(S, D, w)     = floor((w*S + (255 - w)*D) / 256), w in 0..255
//   AddScaled(S, D, w) = min(Max, D + floor(w*S / 256))
//   Add(S, D)          = min(Max, D + S)
//   Sub(S, D)          = max(0, D - S)
// Blend(S, D, 255) is not S; the operations that must copy exactly test for
// full opacity first, as each one documents. Palette formats blend and add
// their indices as a single channel (DrawAdd adds indices without scaling).
//
// Clipping. Drawing touches only the effective clip: ClipRect when its Right
// is non-zero, else the whole surface. Positioned draws (X, Y, Source,
// SourceRect) put SourceRect's top-left pixel at (X, Y); SourceRect is first
// clamped to the source (and to the mask of masked draws) and then the
// destination to the clip, every cut moving the matching side of the other
// rectangle (the opposite side on a mirrored axis). FlipH walks the source
// from its right column leftwards, FlipV from its bottom row upwards. Masks are
// 8-bit surfaces read at the same coordinates as the colour source.
//
// Drawing never reports errors: a zero alpha or amount, an empty rectangle, a
// non-positive zoom, an unsupported or mismatched format (source and
// destination must have the same BitCount; masks must be 8-bit) or a missing
// pixel address draws nothing. Alphas and amounts are clamped to 0..255 unless
// an operation says otherwise.
//
// Pixel access: PixelPtr opens access (a lock for surfaces that need one) and
// UnlockPixels closes it; every operation balances the two on every path.
// Surfaces are used from the frame-loop thread only.
//
// Speed: every operation has a general path over GetPixel/SetPixel (the
// reference) and fast paths on pixel memory: direct fills and row copies for
// 8/15/16/24/32 bits, and packed row kernels (SSE2, AVX2, chosen once by
// processor detection) for 32-bit destinations and 8-bit masks. All paths
// give identical pixels (KernelLevel.h switches between them for tests).
//
// Not here: platform drawing contexts (presentation reads the pixels through
// PixelPtr/RowStep instead).
#pragma once

#include "render/PixelFormat.h"
#include "render/Rect.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nuvo {

class TStream;

// 256 palette entries, each 0x00RRGGBB (bytes blue, green, red, reserved).
using TPalette = std::array<uint32_t, 256>;

class TCustomDIBX {
public:
    // The area drawing may touch; Right == 0 means no clip (the whole surface).
    TRect ClipRect{};
    // The colour key (a pixel value) used when this surface is drawn with its
    // key; -1 = none.
    int32_t TransparentColor = -1;
    // Rectangles that came with a picture from a layered image: the parts
    // holding content (image components draw only those) and others that are
    // only carried along. Empty otherwise.
    std::vector<TRect> ContentAreas;
    std::vector<TRect> OtherAreas;

    TCustomDIBX() = default;
    virtual ~TCustomDIBX() = default;
    TCustomDIBX(const TCustomDIBX&) = delete;
    TCustomDIBX& operator=(const TCustomDIBX&) = delete;

protected:
    // Storage classes may be moved (never while pixel access is open).
    TCustomDIBX(TCustomDIBX&&) = default;
    TCustomDIBX& operator=(TCustomDIBX&&) = default;

public:

    // ---- Storage ---------------------------------------------------------
    bool IsEmpty() const { return width_ == 0 || height_ == 0; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // The reported format: 16-bit storage with green mask 0x03E0 reports 15.
    virtual int BitCount() const { return 0; }
    // Bits per pixel in memory (15 reports 16).
    virtual int StorageBitCount() const { return BitCount(); }
    // Converts the pixels in place to another format (nothing when unchanged
    // or invalid).
    virtual void SetBitCount(int bitCount);
    virtual uint32_t RedMask() const { return 0; }
    virtual uint32_t GreenMask() const { return 0; }
    virtual uint32_t BlueMask() const { return 0; }
    virtual int BlueShift() const { return 0; }
    virtual int GreenShift() const { return 0; }
    virtual int RedShift() const { return 0; }
    // Bytes from row y to row y + 1 (memory surfaces keep the top row first,
    // so it is positive; callers must not assume the sign).
    virtual int32_t RowStep() const { return 0; }
    // The pixel value at (x, y); 0 outside the surface.
    virtual int32_t GetPixel(int32_t x, int32_t y) const;
    // Writes a pixel; outside the surface nothing happens.
    virtual void SetPixel(int32_t x, int32_t y, int32_t pixel);
    // The surface that really holds the pixels.
    virtual TCustomDIBX* Target() { return this; }
    // Reallocates (the base only records the size). Raises ENuvoError when the
    // size or format is unusable (negative, too large, unknown bit count).
    virtual void SetSize(int32_t width, int32_t height, int bitCount);
    // Opens pixel access and gives the address of pixel (x, y) (for 1- and
    // 4-bit surfaces the byte holding it), or nullptr when the surface has
    // no pixels (which opens nothing). Every call that gives an address is
    // balanced by UnlockPixels; calls may nest (a surface drawn onto itself).
    virtual uint8_t* PixelPtr(int32_t x, int32_t y);
    virtual void UnlockPixels() {}
    // Colour (0x00BBGGRR) to pixel value; negative gives -1; palette formats
    // return the value unchanged (an index); direct formats convert (24 bits
    // included, so a colour means the same on every direct surface).
    virtual int32_t ColorToPixel(int32_t color) const { return color; }
    // Width := Height := 0 (memory surfaces keep a small storage).
    virtual void Release();
    // A display-driver surface gives up its driver storage; memory surfaces do nothing.
    virtual void ReleaseHardware() {}
    // Keeps the pixels in plain memory (memory surfaces already do).
    virtual void Compact() {}

    // Palette (meaningful for 1, 4 and 8 bits; kept for every format).
    virtual void GetPalette(TPalette& entries) const;
    virtual void GetPaletteEntries(uint32_t* entries, int start, int count) const;
    virtual void SetPalette(const TPalette& entries);
    virtual void SetPaletteEntries(const uint32_t* entries, int start, int count);

    // ---- Clipping --------------------------------------------------------
    void ResetClip() { ClipRect.Right = 0; }
    // Clamps rect to the surface; an empty result changes nothing; an unset
    // clip becomes the clamped rect, a set one the bounding box of both.
    virtual void AddClip(const TRect& rect);
    // ClipRect when set, else the whole surface, always within the surface.
    TRect EffectiveClip() const;

    // ---- Fills -----------------------------------------------------------
    // Fills the whole surface (within the clip) with a pixel value.
    virtual void Clear(int32_t pixel);
    virtual void FillRect(const TRect& rect, int32_t pixel);
    // Every pixel not already equal to pixel becomes Blend(pixel, D, alpha);
    // alpha 0 does nothing (255 still blends).
    virtual void FillRectAlpha(const TRect& rect, int32_t pixel, int32_t alpha);
    // Add(pixel, D) and Sub(pixel, D) per channel.
    virtual void FillRectAdd(const TRect& rect, int32_t pixel);
    virtual void FillRectSub(const TRect& rect, int32_t pixel);
    // Four fills: top band, bottom band, then (when the height minus twice
    // the line width is positive) the left and right bands between them.
    virtual void FrameRect(const TRect& rect, int32_t lineWidth, int32_t pixel);
    virtual void FrameRectAlpha(const TRect& rect, int32_t lineWidth, int32_t pixel, int32_t alpha);
    virtual void FrameRectAdd(const TRect& rect, int32_t lineWidth, int32_t pixel);
    // Through an 8-bit mask placed with its sourceRect's top-left at (x, y):
    // m = 0 leaves D; the weight is m when alpha is 255, else
    // floor(alpha*m/256); pixels equal to pixel stay; others become
    // Blend(pixel, D, weight). Alpha 0 does nothing.
    virtual void FillMask(int32_t x, int32_t y, const TRect& sourceRect, TCustomDIBX& mask, int32_t pixel,
                          int32_t alpha, bool flipH = false, bool flipV = false);

    // ---- Positioned draws --------------------------------------------------
    // Whole-surface copy of a source: one block copy when sizes, formats and
    // row steps agree; a converting copy (PixelFormat.h rules) when only the
    // formats differ; otherwise Draw(0, 0, source, whole source).
    virtual void Assign(TCustomDIBX& source);
    // Plain copy; with useKey, source pixels equal to the source's
    // TransparentColor are left out.
    virtual void Draw(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, bool useKey,
                      bool flipH = false, bool flipV = false);
    // m = 0 leaves D, m = 255 copies S, otherwise Blend(S, D, m).
    virtual void DrawMask(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, TCustomDIBX& mask,
                          bool flipH = false, bool flipV = false);
    // Keyed pixels (useKey) are left out, a source pixel equal to the
    // destination pixel leaves it unchanged, otherwise Blend(S, D, alpha).
    virtual void DrawAlpha(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, int32_t alpha,
                           bool useKey, bool flipH = false, bool flipV = false);
    // m = 0 leaves D; otherwise Blend(S, D, floor(alpha*m/256)).
    virtual void DrawAlphaMask(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
                               TCustomDIBX& mask, int32_t alpha, bool flipH = false, bool flipV = false);
    // AddScaled(S, D, amount), leaving out the source's keyed pixels when it
    // has a key (palette formats: indices add, capped).
    virtual void DrawAdd(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, int32_t amount,
                         bool flipH = false, bool flipV = false);
    // AddScaled(S, D, floor(amount*m/256)).
    virtual void DrawAddMask(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, TCustomDIBX& mask,
                             int32_t amount, bool flipH = false, bool flipV = false);
    // An 8-bit source through a table of 256 destination pixel values:
    // copied at alpha 255 (or more), Blend at lower alphas.
    virtual void DrawPalette(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
                             const int32_t* lookup, int32_t alpha, bool flipH = false, bool flipV = false);
    // AddScaled(lookup[i], D, alpha).
    virtual void DrawPaletteAdd(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
                                const int32_t* lookup, int32_t alpha, bool flipH = false, bool flipV = false);

    // ---- Stretched draws (nearest neighbour) -------------------------------
    // Alpha 255 or more copies (leaving out keyed pixels with useKey), lower
    // alphas Blend. Source columns and rows follow the 16.16 stepping of the
    // system's stretch (the clipped part keeps its exact source positions);
    // destination pixels whose source falls outside the source are left alone.
    virtual void StretchDraw(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, int32_t alpha,
                             bool useKey, bool flipH = false, bool flipV = false);
    // Mask weight m when alpha is 255 (m = 255 copies, 0 leaves), else
    // floor(alpha*m/256) (0 leaves).
    virtual void StretchDrawMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                 TCustomDIBX& mask, int32_t alpha, bool flipH = false, bool flipV = false);
    virtual void StretchDrawAdd(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                int32_t amount, bool useKey, bool flipH = false, bool flipV = false);
    virtual void StretchDrawAddMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                    TCustomDIBX& mask, int32_t amount, bool flipH = false, bool flipV = false);
    virtual void StretchDrawPalette(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                    const int32_t* lookup, int32_t alpha, bool flipH = false, bool flipV = false);

    // ---- Rotated draws -----------------------------------------------------
    // Draws sourceRect turned by angle (256 steps per turn) and scaled by
    // zoomX/256, zoomY/256 so that the source point (pivotX, pivotY), measured
    // from sourceRect's top-left, lands on (x, y). Alpha 255 copies (keyed
    // pixels left out with useKey), lower alphas Blend. Nothing when alpha is
    // 0 or a zoom is not positive. Flips mirror the source block in place.
    virtual void DrawRotate(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, int32_t pivotX,
                            int32_t pivotY, int32_t angle, int32_t zoomX, int32_t zoomY, int32_t alpha, bool useKey,
                            bool flipH = false, bool flipV = false);
    // Mask weights as DrawAlphaMask (alpha 255: m = 255 copies, m otherwise).
    virtual void DrawRotateMask(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
                                TCustomDIBX& mask, int32_t pivotX, int32_t pivotY, int32_t angle, int32_t zoomX,
                                int32_t zoomY, int32_t alpha, bool flipH = false, bool flipV = false);
    // The rectangle a rotated draw of a width x height block would touch
    // before clipping. A flip first mirrors the pivot (p := size - p - 1).
    static TRect RotatedBounds(int32_t x, int32_t y, bool flipH, bool flipV, int32_t width, int32_t height,
                               int32_t zoomX, int32_t zoomY, int32_t angle, int32_t pivotX, int32_t pivotY);

    // ---- Glyphs ------------------------------------------------------------
    // glyph is a 1-bit surface drawn scale times larger than wanted, ink as 0
    // bits. Each destination pixel counts the ink bits C of its scale x scale
    // block (C := floor(alpha*C/256) when alpha is below 255) and becomes
    // (pixel*C + D*(scale*scale - C)) / (scale*scale) per channel. 15/16 and
    // 32-bit destinations only; scale 1..16.
    virtual void DrawGlyph1(int32_t x, int32_t y, int32_t scale, int32_t alpha, int32_t pixel, TCustomDIBX& glyph,
                            const TRect& sourceRect, bool flipH = false, bool flipV = false);
    // glyph is a 4-bit surface drawn scale times larger than wanted (the left
    // pixel of a byte in its high nibble): nibble 1 is text, 2 outline, 3
    // shadow, any other value no ink. In each scale x scale block, colour k
    // with j_k pixels weighs a*j_k, a being alpha, or 256 when alpha is 255 or
    // more (so a full block gives its colour exactly); each channel becomes
    // (sum of colour*weight + D*(256*scale*scale - sum of weights)) /
    // (256*scale*scale), an exact division. 15/16 and 32-bit destinations
    // only; scale 1..16; clipping and flips as DrawGlyph1.
    virtual void DrawGlyph4(int32_t x, int32_t y, int32_t scale, int32_t alpha, int32_t textPixel,
                            int32_t outlinePixel, int32_t shadowPixel, TCustomDIBX& glyph, const TRect& sourceRect,
                            bool flipH = false, bool flipV = false);
    // An 8-bit coverage glyph in one colour: weight m at alpha 255 (or more),
    // else floor(alpha*m/256); weight 255 copies pixel, 0 leaves the
    // destination, others Blend(pixel, D, weight). 15/16 and 32-bit
    // destinations only.
    virtual void DrawGlyph8(int32_t x, int32_t y, int32_t alpha, int32_t pixel, TCustomDIBX& coverage,
                            const TRect& sourceRect);

    // ---- Tiling --------------------------------------------------------------
    // Cover destRect (within the clip) with copies of sourceRect. The first
    // tile starts (offset mod tile size) into the tile, with a non-negative
    // modulo; tiles are gapX / gapY pixels apart. The clip is narrowed for the
    // duration and restored. Each tile is drawn with the named operation,
    // never mirrored (TileDraw and TileDrawAlpha use the source's key when it
    // has one).
    virtual void TileDraw(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, int32_t offsetX,
                          int32_t offsetY, int32_t gapX, int32_t gapY);
    virtual void TileDrawAlpha(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, int32_t offsetX,
                               int32_t offsetY, int32_t gapX, int32_t gapY, int32_t alpha);
    virtual void TileDrawAdd(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, int32_t offsetX,
                             int32_t offsetY, int32_t gapX, int32_t gapY, int32_t amount);
    virtual void TileDrawMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, TCustomDIBX& mask,
                              int32_t offsetX, int32_t offsetY, int32_t gapX, int32_t gapY);
    virtual void TileDrawAlphaMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                   TCustomDIBX& mask, int32_t offsetX, int32_t offsetY, int32_t gapX, int32_t gapY,
                                   int32_t alpha);
    virtual void TileDrawAddMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                 TCustomDIBX& mask, int32_t offsetX, int32_t offsetY, int32_t gapX, int32_t gapY,
                                 int32_t amount);
    // Zoomed tiles (zoom in 1/256): a tile is trunc(size*zoom/256) pixels (at
    // least 1), tile k along an axis starts at destRect's edge plus
    // ((k*(size + gap) - (offset mod size)) * zoom) / 256 computed in 16.16,
    // so gaps and offsets are in source pixels. alpha follows the image
    // convention: up to 255 StretchDraw (StretchDrawMask) at that alpha,
    // 256..511 StretchDrawAdd (StretchDrawAddMask) with amount alpha - 256.
    virtual void TileStretchDraw(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, int32_t offsetX,
                                 int32_t offsetY, int32_t gapX, int32_t gapY, int32_t zoomX, int32_t zoomY,
                                 int32_t alpha, bool useKey, bool flipH = false, bool flipV = false);
    virtual void TileStretchDrawMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                     TCustomDIBX& mask, int32_t offsetX, int32_t offsetY, int32_t gapX, int32_t gapY,
                                     int32_t zoomX, int32_t zoomY, int32_t alpha, bool flipH = false,
                                     bool flipV = false);
    // Every pixel of destRect (clipped; a left or top cut adds to the offset)
    // takes the source pixel at ((offsetX + dx) mod width, (offsetY + dy) mod
    // height), non-negative modulo, mirrored per flip. Plain copy, no key.
    virtual void FillTiled(const TRect& destRect, TCustomDIBX& source, bool flipH, bool flipV, int32_t offsetX,
                           int32_t offsetY);
    // FillTiled through a zoom (1/256; offsets in destination pixels): the
    // source position of destination pixel d is ((offset + d) * 256 / zoom)
    // in 16.16 steps, wrapped. alpha follows the image convention: 255 copies
    // (keyed pixels left out with useKey), 1..254 Blend, 256..511 AddScaled
    // with amount alpha - 256.
    virtual void FillTiledStretch(const TRect& destRect, TCustomDIBX& source, bool flipH, bool flipV, int32_t offsetX,
                                  int32_t offsetY, int32_t zoomX, int32_t zoomY, int32_t alpha, bool useKey);
    // The mask form: weights as StretchDrawMask up to 255, AddScaled with
    // floor((alpha - 256)*m/256) from 256 to 511.
    virtual void FillTiledStretchMask(const TRect& destRect, TCustomDIBX& source, TCustomDIBX& mask, bool flipH,
                                      bool flipV, int32_t offsetX, int32_t offsetY, int32_t zoomX, int32_t zoomY,
                                      int32_t alpha);
    // The four bands of FrameRect, each filled by FillTiled with the offsets
    // of the band inside rect, so the pattern runs on around the frame.
    virtual void FrameTiled(const TRect& rect, int32_t lineWidth, bool flipH, bool flipV, TCustomDIBX& source);

    // ---- Files (ImageLoad.cpp) -----------------------------------------------
    // Recognises a picture by its first bytes: "BM" a bitmap file, "PNG" at
    // offset 1 a PNG file (alpha not kept), "Pelk" a layered image (first
    // frame, decoded with imageKey). The surface keeps its BitCount and takes
    // the picture's size and pixels, converted. A null stream or an
    // unrecognised picture leaves the surface unchanged; a damaged picture
    // raises ENuvoError.
    void LoadFromStream(TStream* stream, int32_t imageKey);
    // Only an existing file ending ".bmp" (any case) is read; others are ignored.
    void LoadFromFile(const std::string& nativePath);
    // Only for ".bmp" (any case): writes a 24-bit bitmap file; others are ignored.
    void SaveToFile(const std::string& nativePath);

protected:
    int32_t width_ = 0;
    int32_t height_ = 0;
    TPalette palette_{};
};

// Copies source's pixels into dest (already sized; the common top-left part
// when sizes differ), converting between any two formats with the rules of
// PixelFormat.h. 32-bit results carry 0 in the fourth byte.
void ConvertPixels(TCustomDIBX& source, TCustomDIBX& dest);

// RAII bracket for PixelPtr/UnlockPixels.
class TPixelAccess {
public:
    TPixelAccess(TCustomDIBX& surface, int32_t x, int32_t y) : surface_(surface), ptr_(surface.PixelPtr(x, y)) {}
    ~TPixelAccess() {
        if (ptr_) surface_.UnlockPixels();
    }
    TPixelAccess(const TPixelAccess&) = delete;
    TPixelAccess& operator=(const TPixelAccess&) = delete;
    uint8_t* get() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    TCustomDIBX& surface_;
    uint8_t* ptr_;
};

} // namespace nuvo
