// Stretched draws (nearest neighbour) and the tiled fills, all drawn through
// per-column and per-row tables of source coordinates.
#include "render/CustomDIBX.h"
#include "render/detail/DrawCommon.h"
#include "render/detail/PixelOps.h"

#include <cmath>
#include <cstring>

namespace nuvo {

using namespace detail;

namespace {

// A destination block with the source column of each of its columns and the
// source row of each of its rows (-1: the row is not drawn).
struct TMapPlan {
    int32_t dx = 0, dy = 0;
    std::vector<int32_t> cols;
    std::vector<int32_t> rows;
};

// One axis of a stretch: the destination [dLo, dHi) clipped to [cLo, cHi),
// the source walked in 16.16 steps from [sLo, sHi). Source positions outside
// [vLo, vHi) (SourceRect within the surface) are marked -1 and, being at the
// ends of a monotonic walk, trimmed off.
bool stretchAxis(int64_t dLo, int64_t dHi, int64_t cLo, int64_t cHi, int64_t sLo, int64_t sHi, int64_t vLo,
                 int64_t vHi, bool flip, int32_t& start, std::vector<int32_t>& map) {
    const int64_t dw = dHi - dLo, sw = sHi - sLo;
    if (dw < 1 || sw < 1 || vHi <= vLo) return false;
    const double ratio = static_cast<double>(sw) / static_cast<double>(dw);
    const int64_t cutLo = std::max<int64_t>(0, cLo - dLo);
    const int64_t cutHi = std::max<int64_t>(0, dHi - cHi);
    const int64_t n = dw - cutLo - cutHi;
    if (n <= 0) return false;
    double frac = 0;
    if (cutLo > 0) {
        const double shift = static_cast<double>(cutLo) * ratio;
        // Rectangles lie within 32 bits, so a shift this large leaves the
        // source behind entirely (and would not fit the arithmetic).
        if (shift > 1099511627776.0) return false;
        const int64_t whole = static_cast<int64_t>(shift);
        frac = shift - static_cast<double>(whole);
        if (!flip)
            sLo += whole;
        else
            sHi -= whole;
    }
    int64_t step = static_cast<int64_t>(ratio * 65536.0);
    const int64_t fracFixed = static_cast<int64_t>(frac * 65536.0);
    int64_t pos = flip ? sHi * 65536 - fracFixed - 1 : sLo * 65536 + fracFixed;
    if (flip) step = -step;
    map.assign(static_cast<size_t>(n), -1);
    for (int64_t i = 0; i < n; ++i, pos += step) {
        const int64_t v = pos >> 16;
        // The walk is monotonic: once past the readable range it stays out.
        if (flip ? v < vLo : v >= vHi) break;
        if (v >= vLo && v < vHi) map[static_cast<size_t>(i)] = static_cast<int32_t>(v);
    }
    start = static_cast<int32_t>(dLo + cutLo);
    return true;
}

// Drops -1 entries at both ends of a column table (they can only be there).
bool trimColumns(TMapPlan& p) {
    size_t first = 0, last = p.cols.size();
    while (first < last && p.cols[first] < 0) ++first;
    while (last > first && p.cols[last - 1] < 0) --last;
    if (first == last) return false;
    for (size_t i = first; i < last; ++i)
        if (p.cols[i] < 0) return false; // not monotonic: cannot happen
    p.cols.erase(p.cols.begin() + static_cast<std::ptrdiff_t>(last), p.cols.end());
    p.cols.erase(p.cols.begin(), p.cols.begin() + static_cast<std::ptrdiff_t>(first));
    p.dx += static_cast<int32_t>(first);
    return true;
}

bool planStretch(const TCustomDIBX& dest, const TRect& destRect, const TRect& sourceRect, const TRect& bounds,
                 bool flipH, bool flipV, TMapPlan& plan) {
    const TRect clip = dest.EffectiveClip();
    const TRect valid = intersectRect(sourceRect, bounds);
    if (!stretchAxis(destRect.Left, destRect.Right, clip.Left, clip.Right, sourceRect.Left, sourceRect.Right,
                     valid.Left, valid.Right, flipH, plan.dx, plan.cols))
        return false;
    if (!stretchAxis(destRect.Top, destRect.Bottom, clip.Top, clip.Bottom, sourceRect.Top, sourceRect.Bottom,
                     valid.Top, valid.Bottom, flipV, plan.dy, plan.rows))
        return false;
    return trimColumns(plan);
}

// Draws a mapped block with a pixel op; a source equal to the destination is
// read from a copy.
template <class Op>
void drawMapped(TCustomDIBX& dest, TCustomDIBX& source, TCustomDIBX* mask, const TMapPlan& p, const Op& op) {
    std::unique_ptr<TDIBX> copy;
    TCustomDIBX* srcp = &source;
    if (&dest == &source || dest.Target() == source.Target()) {
        copy = std::make_unique<TDIBX>(source.Width(), source.Height(), source.BitCount());
        copy->Assign(source);
        srcp = copy.get();
    }
    TCustomDIBX& src = *srcp;
    const int32_t w = static_cast<int32_t>(p.cols.size());
    const int32_t h = static_cast<int32_t>(p.rows.size());
    if (dest.BitCount() == 32 && useFastPaths() && (src.BitCount() == 32 || src.BitCount() == 8)) {
        TAccessSet access;
        uint8_t* d0 = access.open(dest, p.dx, p.dy);
        uint8_t* s0 = d0 ? access.open(src, 0, 0) : nullptr;
        uint8_t* m0 = mask && s0 ? access.open(*mask, 0, 0) : nullptr;
        if (!s0 || (mask && !m0)) return;
        const TArith ar;
        const bool wide = src.BitCount() == 32;
        for (int32_t r = 0; r < h; ++r) {
            const int32_t sy = p.rows[static_cast<size_t>(r)];
            if (sy < 0) continue;
            auto* d = reinterpret_cast<uint32_t*>(d0 + int64_t{dest.RowStep()} * r);
            const uint8_t* srow = s0 + int64_t{src.RowStep()} * sy;
            const uint8_t* mrow = m0 ? m0 + int64_t{mask->RowStep()} * sy : nullptr;
            for (int32_t c = 0; c < w; ++c) {
                const int32_t sx = p.cols[static_cast<size_t>(c)];
                uint32_t s;
                if (wide)
                    std::memcpy(&s, srow + 4 * static_cast<size_t>(sx), 4);
                else
                    s = srow[sx];
                const uint32_t m = mrow ? mrow[sx] : 255;
                bool write;
                const uint32_t v = op(ar, s, m, d[c], write);
                if (write) d[c] = v;
            }
        }
        return;
    }
    TArith ar;
    ar.l = &channelLayoutOf(dest.BitCount());
    ar.palette = isPaletteBitCount(dest.BitCount());
    for (int32_t r = 0; r < h; ++r) {
        const int32_t sy = p.rows[static_cast<size_t>(r)];
        if (sy < 0) continue;
        for (int32_t c = 0; c < w; ++c) {
            const int32_t sx = p.cols[static_cast<size_t>(c)];
            const uint32_t s = static_cast<uint32_t>(src.GetPixel(sx, sy));
            const uint32_t m = mask ? static_cast<uint32_t>(mask->GetPixel(sx, sy)) : 255;
            const uint32_t d = static_cast<uint32_t>(dest.GetPixel(p.dx + c, p.dy + r));
            bool write;
            const uint32_t v = op(ar, s, m, d, write);
            if (write) dest.SetPixel(p.dx + c, p.dy + r, static_cast<int32_t>(v));
        }
    }
}

bool sameFormat(const TCustomDIBX& dest, const TCustomDIBX& source) {
    return isValidBitCount(dest.BitCount()) && source.BitCount() == dest.BitCount();
}

TRect maskedBounds(const TCustomDIBX& source, const TCustomDIBX& mask) {
    return intersectRect(surfaceBounds(source), surfaceBounds(mask));
}

} // namespace

void TCustomDIBX::StretchDraw(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect, int32_t alpha,
                              bool useKey, bool flipH, bool flipV) {
    TMapPlan p;
    if (alpha <= 0 || !sameFormat(*this, source) ||
        !planStretch(*this, destRect, sourceRect, surfaceBounds(source), flipH, flipV, p))
        return;
    const bool keyed = useKey && source.TransparentColor != -1;
    const uint32_t key = static_cast<uint32_t>(source.TransparentColor);
    if (alpha >= 255)
        drawMapped(*this, source, nullptr, p, TOpCopy{keyed, key});
    else
        drawMapped(*this, source, nullptr, p, TOpBlend{clampWeight(alpha), keyed, key});
}

void TCustomDIBX::StretchDrawMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                  TCustomDIBX& mask, int32_t alpha, bool flipH, bool flipV) {
    TMapPlan p;
    if (alpha <= 0 || !sameFormat(*this, source) || mask.BitCount() != 8 ||
        !planStretch(*this, destRect, sourceRect, maskedBounds(source, mask), flipH, flipV, p))
        return;
    if (alpha >= 255)
        drawMapped(*this, source, &mask, p, TOpMask{});
    else
        drawMapped(*this, source, &mask, p, TOpAlphaMask{clampWeight(alpha)});
}

void TCustomDIBX::StretchDrawAdd(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                 int32_t amount, bool useKey, bool flipH, bool flipV) {
    TMapPlan p;
    if (amount <= 0 || !sameFormat(*this, source) ||
        !planStretch(*this, destRect, sourceRect, surfaceBounds(source), flipH, flipV, p))
        return;
    drawMapped(*this, source, nullptr, p,
               TOpAdd{clampWeight(amount), useKey && source.TransparentColor != -1,
                      static_cast<uint32_t>(source.TransparentColor)});
}

void TCustomDIBX::StretchDrawAddMask(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                     TCustomDIBX& mask, int32_t amount, bool flipH, bool flipV) {
    TMapPlan p;
    if (amount <= 0 || !sameFormat(*this, source) || mask.BitCount() != 8 ||
        !planStretch(*this, destRect, sourceRect, maskedBounds(source, mask), flipH, flipV, p))
        return;
    drawMapped(*this, source, &mask, p, TOpAddMask{clampWeight(amount)});
}

void TCustomDIBX::StretchDrawPalette(const TRect& destRect, TCustomDIBX& source, const TRect& sourceRect,
                                     const int32_t* lookup, int32_t alpha, bool flipH, bool flipV) {
    TMapPlan p;
    if (alpha <= 0 || !lookup || source.BitCount() != 8 || isPaletteBitCount(BitCount()) ||
        !isValidBitCount(BitCount()) ||
        !planStretch(*this, destRect, sourceRect, surfaceBounds(source), flipH, flipV, p))
        return;
    drawMapped(*this, source, nullptr, p, TOpPalette{lookup, clampWeight(alpha), false});
}

// ---- Tiled fills -----------------------------------------------------------

namespace {

int64_t floorMod(int64_t a, int64_t m) {
    const int64_t r = a % m;
    return r < 0 ? r + m : r;
}

// Source positions of a tiled axis: destination index i (from the clipped
// start) shows ((offset + i) * step16 >> 16) mod size, mirrored when flipped.
void tiledAxis(int64_t offset, int64_t n, int64_t size, int64_t step16, bool flip, std::vector<int32_t>& map) {
    map.resize(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        const int64_t fixed = (offset + i) * step16;
        int64_t v = floorMod(fixed >> 16, size);
        if (flip) v = size - 1 - v;
        map[static_cast<size_t>(i)] = static_cast<int32_t>(v);
    }
}

bool planTiled(const TCustomDIBX& dest, const TRect& destRect, const TCustomDIBX& source, bool flipH, bool flipV,
               int32_t offsetX, int32_t offsetY, int32_t zoomX, int32_t zoomY, TMapPlan& p) {
    if (source.IsEmpty() || zoomX <= 0 || zoomY <= 0) return false;
    const TRect r = intersectRect(destRect, dest.EffectiveClip());
    if (r.isEmpty()) return false;
    p.dx = r.Left;
    p.dy = r.Top;
    const int64_t ox = int64_t{offsetX} + (int64_t{r.Left} - destRect.Left);
    const int64_t oy = int64_t{offsetY} + (int64_t{r.Top} - destRect.Top);
    tiledAxis(ox, r.Width(), source.Width(), (int64_t{256} << 16) / zoomX, flipH, p.cols);
    tiledAxis(oy, r.Height(), source.Height(), (int64_t{256} << 16) / zoomY, flipV, p.rows);
    return true;
}

} // namespace

void TCustomDIBX::FillTiled(const TRect& destRect, TCustomDIBX& source, bool flipH, bool flipV, int32_t offsetX,
                            int32_t offsetY) {
    TMapPlan p;
    if (!sameFormat(*this, source) || !planTiled(*this, destRect, source, flipH, flipV, offsetX, offsetY, 256, 256, p))
        return;
    drawMapped(*this, source, nullptr, p, TOpCopy{});
}

void TCustomDIBX::FillTiledStretch(const TRect& destRect, TCustomDIBX& source, bool flipH, bool flipV,
                                   int32_t offsetX, int32_t offsetY, int32_t zoomX, int32_t zoomY, int32_t alpha,
                                   bool useKey) {
    TMapPlan p;
    if (alpha <= 0 || alpha >= 512 || !sameFormat(*this, source) ||
        !planTiled(*this, destRect, source, flipH, flipV, offsetX, offsetY, zoomX, zoomY, p))
        return;
    const bool keyed = useKey && source.TransparentColor != -1;
    const uint32_t key = static_cast<uint32_t>(source.TransparentColor);
    if (alpha == 255)
        drawMapped(*this, source, nullptr, p, TOpCopy{keyed, key});
    else if (alpha < 255)
        drawMapped(*this, source, nullptr, p, TOpBlend{clampWeight(alpha), keyed, key});
    else if (alpha > 256)
        drawMapped(*this, source, nullptr, p, TOpAdd{clampWeight(alpha - 256), keyed, key});
}

void TCustomDIBX::FillTiledStretchMask(const TRect& destRect, TCustomDIBX& source, TCustomDIBX& mask, bool flipH,
                                       bool flipV, int32_t offsetX, int32_t offsetY, int32_t zoomX, int32_t zoomY,
                                       int32_t alpha) {
    TMapPlan p;
    if (alpha <= 0 || alpha >= 512 || !sameFormat(*this, source) || mask.BitCount() != 8 ||
        mask.Width() < source.Width() || mask.Height() < source.Height() ||
        !planTiled(*this, destRect, source, flipH, flipV, offsetX, offsetY, zoomX, zoomY, p))
        return;
    if (alpha == 255)
        drawMapped(*this, source, &mask, p, TOpMask{});
    else if (alpha < 255)
        drawMapped(*this, source, &mask, p, TOpAlphaMask{clampWeight(alpha)});
    else if (alpha > 256)
        drawMapped(*this, source, &mask, p, TOpAddMask{clampWeight(alpha - 256)});
}

} // namespace nuvo
