// Supersampled 1-bit glyph drawing.
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

} // namespace nuvo
