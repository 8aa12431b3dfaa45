// Rotated and zoomed draws by inverse mapping in 16.16 fixed point.
#include "render/CustomDIBX.h"
#include "render/detail/DrawCommon.h"
#include "render/detail/PixelOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace nuvo {

using namespace detail;

namespace {

struct TRotation {
    double c = 1, s = 0, zx = 1, zy = 1;
};

TRotation rotationOf(int32_t angle, int32_t zoomX, int32_t zoomY) {
    const double a = static_cast<double>(angle) * 2.0 * std::numbers::pi / 256.0;
    return TRotation{std::cos(a), std::sin(a), zoomX / 256.0, zoomY / 256.0};
}

int32_t truncClamp(double v) {
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (!(v < 2147483647.0)) return INT32_MAX;
    return static_cast<int32_t>(v);
}

// The box the four corners of a width x height block land in, the pivot
// (measured from the block's top-left) landing on (x, y).
TRect cornerBox(int32_t x, int32_t y, int32_t width, int32_t height, int32_t pivotX, int32_t pivotY,
                const TRotation& r) {
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (int i = 0; i < 4; ++i) {
        const double u = (i & 1) ? double(width) - pivotX - 1 : -double(pivotX);
        const double v = (i & 2) ? double(height) - pivotY - 1 : -double(pivotY);
        const double X = x + u * r.zx * r.c - v * r.zy * r.s;
        const double Y = y + u * r.zx * r.s + v * r.zy * r.c;
        if (i == 0 || X < minX) minX = X;
        if (i == 0 || X > maxX) maxX = X;
        if (i == 0 || Y < minY) minY = Y;
        if (i == 0 || Y > maxY) maxY = Y;
    }
    const int64_t right = int64_t{truncClamp(maxX)} + 1, bottom = int64_t{truncClamp(maxY)} + 1;
    return TRect{truncClamp(minX), truncClamp(minY), static_cast<int32_t>(std::min<int64_t>(right, INT32_MAX)),
                 static_cast<int32_t>(std::min<int64_t>(bottom, INT32_MAX))};
}

// Narrows [k0, k1) to the k with 0 <= a + k * b < limit (limit > 0).
void narrowSpan(int64_t a, int64_t b, int64_t limit, int64_t& k0, int64_t& k1) {
    const auto floorDiv = [](int64_t n, int64_t d) { return n / d - (n % d != 0 && n < 0); }; // d > 0
    const auto ceilDiv = [](int64_t n, int64_t d) { return n / d + (n % d != 0 && n > 0); };   // d > 0
    if (b == 0) {
        if (a < 0 || a >= limit) k1 = k0;
        return;
    }
    if (b > 0) {
        k0 = std::max(k0, ceilDiv(-a, b));
        k1 = std::min(k1, floorDiv(limit - 1 - a, b) + 1);
    } else {
        k0 = std::max(k0, ceilDiv(a - (limit - 1), -b));
        k1 = std::min(k1, floorDiv(a, -b) + 1);
    }
    if (k1 < k0) k1 = k0;
}

template <class Op>
void drawRotated(TCustomDIBX& dest, int32_t x, int32_t y, TCustomDIBX& source, TRect sourceRect, TCustomDIBX* mask,
                 int32_t pivotX, int32_t pivotY, int32_t angle, int32_t zoomX, int32_t zoomY, bool flipH, bool flipV,
                 const Op& op) {
    TRect bounds = surfaceBounds(source);
    if (mask) bounds = intersectRect(bounds, surfaceBounds(*mask));
    // Only the part of sourceRect inside the surface is ever read; the block's
    // geometry (size, pivot) stays that of sourceRect.
    const TRect readable = intersectRect(sourceRect, bounds);
    if (readable.isEmpty() || sourceRect.width64() > kMaxSurfaceSide || sourceRect.height64() > kMaxSurfaceSide)
        return;
    const int32_t w = sourceRect.Width(), h = sourceRect.Height();
    const TRotation r = rotationOf(angle, zoomX, zoomY);
    const TRect box = intersectRect(cornerBox(x, y, w, h, pivotX, pivotY, r), dest.EffectiveClip());
    if (box.isEmpty()) return;

    std::unique_ptr<TDIBX> copy;
    TCustomDIBX* srcp = &source;
    if (&dest == &source || dest.Target() == source.Target()) {
        copy = std::make_unique<TDIBX>(source.Width(), source.Height(), source.BitCount());
        copy->Assign(source);
        srcp = copy.get();
    }
    TCustomDIBX& src = *srcp;

    const int64_t colU = static_cast<int64_t>(r.c / r.zx * 65536.0);
    const int64_t colV = static_cast<int64_t>(-r.s / r.zy * 65536.0);
    const int64_t rowU = static_cast<int64_t>(r.s / r.zx * 65536.0);
    const int64_t rowV = static_cast<int64_t>(r.c / r.zy * 65536.0);
    const int64_t ex = int64_t{box.Left} - x, ey = int64_t{box.Top} - y;
    int64_t rowStartU = int64_t{pivotX} * 65536 + ex * colU + ey * rowU;
    int64_t rowStartV = int64_t{pivotY} * 65536 + ex * colV + ey * rowV;

    const bool fast = dest.BitCount() == 32 && useFastPaths();
    TArith ar;
    if (!fast) {
        ar.l = &channelLayoutOf(dest.BitCount());
        ar.palette = isPaletteBitCount(dest.BitCount());
    }
    TAccessSet access;
    uint8_t *d0 = nullptr, *s0 = nullptr, *m0 = nullptr;
    if (fast) {
        d0 = access.open(dest, box.Left, box.Top);
        s0 = d0 ? access.open(src, 0, 0) : nullptr;
        m0 = mask && s0 ? access.open(*mask, 0, 0) : nullptr;
        if (!s0 || (mask && !m0)) return;
    }
    const int64_t destStep = dest.RowStep(), srcStep = src.RowStep(), maskStep = m0 ? mask->RowStep() : 0;
    // The block positions (iu, iv) whose source pixel is readable, as
    // ranges of u and v.
    const auto readableRange = [](int32_t lo, int32_t hi, int32_t origin, int32_t size, bool flip) {
        const int64_t a = flip ? int64_t{origin} + size - hi : int64_t{lo} - origin;
        const int64_t b = flip ? int64_t{origin} + size - lo : int64_t{hi} - origin;
        return std::pair{a << 16, b << 16};
    };
    const auto [minU, endU] = readableRange(readable.Left, readable.Right, sourceRect.Left, w, flipH);
    const auto [minV, endV] = readableRange(readable.Top, readable.Bottom, sourceRect.Top, h, flipV);
    const int64_t limitU = int64_t{w} << 16, limitV = int64_t{h} << 16;
    for (int32_t dy = box.Top; dy < box.Bottom; ++dy, rowStartU += rowU, rowStartV += rowV) {
        // The pixels of the row that map onto readable pixels of the block:
        // u and v are linear along the row, so they form one span.
        int64_t k0 = 0, k1 = int64_t{box.Right} - box.Left;
        narrowSpan(rowStartU - minU, colU, endU - minU, k0, k1);
        narrowSpan(rowStartV - minV, colV, endV - minV, k0, k1);
        // A flipped block is read with u (v) mirrored, as
        // w - 1 - (u >> 16) == ((w << 16) - 1 - u) >> 16.
        int64_t u = rowStartU + k0 * colU, v = rowStartV + k0 * colV, du = colU, dv = colV;
        if (flipH) u = limitU - 1 - u, du = -du;
        if (flipV) v = limitV - 1 - v, dv = -dv;
        if (!fast) {
            for (int64_t k = k0; k < k1; ++k, u += du, v += dv) {
                const auto sx = static_cast<int32_t>(sourceRect.Left + (u >> 16));
                const auto sy = static_cast<int32_t>(sourceRect.Top + (v >> 16));
                const auto dx = static_cast<int32_t>(box.Left + k);
                const uint32_t s = static_cast<uint32_t>(src.GetPixel(sx, sy));
                const uint32_t m = mask ? static_cast<uint32_t>(mask->GetPixel(sx, sy)) : 255;
                bool write;
                const uint32_t nv = op(ar, s, m, static_cast<uint32_t>(dest.GetPixel(dx, dy)), write);
                if (write) dest.SetPixel(dx, dy, static_cast<int32_t>(nv));
            }
            continue;
        }
        auto* drow = reinterpret_cast<uint32_t*>(d0 + destStep * (dy - box.Top));
        // Read a chunk of source (and mask) pixels, then draw them: with the
        // 32-bit arithmetic and a store for every pixel, that loop is one the
        // compiler vectorises.
        constexpr int64_t kChunk = 256;
        uint32_t pixels[kChunk];
        uint8_t weights[kChunk];
        for (int64_t c0 = k0; c0 < k1; c0 += kChunk) {
            const int64_t n = std::min(kChunk, k1 - c0);
            for (int64_t i = 0; i < n; ++i, u += du, v += dv) {
                const int64_t sx = sourceRect.Left + (u >> 16), sy = sourceRect.Top + (v >> 16);
                std::memcpy(&pixels[i], s0 + srcStep * sy + 4 * sx, 4);
                weights[i] = m0 ? m0[maskStep * sy + sx] : 255;
            }
            uint32_t* d = drow + c0;
            for (int64_t i = 0; i < n; ++i) {
                bool write;
                const uint32_t nv = op(TArith{}, pixels[i], weights[i], d[i], write);
                d[i] = write ? nv : d[i];
            }
        }
    }
}

} // namespace

void TCustomDIBX::DrawRotate(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, int32_t pivotX,
                             int32_t pivotY, int32_t angle, int32_t zoomX, int32_t zoomY, int32_t alpha, bool useKey,
                             bool flipH, bool flipV) {
    if (alpha <= 0 || zoomX <= 0 || zoomY <= 0 || !isValidBitCount(BitCount()) || source.BitCount() != BitCount())
        return;
    const bool keyed = useKey && source.TransparentColor != -1;
    const uint32_t key = static_cast<uint32_t>(source.TransparentColor);
    if (alpha >= 255)
        drawRotated(*this, x, y, source, sourceRect, nullptr, pivotX, pivotY, angle, zoomX, zoomY, flipH, flipV,
                    TOpCopy{keyed, key});
    else
        drawRotated(*this, x, y, source, sourceRect, nullptr, pivotX, pivotY, angle, zoomX, zoomY, flipH, flipV,
                    TOpBlend{clampWeight(alpha), keyed, key});
}

void TCustomDIBX::DrawRotateMask(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
                                 TCustomDIBX& mask, int32_t pivotX, int32_t pivotY, int32_t angle, int32_t zoomX,
                                 int32_t zoomY, int32_t alpha, bool flipH, bool flipV) {
    if (alpha <= 0 || zoomX <= 0 || zoomY <= 0 || !isValidBitCount(BitCount()) || source.BitCount() != BitCount() ||
        mask.BitCount() != 8)
        return;
    if (alpha >= 255)
        drawRotated(*this, x, y, source, sourceRect, &mask, pivotX, pivotY, angle, zoomX, zoomY, flipH, flipV,
                    TOpMask{});
    else
        drawRotated(*this, x, y, source, sourceRect, &mask, pivotX, pivotY, angle, zoomX, zoomY, flipH, flipV,
                    TOpAlphaMask{clampWeight(alpha)});
}

TRect TCustomDIBX::RotatedBounds(int32_t x, int32_t y, bool flipH, bool flipV, int32_t width, int32_t height,
                                 int32_t zoomX, int32_t zoomY, int32_t angle, int32_t pivotX, int32_t pivotY) {
    if (flipH) pivotX = static_cast<int32_t>(std::clamp<int64_t>(int64_t{width} - pivotX - 1, INT32_MIN, INT32_MAX));
    if (flipV) pivotY = static_cast<int32_t>(std::clamp<int64_t>(int64_t{height} - pivotY - 1, INT32_MIN, INT32_MAX));
    return cornerBox(x, y, width, height, pivotX, pivotY, rotationOf(angle, zoomX, zoomY));
}

} // namespace nuvo
