#include "components/PictureDraw.h"

namespace nuvo {

void drawBlock(TCustomDIBX& target, int32_t x, int32_t y, TCustomDIBX& picture, const TRect& sourceRect,
               TCustomDIBX* mask, int32_t alpha, bool flipH, bool flipV) {
    if (!drawsAtAlpha(alpha)) return;
    if (mask) {
        if (alpha < 255)
            target.DrawAlphaMask(x, y, picture, sourceRect, *mask, alpha, flipH, flipV);
        else if (alpha == 255)
            target.DrawMask(x, y, picture, sourceRect, *mask, flipH, flipV);
        else
            target.DrawAddMask(x, y, picture, sourceRect, *mask, alpha - 256, flipH, flipV);
        return;
    }
    const bool key = picture.TransparentColor != -1;
    if (alpha < 255)
        target.DrawAlpha(x, y, picture, sourceRect, alpha, key, flipH, flipV);
    else if (alpha == 255)
        target.Draw(x, y, picture, sourceRect, key, flipH, flipV);
    else
        target.DrawAdd(x, y, picture, sourceRect, alpha - 256, flipH, flipV);
}

void drawContent(TCustomDIBX& target, int32_t x, int32_t y, TCustomDIBX& picture, TCustomDIBX* mask, int32_t alpha,
                 bool flipH, bool flipV) {
    const TRect whole = makeRect(0, 0, picture.Width(), picture.Height());
    if (picture.ContentAreas.empty()) {
        drawBlock(target, x, y, picture, whole, mask, alpha, flipH, flipV);
        return;
    }
    for (const TRect& area : picture.ContentAreas) {
        const TRect r = intersectRect(area, whole);
        if (r.isEmpty()) continue;
        const int32_t dx = flipH ? whole.Right - r.Right : r.Left;
        const int32_t dy = flipV ? whole.Bottom - r.Bottom : r.Top;
        drawBlock(target, static_cast<int32_t>(int64_t{x} + dx), static_cast<int32_t>(int64_t{y} + dy), picture, r,
                  mask, alpha, flipH, flipV);
    }
}

void stretchPicture(TCustomDIBX& target, const TRect& destRect, TCustomDIBX& picture, const TRect& sourceRect,
                    TCustomDIBX* mask, int32_t alpha, bool flipH, bool flipV) {
    if (!drawsAtAlpha(alpha)) return;
    const bool key = picture.TransparentColor != -1;
    if (alpha <= 255) {
        if (mask)
            target.StretchDrawMask(destRect, picture, sourceRect, *mask, alpha, flipH, flipV);
        else
            target.StretchDraw(destRect, picture, sourceRect, alpha, key, flipH, flipV);
    } else if (mask) {
        target.StretchDrawAddMask(destRect, picture, sourceRect, *mask, alpha - 256, flipH, flipV);
    } else {
        target.StretchDrawAdd(destRect, picture, sourceRect, alpha - 256, key, flipH, flipV);
    }
}

} // namespace nuvo
