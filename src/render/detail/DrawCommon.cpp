#include "render/detail/DrawCommon.h"

#include "render/KernelLevel.h"

#include <algorithm>
#include <cstring>

namespace nuvo::detail {
namespace {

// One axis of planBlit. pos is the destination start; [lo, hi) the source
// range; returns the clipped destination start, length and first source index.
bool clipAxis(int64_t clipLo, int64_t clipHi, int64_t pos, int64_t lo, int64_t hi, int64_t boundLo, int64_t boundHi,
              bool flip, int32_t& dest, int32_t& length, int32_t& first) {
    if (!flip) {
        if (lo < boundLo) {
            pos += boundLo - lo;
            lo = boundLo;
        }
        hi = std::min(hi, boundHi);
    } else {
        lo = std::max(lo, boundLo);
        if (hi > boundHi) {
            pos += hi - boundHi;
            hi = boundHi;
        }
    }
    if (hi <= lo) return false;
    int64_t dLo = pos, dHi = pos + (hi - lo);
    const int64_t cutLo = std::max<int64_t>(0, clipLo - dLo);
    const int64_t cutHi = std::max<int64_t>(0, dHi - clipHi);
    dLo += cutLo;
    dHi -= cutHi;
    if (dHi <= dLo) return false;
    dest = static_cast<int32_t>(dLo);
    length = static_cast<int32_t>(dHi - dLo);
    first = static_cast<int32_t>(flip ? hi - cutLo - 1 : lo + cutLo);
    return true;
}

struct Scratch {
    std::vector<uint32_t> rows32[4];
    std::vector<uint8_t> rows8[4];
};

Scratch& scratch() {
    thread_local Scratch s;
    return s;
}

} // namespace

bool planBlit(const TRect& clip, int32_t x, int32_t y, const TRect& sourceRect, const TRect& sourceBounds,
              bool flipH, bool flipV, TBlitPlan& plan) {
    if (!clipAxis(clip.Left, clip.Right, x, sourceRect.Left, sourceRect.Right, sourceBounds.Left, sourceBounds.Right,
                  flipH, plan.dx, plan.w, plan.sx))
        return false;
    if (!clipAxis(clip.Top, clip.Bottom, y, sourceRect.Top, sourceRect.Bottom, sourceBounds.Top, sourceBounds.Bottom,
                  flipV, plan.dy, plan.h, plan.sy))
        return false;
    plan.sxStep = flipH ? -1 : 1;
    plan.syStep = flipV ? -1 : 1;
    plan.mx = plan.sx;
    plan.my = plan.sy;
    return true;
}

bool useFastPaths() { return activeKernelLevel() != TKernelLevel::Reference; }

uint32_t* scratch32(int slot, int n) {
    auto& v = scratch().rows32[slot];
    if (v.size() < static_cast<size_t>(n)) v.resize(static_cast<size_t>(n));
    return v.data();
}

uint8_t* scratch8(int slot, int n) {
    auto& v = scratch().rows8[slot];
    if (v.size() < static_cast<size_t>(n)) v.resize(static_cast<size_t>(n));
    return v.data();
}

std::unique_ptr<TDIBX> detachSelfSource(TCustomDIBX& dest, TCustomDIBX& source, TBlitPlan& plan) {
    if (&dest != &source && dest.Target() != source.Target()) return nullptr;
    const TRect block = plan.sourceBlock();
    auto copy = std::make_unique<TDIBX>(block.Width(), block.Height(), source.BitCount());
    TPalette palette;
    source.GetPalette(palette);
    copy->SetPalette(palette);
    copy->TransparentColor = source.TransparentColor;
    for (int32_t y = 0; y < block.Height(); ++y)
        for (int32_t x = 0; x < block.Width(); ++x)
            copy->SetPixel(x, y, source.GetPixel(block.Left + x, block.Top + y));
    plan.sx -= block.Left;
    plan.sy -= block.Top;
    return copy;
}

} // namespace nuvo::detail
