// The drawing steps the image components share: a picture block by the
// alpha modes, a picture with its content areas, and the stretched draw.
#pragma once

#include "components/NuvoControl.h"
#include "render/CustomDIBX.h"

#include <cstdint>

namespace nuvo {

// A change of what a control shows: its area is repainted before and
// after, and a change of place is passed on to its children.
template <class F> void changeShown(TNuvoControl& control, F&& change, bool positional = false) {
    control.Invalidate();
    change();
    if (positional) control.PositionChanged();
    control.Invalidate();
}

// Whether an alpha draws at all (1..511).
constexpr bool drawsAtAlpha(int32_t alpha) { return alpha >= 1 && alpha < 512; }

// sourceRect of picture at (x, y): with a mask DrawAlphaMask (alpha below
// 255), DrawMask (255) or DrawAddMask (amount alpha - 256); without one
// DrawAlpha, Draw or DrawAdd, with the picture's colour key when it has one.
void drawBlock(TCustomDIBX& target, int32_t x, int32_t y, TCustomDIBX& picture, const TRect& sourceRect,
               TCustomDIBX* mask, int32_t alpha, bool flipH, bool flipV);

// The whole picture at (x, y); a picture carrying content areas draws only
// those, each mirrored inside the picture when flipped.
void drawContent(TCustomDIBX& target, int32_t x, int32_t y, TCustomDIBX& picture, TCustomDIBX* mask, int32_t alpha,
                 bool flipH, bool flipV);

// sourceRect stretched into destRect: StretchDraw(Mask) up to alpha 255,
// StretchDrawAdd(Mask) with amount alpha - 256 above.
void stretchPicture(TCustomDIBX& target, const TRect& destRect, TCustomDIBX& picture, const TRect& sourceRect,
                    TCustomDIBX* mask, int32_t alpha, bool flipH, bool flipV);

} // namespace nuvo
