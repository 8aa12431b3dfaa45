// Tiling with the positioned and stretched draws: the clip is narrowed to
// the covered area for the duration, and only tiles that touch it are drawn.
#include "render/CustomDIBX.h"
#include "render/detail/DrawCommon.h"

#include <algorithm>

namespace nuvo {

using namespace detail;

namespace {

int64_t floorMod(int64_t a, int64_t m) {
    const int64_t r = a % m;
    return r < 0 ? r + m : r;
}

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Tiles of one axis: the first starts at dLo showing the source from
// sLo + (offset mod size), later ones show the whole [sLo, sHi); tiles are gap
// apart (at least one pixel further each time). fn(pos, srcStart) is called for
// every tile that reaches into [aLo, aHi).
template <class Fn>
void tileAxis(int64_t dLo, int64_t aLo, int64_t aHi, int64_t sLo, int64_t sHi, int64_t offset, int64_t gap, Fn&& fn) {
    const int64_t size = sHi - sLo;
    const int64_t start = sLo + floorMod(offset, size);
    const int64_t firstLen = sHi - start;
    if (dLo < aHi && dLo + firstLen > aLo) fn(dLo, start);
    const int64_t pos1 = dLo + std::max<int64_t>(1, firstLen + gap);
    const int64_t pitch = std::max<int64_t>(1, size + gap);
    int64_t k = std::max<int64_t>(0, floorDiv(aLo - size - pos1, pitch));
    for (int64_t pos = pos1 + k * pitch; pos < aHi; pos += pitch)
        if (pos + size > aLo) fn(pos, sLo);
}

// Narrows the clip to an area and puts it back afterwards.
class TClipScope {
public:
    TClipScope(TCustomDIBX& s, const TRect& area) : s_(s), saved_(s.ClipRect) { s.ClipRect = area; }
    ~TClipScope() { s_.ClipRect = saved_; }
    TClipScope(const TClipScope&) = delete;
    TClipScope& operator=(const TClipScope&) = delete;

private:
    TCustomDIBX& s_;
    TRect saved_;
};

// Calls draw(x, y, tileSourceRect) for every tile of a TileDraw-style cover.
template <class DrawFn>
void tileCover(TCustomDIBX& dest, const TRect& destRect, TCustomDIBX& source, TRect sourceRect, int32_t offsetX,
               int32_t offsetY, int32_t gapX, int32_t gapY, DrawFn&& draw) {
    sourceRect = intersectRect(sourceRect, surfaceBounds(source));
    if (sourceRect.isEmpty()) return;
    const TRect area = intersectRect(destRect, dest.EffectiveClip());
    if (area.isEmpty()) return;
    TClipScope scope(dest, area);
    tileAxis(destRect.Top, area.Top, area.Bottom, sourceRect.Top, sourceRect.Bottom, offsetY, gapY,
             [&](int64_t y, int64_t sy) {
                 tileAxis(destRect.Left, area.Left, area.Right, sourceRect.Left, sourceRect.Right, offsetX, gapX,
                          [&](int64_t x, int64_t sx) {
                              draw(static_cast<int32_t>(x), static_cast<int32_t>(y),
                                   TRect{static_cast<int32_t>(sx), static_cast<int32_t>(sy), sourceRect.Right,
                                         sourceRect.Bottom});
                          });
             });
}

// Zoomed tiles of one axis, positioned in 16.16: tile k starts at
// (start16 + k * pitch16) >> 16 and is zs pixels long.
template <class Fn>
void zoomAxis(int64_t dLo, int64_t aLo, int64_t aHi, int64_t size, int64_t offset, int64_t gap, int64_t zoom,
              Fn&& fn) {
    const int64_t zs = std::max<int64_t>(1, size * zoom / 256);
    const int64_t start16 = dLo * 65536 - floorMod(offset, size) * zoom * 256;
    // A pitch beyond any destination is as good as one tile; keep it small
    // enough for the arithmetic below.
    const __int128 wide = static_cast<__int128>(size + gap) * zoom * 256;
    const int64_t pitch16 = static_cast<int64_t>(std::clamp<__int128>(wide, 65536, int64_t{1} << 52));
    int64_t k = std::max<int64_t>(0, floorDiv((aLo - zs) * 65536 - start16, pitch16));
    for (;; ++k) {
        const int64_t pos = (start16 + k * pitch16) >> 16;
        if (pos >= aHi) break;
        if (pos + zs > aLo) fn(pos, zs);
    }
}

template <class DrawFn>
void zoomCover(TCustomDIBX& dest, const TRect& destRect, TCustomDIBX& source, TRect sourceRect, int32_t offsetX,
               int32_t offsetY, int32_t gapX, int32_t gapY, int32_t zoomX, int32_t zoomY, DrawFn&& draw) {
    if (zoomX <= 0 || zoomY <= 0) return;
    sourceRect = intersectRect(sourceRect, surfaceBounds(source));
    if (sourceRect.isEmpty()) return;
    const TRect area = intersectRect(destRect, dest.EffectiveClip());
    if (area.isEmpty()) return;
    TClipScope scope(dest, area);
    zoomAxis(destRect.Top, area.Top, area.Bottom, sourceRect.Height(), offsetY, gapY, zoomY,
             [&](int64_t y, int64_t h) {
                 zoomAxis(destRect.Left, area.Left, area.Right, sourceRect.Width(), offsetX, gapX, zoomX,
                          [&](int64_t x, int64_t w) {
                              const auto sat = [](int64_t v) {
                                  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
                              };
                              draw(TRect{sat(x), sat(y), sat(x + w), sat(y + h)}, sourceRect);
                          });
             });
}

} // namespace

void TCustomDIBX::TileDraw(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, int32_t offsetX,
                           int32_t offsetY, int32_t gapX, int32_t gapY) {
    tileCover(*this, destRect, source, sourceRect, offsetX, offsetY, gapX, gapY,
              [&](int32_t x, int32_t y, const TRect& r) { Draw(x, y, source, r, true); });
}

void TCustomDIBX::TileDrawAlpha(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, int32_t offsetX,
                                int32_t offsetY, int32_t gapX, int32_t gapY, int32_t alpha) {
    if (alpha <= 0) return;
    tileCover(*this, destRect, source, sourceRect, offsetX, offsetY, gapX, gapY,
              [&](int32_t x, int32_t y, const TRect& r) { DrawAlpha(x, y, source, r, alpha, true); });
}

void TCustomDIBX::TileDrawAdd(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, int32_t offsetX,
                              int32_t offsetY, int32_t gapX, int32_t gapY, int32_t amount) {
    if (amount <= 0) return;
    tileCover(*this, destRect, source, sourceRect, offsetX, offsetY, gapX, gapY,
              [&](int32_t x, int32_t y, const TRect& r) { DrawAdd(x, y, source, r, amount); });
}

void TCustomDIBX::TileDrawMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                               TCustomDIBX& mask, int32_t offsetX, int32_t offsetY, int32_t gapX, int32_t gapY) {
    tileCover(*this, destRect, source, sourceRect, offsetX, offsetY, gapX, gapY,
              [&](int32_t x, int32_t y, const TRect& r) { DrawMask(x, y, source, r, mask); });
}

void TCustomDIBX::TileDrawAlphaMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                    TCustomDIBX& mask, int32_t offsetX, int32_t offsetY, int32_t gapX, int32_t gapY,
                                    int32_t alpha) {
    if (alpha <= 0) return;
    tileCover(*this, destRect, source, sourceRect, offsetX, offsetY, gapX, gapY,
              [&](int32_t x, int32_t y, const TRect& r) { DrawAlphaMask(x, y, source, r, mask, alpha); });
}

void TCustomDIBX::TileDrawAddMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                  TCustomDIBX& mask, int32_t offsetX, int32_t offsetY, int32_t gapX, int32_t gapY,
                                  int32_t amount) {
    if (amount <= 0) return;
    tileCover(*this, destRect, source, sourceRect, offsetX, offsetY, gapX, gapY,
              [&](int32_t x, int32_t y, const TRect& r) { DrawAddMask(x, y, source, r, mask, amount); });
}

void TCustomDIBX::TileStretchDraw(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                  int32_t offsetX, int32_t offsetY, int32_t gapX, int32_t gapY, int32_t zoomX,
                                  int32_t zoomY, int32_t alpha, bool useKey, bool flipH, bool flipV) {
    if (alpha <= 0 || alpha >= 512) return;
    zoomCover(*this, destRect, source, sourceRect, offsetX, offsetY, gapX, gapY, zoomX, zoomY,
              [&](const TRect& tile, const TRect& r) {
                  if (alpha <= 255)
                      StretchDraw(tile, source, r, alpha, useKey, flipH, flipV);
                  else
                      StretchDrawAdd(tile, source, r, alpha - 256, useKey, flipH, flipV);
              });
}

void TCustomDIBX::TileStretchDrawMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                      TCustomDIBX& mask, int32_t offsetX, int32_t offsetY, int32_t gapX, int32_t gapY,
                                      int32_t zoomX, int32_t zoomY, int32_t alpha, bool flipH, bool flipV) {
    if (alpha <= 0 || alpha >= 512) return;
    zoomCover(*this, destRect, source, sourceRect, offsetX, offsetY, gapX, gapY, zoomX, zoomY,
              [&](const TRect& tile, const TRect& r) {
                  if (alpha <= 255)
                      StretchDrawMask(tile, source, r, mask, alpha, flipH, flipV);
                  else
                      StretchDrawAddMask(tile, source, r, mask, alpha - 256, flipH, flipV);
              });
}

} // namespace nuvo
