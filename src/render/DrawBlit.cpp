// Positioned draws: copies, masked, translucent and additive draws and the
// palette draws, each with a general path over the pixel accessors and fast
// paths on pixel memory.
#include "render/CustomDIBX.h"
#include "render/detail/DrawCommon.h"

#include <cstring>

namespace nuvo {

using namespace detail;

namespace {

struct TDrawSetup {
    TBlitPlan plan;
    std::unique_ptr<TDIBX> detached;
    TCustomDIBX* source = nullptr;
};

// Format checks and clipping shared by every positioned draw of a source
// (and optionally a mask) onto dest.
bool setupDraw(TCustomDIBX& dest, int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
               TCustomDIBX* mask, bool flipH, bool flipV, TDrawSetup& setup) {
    if (!isValidBitCount(dest.BitCount()) || source.BitCount() != dest.BitCount()) return false;
    TRect bounds = surfaceBounds(source);
    if (mask) {
        if (mask->BitCount() != 8) return false;
        bounds = intersectRect(bounds, surfaceBounds(*mask));
    }
    if (!planBlit(dest.EffectiveClip(), x, y, sourceRect, bounds, flipH, flipV, setup.plan)) return false;
    setup.detached = detachSelfSource(dest, source, setup.plan);
    setup.source = setup.detached ? setup.detached.get() : &source;
    return true;
}

// The source's key as a comparable value, or none.
bool keyOf(const TCustomDIBX& source, bool useKey, uint32_t& key) {
    key = static_cast<uint32_t>(source.TransparentColor);
    return useKey && source.TransparentColor != -1;
}

// Copies of byte-aligned formats without key or mirroring: whole rows.
bool copyRows(TCustomDIBX& dest, TCustomDIBX& src, const TBlitPlan& p) {
    const int bits = dest.StorageBitCount();
    if (bits < 8 || p.sxStep < 0) return false;
    TAccessSet access;
    uint8_t* d0 = access.open(dest, p.dx, p.dy);
    uint8_t* s0 = d0 ? access.open(src, p.sx, p.sy) : nullptr;
    if (!s0) return true;
    const size_t bytes = static_cast<size_t>(p.w) * static_cast<size_t>(bits / 8);
    const int64_t dStep = dest.RowStep(), sStep = int64_t{src.RowStep()} * p.syStep;
    for (int32_t r = 0; r < p.h; ++r) std::memcpy(d0 + dStep * r, s0 + sStep * r, bytes);
    return true;
}

} // namespace

void TCustomDIBX::Draw(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, bool useKey, bool flipH,
                       bool flipV) {
    TDrawSetup s;
    if (!setupDraw(*this, x, y, source, sourceRect, nullptr, flipH, flipV, s)) return;
    uint32_t key;
    const bool keyed = keyOf(source, useKey, key);
    if (useFastPaths()) {
        if (!keyed && copyRows(*this, *s.source, s.plan)) return;
        if (BitCount() == 32) {
            const TRowKernels32* k = activeKernels32();
            runRows32(*this, s.source, nullptr, s.plan, [&](uint32_t* d, const uint32_t* sp, const uint8_t*, int n) {
                if (keyed)
                    k->copyKey(d, sp, n, key);
                else
                    std::memcpy(d, sp, static_cast<size_t>(n) * 4);
            });
            return;
        }
    }
    TCustomDIBX& src = *s.source;
    forEachPixel(s.plan, [&](int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t, int32_t) {
        const int32_t v = src.GetPixel(sx, sy);
        if (!keyed || static_cast<uint32_t>(v) != key) SetPixel(dx, dy, v);
    });
}

void TCustomDIBX::DrawMask(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, TCustomDIBX& mask,
                           bool flipH, bool flipV) {
    TDrawSetup s;
    if (!setupDraw(*this, x, y, source, sourceRect, &mask, flipH, flipV, s)) return;
    if (BitCount() == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, s.source, &mask, s.plan,
                      [&](uint32_t* d, const uint32_t* sp, const uint8_t* m, int n) { k->mask(d, sp, m, n); });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(BitCount());
    TCustomDIBX& src = *s.source;
    forEachPixel(s.plan, [&](int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t mx, int32_t my) {
        const uint32_t m = static_cast<uint32_t>(mask.GetPixel(mx, my));
        if (!m) return;
        const uint32_t v = static_cast<uint32_t>(src.GetPixel(sx, sy));
        SetPixel(dx, dy, static_cast<int32_t>(m == 255 ? v : chBlend(l, v, static_cast<uint32_t>(GetPixel(dx, dy)), m)));
    });
}

void TCustomDIBX::DrawAlpha(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, int32_t alpha,
                            bool useKey, bool flipH, bool flipV) {
    if (alpha <= 0) return;
    TDrawSetup s;
    if (!setupDraw(*this, x, y, source, sourceRect, nullptr, flipH, flipV, s)) return;
    const uint32_t a = clampWeight(alpha);
    uint32_t key;
    const bool keyed = keyOf(source, useKey, key);
    if (BitCount() == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, s.source, nullptr, s.plan, [&](uint32_t* d, const uint32_t* sp, const uint8_t*, int n) {
                k->alpha(d, sp, n, a, keyed, key);
            });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(BitCount());
    TCustomDIBX& src = *s.source;
    forEachPixel(s.plan, [&](int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t, int32_t) {
        const uint32_t v = static_cast<uint32_t>(src.GetPixel(sx, sy));
        if (keyed && v == key) return;
        const uint32_t d = static_cast<uint32_t>(GetPixel(dx, dy));
        if (v != d) SetPixel(dx, dy, static_cast<int32_t>(chBlend(l, v, d, a)));
    });
}

void TCustomDIBX::DrawAlphaMask(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
                                TCustomDIBX& mask, int32_t alpha, bool flipH, bool flipV) {
    if (alpha <= 0) return;
    TDrawSetup s;
    if (!setupDraw(*this, x, y, source, sourceRect, &mask, flipH, flipV, s)) return;
    const uint32_t a = clampWeight(alpha);
    if (BitCount() == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, s.source, &mask, s.plan,
                      [&](uint32_t* d, const uint32_t* sp, const uint8_t* m, int n) { k->alphaMask(d, sp, m, n, a); });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(BitCount());
    TCustomDIBX& src = *s.source;
    forEachPixel(s.plan, [&](int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t mx, int32_t my) {
        const uint32_t m = static_cast<uint32_t>(mask.GetPixel(mx, my));
        if (!m) return;
        const uint32_t v = static_cast<uint32_t>(src.GetPixel(sx, sy));
        SetPixel(dx, dy, static_cast<int32_t>(chBlend(l, v, static_cast<uint32_t>(GetPixel(dx, dy)), (a * m) >> 8)));
    });
}

void TCustomDIBX::DrawAdd(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, int32_t amount,
                          bool flipH, bool flipV) {
    if (amount <= 0) return;
    TDrawSetup s;
    if (!setupDraw(*this, x, y, source, sourceRect, nullptr, flipH, flipV, s)) return;
    const uint32_t am = clampWeight(amount);
    uint32_t key;
    const bool keyed = keyOf(source, true, key);
    if (BitCount() == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, s.source, nullptr, s.plan, [&](uint32_t* d, const uint32_t* sp, const uint8_t*, int n) {
                k->add(d, sp, n, am, keyed, key);
            });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(BitCount());
    const bool palette = isPaletteBitCount(BitCount());
    TCustomDIBX& src = *s.source;
    forEachPixel(s.plan, [&](int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t, int32_t) {
        const uint32_t v = static_cast<uint32_t>(src.GetPixel(sx, sy));
        if (keyed && v == key) return;
        const uint32_t d = static_cast<uint32_t>(GetPixel(dx, dy));
        SetPixel(dx, dy, static_cast<int32_t>(palette ? chAdd(l, v, d) : chAddScaled(l, v, d, am)));
    });
}

void TCustomDIBX::DrawAddMask(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect, TCustomDIBX& mask,
                              int32_t amount, bool flipH, bool flipV) {
    if (amount <= 0) return;
    TDrawSetup s;
    if (!setupDraw(*this, x, y, source, sourceRect, &mask, flipH, flipV, s)) return;
    const uint32_t am = clampWeight(amount);
    if (BitCount() == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, s.source, &mask, s.plan,
                      [&](uint32_t* d, const uint32_t* sp, const uint8_t* m, int n) { k->addMask(d, sp, m, n, am); });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(BitCount());
    TCustomDIBX& src = *s.source;
    forEachPixel(s.plan, [&](int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t mx, int32_t my) {
        const uint32_t m = static_cast<uint32_t>(mask.GetPixel(mx, my));
        if (!m) return;
        const uint32_t v = static_cast<uint32_t>(src.GetPixel(sx, sy));
        SetPixel(dx, dy,
                 static_cast<int32_t>(chAddScaled(l, v, static_cast<uint32_t>(GetPixel(dx, dy)), (am * m) >> 8)));
    });
}

namespace {

enum class TPaletteMode { Blend, Add };

void drawPaletteImpl(TCustomDIBX& dest, int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
                     const int32_t* lookup, int32_t alpha, bool flipH, bool flipV, TPaletteMode mode) {
    if (alpha <= 0 || !lookup || source.BitCount() != 8 || isPaletteBitCount(dest.BitCount()) ||
        !isValidBitCount(dest.BitCount()))
        return;
    TBlitPlan p;
    if (!planBlit(dest.EffectiveClip(), x, y, sourceRect, surfaceBounds(source), flipH, flipV, p)) return;
    std::unique_ptr<TDIBX> detached = detachSelfSource(dest, source, p);
    TCustomDIBX& src = detached ? *detached : source;
    const bool copy = mode == TPaletteMode::Blend && alpha >= 255;
    const uint32_t a = clampWeight(alpha);
    if (dest.BitCount() == 32 && useFastPaths()) {
        TAccessSet access;
        uint8_t* d0 = access.open(dest, p.dx, p.dy);
        uint8_t* s0 = d0 ? access.open(src, p.srcLeft(), p.sy) : nullptr;
        if (!s0) return;
        const int64_t sStep = int64_t{src.RowStep()} * p.syStep;
        for (int32_t r = 0; r < p.h; ++r) {
            auto* d = reinterpret_cast<uint32_t*>(d0 + int64_t{dest.RowStep()} * r);
            const uint8_t* sr = s0 + sStep * r;
            for (int32_t c = 0; c < p.w; ++c) {
                const uint32_t v = static_cast<uint32_t>(lookup[sr[p.sxStep > 0 ? c : p.w - 1 - c]]);
                d[c] = copy ? v : mode == TPaletteMode::Blend ? blend32(v, d[c], a) : addScaled32(v, d[c], a);
            }
        }
        return;
    }
    const TChannelLayout& l = channelLayoutOf(dest.BitCount());
    forEachPixel(p, [&](int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t, int32_t) {
        const uint32_t v = static_cast<uint32_t>(lookup[src.GetPixel(sx, sy) & 0xFF]);
        if (copy) {
            dest.SetPixel(dx, dy, static_cast<int32_t>(v));
            return;
        }
        const uint32_t d = static_cast<uint32_t>(dest.GetPixel(dx, dy));
        dest.SetPixel(dx, dy, static_cast<int32_t>(mode == TPaletteMode::Blend ? chBlend(l, v, d, a)
                                                                                : chAddScaled(l, v, d, a)));
    });
}

} // namespace

void TCustomDIBX::DrawPalette(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
                              const int32_t* lookup, int32_t alpha, bool flipH, bool flipV) {
    drawPaletteImpl(*this, x, y, source, sourceRect, lookup, alpha, flipH, flipV, TPaletteMode::Blend);
}

void TCustomDIBX::DrawPaletteAdd(int32_t x, int32_t y, TCustomDIBX& source, const TRect& sourceRect,
                                 const int32_t* lookup, int32_t alpha, bool flipH, bool flipV) {
    drawPaletteImpl(*this, x, y, source, sourceRect, lookup, alpha, flipH, flipV, TPaletteMode::Add);
}

} // namespace nuvo
