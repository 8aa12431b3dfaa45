// Shared pieces of the drawing operations: clipping of positioned draws,
// the pixel-memory bracket and scratch rows for mirrored kernels.
#pragma once

#include "render/CustomDIBX.h"
#include "render/DIBX.h"
#include "render/detail/Blend.h"
#include "render/detail/Kernels32.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace nuvo::detail {

// A positioned draw after clipping: destination block (dx, dy, w, h); the
// source pixel shown at (dx, dy) is (sx, sy), and the source moves by sxStep
// per destination column and syStep per destination row (+1, or -1 when
// mirrored).
struct TBlitPlan {
    int32_t dx = 0, dy = 0, w = 0, h = 0;
    int32_t sx = 0, sy = 0;
    int32_t sxStep = 1, syStep = 1;
    // The mask pixel read at (dx, dy): the source position, kept when the
    // source is moved onto a detached copy.
    int32_t mx = 0, my = 0;

    // Leftmost / topmost source column and row the draw reads.
    int32_t srcLeft() const { return sxStep > 0 ? sx : sx - (w - 1); }
    int32_t srcTop() const { return syStep > 0 ? sy : sy - (h - 1); }
    TRect sourceBlock() const { return TRect{srcLeft(), srcTop(), srcLeft() + w, srcTop() + h}; }
    int32_t maskLeft() const { return sxStep > 0 ? mx : mx - (w - 1); }
    int32_t maskTop() const { return syStep > 0 ? my : my - (h - 1); }
};

// Clamps sourceRect to sourceBounds and the destination to clip, each cut
// moving the matching side of the other. False when nothing remains.
bool planBlit(const TRect& clip, int32_t x, int32_t y, const TRect& sourceRect, const TRect& sourceBounds,
              bool flipH, bool flipV, TBlitPlan& plan);

inline TRect surfaceBounds(const TCustomDIBX& s) { return TRect{0, 0, s.Width(), s.Height()}; }

// True when the fast paths (direct memory, packed kernels) are to be used.
bool useFastPaths();

// Scratch rows for the current thread, grown on demand.
uint32_t* scratch32(int slot, int n);
uint8_t* scratch8(int slot, int n);

// When the source of a draw is the destination itself, a copy of the block
// the plan reads, with the plan moved onto it; otherwise nothing.
std::unique_ptr<TDIBX> detachSelfSource(TCustomDIBX& dest, TCustomDIBX& source, TBlitPlan& plan);

// Rows of a 32-bit surface for a plan: row r of the source block starts at
// rowPtr(r) (the source's leftmost read column of that destination row).
struct TRowWalker {
    uint8_t* base = nullptr;
    int64_t step = 0;
    uint8_t* row(int32_t r) const { return base + step * r; }
};

} // namespace nuvo::detail

namespace nuvo::detail {

// Calls f(dx, dy, sx, sy, mx, my) for every pixel of a plan, row by row.
template <class F>
void forEachPixel(const TBlitPlan& p, F&& f) {
    for (int32_t r = 0; r < p.h; ++r) {
        const int32_t dy = p.dy + r;
        const int32_t sy = p.sy + r * p.syStep;
        const int32_t my = p.my + r * p.syStep;
        for (int32_t c = 0; c < p.w; ++c)
            f(p.dx + c, dy, p.sx + c * p.sxStep, sy, p.mx + c * p.sxStep, my);
    }
}

// Opens pixel access on up to three surfaces and balances it on every path.
class TAccessSet {
public:
    TAccessSet() = default;
    ~TAccessSet() {
        for (int i = 0; i < count_; ++i) surfaces_[i]->UnlockPixels();
    }
    TAccessSet(const TAccessSet&) = delete;
    TAccessSet& operator=(const TAccessSet&) = delete;
    // The address of (x, y), or nullptr when the surface gives none.
    uint8_t* open(TCustomDIBX& s, int32_t x, int32_t y) {
        uint8_t* p = s.PixelPtr(x, y);
        if (p) surfaces_[count_++] = &s;
        return p;
    }

private:
    TCustomDIBX* surfaces_[3] = {};
    int count_ = 0;
};

// Runs a 32-bit row function fn(d, s, m, n) over a plan. src and mask may be
// null (fills); mirrored source rows are reversed into scratch rows first.
template <class Fn>
void runRows32(TCustomDIBX& dest, TCustomDIBX* src, TCustomDIBX* mask, const TBlitPlan& p, Fn&& fn) {
    TAccessSet access;
    uint8_t* d0 = access.open(dest, p.dx, p.dy);
    if (!d0) return;
    uint8_t* s0 = nullptr;
    uint8_t* m0 = nullptr;
    if (src && !(s0 = access.open(*src, p.srcLeft(), p.sy))) return;
    if (mask && !(m0 = access.open(*mask, p.maskLeft(), p.my))) return;
    const int64_t dStep = dest.RowStep();
    const int64_t sStep = src ? int64_t{src->RowStep()} * p.syStep : 0;
    const int64_t mStep = mask ? int64_t{mask->RowStep()} * p.syStep : 0;
    const bool mirror = p.sxStep < 0;
    for (int32_t r = 0; r < p.h; ++r) {
        auto* d = reinterpret_cast<uint32_t*>(d0 + dStep * r);
        const uint32_t* s = src ? reinterpret_cast<const uint32_t*>(s0 + sStep * r) : nullptr;
        const uint8_t* m = mask ? m0 + mStep * r : nullptr;
        if (mirror) {
            if (s) {
                uint32_t* t = scratch32(0, p.w);
                for (int32_t i = 0; i < p.w; ++i) t[i] = s[p.w - 1 - i];
                s = t;
            }
            if (m) {
                uint8_t* t = scratch8(0, p.w);
                for (int32_t i = 0; i < p.w; ++i) t[i] = m[p.w - 1 - i];
                m = t;
            }
        }
        fn(d, s, m, p.w);
    }
}

} // namespace nuvo::detail
