// Glyph drawing: supersampled 1-bit and 4-bit glyphs, and 8-bit coverage.
#include "render/CustomDIBX.h"
#include "render/detail/DrawCommon.h"

namespace nuvo {

using namespace detail;

void TCustomDIBX::DrawGlyph1(int32_t x, int32_t y, int32_t scale, int32_t alpha, int32_t pixel, TCustomDIBX& glyph,
                             const TRect& sourceRect, bool flipH, bool flipV) {
    const int bits = BitCount();
    if (alpha <= 0 || scale < 1 || scale > 16 || glyph.BitCount() != 1 || (bits != 15 && bits != 16 && bits != 32))
        return;
    const TRect src = intersectRect(sourceRect, surfaceBounds(glyph));
    if (src.isEmpty()) return;
    const int32_t blocksX = src.Width() / scale, blocksY = src.Height() / scale;
    TBlitPlan p;
    if (!planBlit(EffectiveClip(), x, y, TRect{0, 0, blocksX, blocksY}, TRect{0, 0, blocksX, blocksY}, flipH, flipV, p))
        return;
    const uint32_t a = clampWeight(alpha);
    const uint32_t area = static_cast<uint32_t>(scale * scale);
    const TChannelLayout& l = channelLayoutOf(bits);
    const uint32_t px = static_cast<uint32_t>(pixel);
    forEachPixel(p, [&](int32_t dx, int32_t dy, int32_t bx, int32_t by, int32_t, int32_t) {
        uint32_t ink = 0;
        const int32_t gx = src.Left + bx * scale, gy = src.Top + by * scale;
        for (int32_t j = 0; j < scale; ++j)
            for (int32_t i = 0; i < scale; ++i) ink += glyph.GetPixel(gx + i, gy + j) == 0;
        if (a < 255) ink = (a * ink) >> 8;
        if (!ink) return;
        const uint32_t d = static_cast<uint32_t>(GetPixel(dx, dy));
        uint32_t out = 0;
        for (int c = 0; c < l.count; ++c) {
            const uint32_t pc = (px & l.mask[c]) >> l.shift[c];
            const uint32_t dc = (d & l.mask[c]) >> l.shift[c];
            out |= ((pc * ink + dc * (area - ink)) / area) << l.shift[c];
        }
        SetPixel(dx, dy, static_cast<int32_t>(out));
    });
}

void TCustomDIBX::DrawGlyph4(int32_t x, int32_t y, int32_t scale, int32_t alpha, int32_t textPixel,
                             int32_t outlinePixel, int32_t shadowPixel, TCustomDIBX& glyph, const TRect& sourceRect,
                             bool flipH, bool flipV) {
    const int bits = BitCount();
    if (alpha <= 0 || scale < 1 || scale > 16 || glyph.BitCount() != 4 || (bits != 15 && bits != 16 && bits != 32))
        return;
    const TRect src = intersectRect(sourceRect, surfaceBounds(glyph));
    if (src.isEmpty()) return;
    const int32_t blocksX = src.Width() / scale, blocksY = src.Height() / scale;
    TBlitPlan p;
    if (!planBlit(EffectiveClip(), x, y, TRect{0, 0, blocksX, blocksY}, TRect{0, 0, blocksX, blocksY}, flipH, flipV, p))
        return;
    const uint64_t a = alpha >= 255 ? 256 : static_cast<uint64_t>(alpha);
    const uint64_t whole = 256 * static_cast<uint64_t>(scale * scale);
    const TChannelLayout& l = channelLayoutOf(bits);
    const uint32_t colours[3] = {static_cast<uint32_t>(textPixel), static_cast<uint32_t>(outlinePixel),
                                 static_cast<uint32_t>(shadowPixel)};
    forEachPixel(p, [&](int32_t dx, int32_t dy, int32_t bx, int32_t by, int32_t, int32_t) {
        uint64_t count[3] = {};
        const int32_t gx = src.Left + bx * scale, gy = src.Top + by * scale;
        for (int32_t j = 0; j < scale; ++j)
            for (int32_t i = 0; i < scale; ++i) {
                const int32_t v = glyph.GetPixel(gx + i, gy + j);
                if (v >= 1 && v <= 3) ++count[v - 1];
            }
        if (!count[0] && !count[1] && !count[2]) return;
        const uint64_t weights[3] = {a * count[0], a * count[1], a * count[2]};
        const uint64_t rest = whole - weights[0] - weights[1] - weights[2];
        const uint32_t d = static_cast<uint32_t>(GetPixel(dx, dy));
        uint32_t out = 0;
        for (int c = 0; c < l.count; ++c) {
            uint64_t sum = ((d & l.mask[c]) >> l.shift[c]) * rest;
            for (int k = 0; k < 3; ++k) sum += ((colours[k] & l.mask[c]) >> l.shift[c]) * weights[k];
            out |= static_cast<uint32_t>(sum / whole) << l.shift[c];
        }
        SetPixel(dx, dy, static_cast<int32_t>(out));
    });
}

void TCustomDIBX::DrawGlyph8(int32_t x, int32_t y, int32_t alpha, int32_t pixel, TCustomDIBX& coverage,
                             const TRect& sourceRect) {
    const int bits = BitCount();
    if (alpha <= 0 || coverage.BitCount() != 8 || (bits != 15 && bits != 16 && bits != 32)) return;
    TBlitPlan p;
    if (!planBlit(EffectiveClip(), x, y, sourceRect, surfaceBounds(coverage), false, false, p)) return;
    const uint32_t a = clampWeight(alpha);
    const uint32_t px = static_cast<uint32_t>(pixel);
    std::unique_ptr<TDIBX> detached = detachSelfSource(*this, coverage, p);
    TCustomDIBX& m = detached ? *detached : coverage;
    if (detached) {
        p.mx = p.sx;
        p.my = p.sy;
    }
    if (bits == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, nullptr, &m, p,
                      [&](uint32_t* d, const uint32_t*, const uint8_t* mm, int n) { k->glyph(d, mm, n, px, a); });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(bits);
    forEachPixel(p, [&](int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t, int32_t) {
        const uint32_t mv = static_cast<uint32_t>(m.GetPixel(sx, sy));
        const uint32_t w = a == 255 ? mv : (a * mv) >> 8;
        if (!w) return;
        SetPixel(dx, dy, static_cast<int32_t>(w == 255 ? px : chBlend(l, px, static_cast<uint32_t>(GetPixel(dx, dy)), w)));
    });
}

} // namespace nuvo
