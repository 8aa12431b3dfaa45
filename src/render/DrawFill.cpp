// Fills: solid, translucent, additive and subtractive rectangles, frames and
// the mask fill used for single-colour text.
#include "render/CustomDIBX.h"
#include "render/detail/DrawCommon.h"

#include <algorithm>
#include <cstring>

namespace nuvo {

using namespace detail;

namespace {

bool planFill(const TCustomDIBX& s, const TRect& rect, TBlitPlan& plan) {
    const TRect r = intersectRect(rect, s.EffectiveClip());
    if (r.isEmpty()) return false;
    plan.dx = r.Left;
    plan.dy = r.Top;
    plan.w = r.Width();
    plan.h = r.Height();
    return true;
}

// Direct fills of byte-aligned formats; false when the format has none.
bool fillMemory(TCustomDIBX& s, const TBlitPlan& p, uint32_t pixel) {
    const int bits = s.StorageBitCount();
    if ((bits == 1 || bits == 4) && p.dx == 0 && p.w == s.Width()) {
        // Whole rows of a sub-byte format: bytes of the repeated index.
        TAccessSet access;
        uint8_t* base = access.open(s, 0, p.dy);
        if (!base) return true;
        const uint8_t v = bits == 1 ? ((pixel & 1) ? 0xFF : 0x00) : static_cast<uint8_t>((pixel & 15) * 0x11);
        // Whole bytes only; the last few pixels of a row go one by one so
        // the bits past the width stay as they are.
        const int32_t perByte = 8 / bits;
        const int32_t whole = p.w / perByte;
        for (int32_t r = 0; r < p.h; ++r) {
            std::memset(base + int64_t{s.RowStep()} * r, v, static_cast<size_t>(whole));
            for (int32_t x = whole * perByte; x < p.w; ++x) s.SetPixel(x, p.dy + r, static_cast<int32_t>(pixel));
        }
        return true;
    }
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    TAccessSet access;
    uint8_t* base = access.open(s, p.dx, p.dy);
    if (!base) return true;
    const int64_t step = s.RowStep();
    for (int32_t r = 0; r < p.h; ++r) {
        uint8_t* row = base + step * r;
        switch (bits) {
        case 8: std::memset(row, static_cast<int>(pixel & 0xFF), static_cast<size_t>(p.w)); break;
        case 16: {
            const uint16_t v = static_cast<uint16_t>(pixel);
            for (int32_t i = 0; i < p.w; ++i) std::memcpy(row + 2 * i, &v, 2);
            break;
        }
        case 24:
            for (int32_t i = 0; i < p.w; ++i) {
                row[3 * i] = static_cast<uint8_t>(pixel);
                row[3 * i + 1] = static_cast<uint8_t>(pixel >> 8);
                row[3 * i + 2] = static_cast<uint8_t>(pixel >> 16);
            }
            break;
        default: std::fill_n(reinterpret_cast<uint32_t*>(row), p.w, pixel); break;
        }
    }
    return true;
}

template <class F>
void forEachFillPixel(const TBlitPlan& p, F&& f) {
    for (int32_t y = p.dy; y < p.dy + p.h; ++y)
        for (int32_t x = p.dx; x < p.dx + p.w; ++x) f(x, y);
}

} // namespace

void TCustomDIBX::Clear(int32_t pixel) { FillRect(TRect{0, 0, width_, height_}, pixel); }

void TCustomDIBX::FillRect(const TRect& rect, int32_t pixel) {
    TBlitPlan p;
    if (!isValidBitCount(BitCount()) || !planFill(*this, rect, p)) return;
    if (useFastPaths() && fillMemory(*this, p, static_cast<uint32_t>(pixel))) return;
    forEachFillPixel(p, [&](int32_t x, int32_t y) { SetPixel(x, y, pixel); });
}

void TCustomDIBX::FillRectAlpha(const TRect& rect, int32_t pixel, int32_t alpha) {
    TBlitPlan p;
    if (alpha <= 0 || !isValidBitCount(BitCount()) || !planFill(*this, rect, p)) return;
    const uint32_t a = clampWeight(alpha);
    const uint32_t px = static_cast<uint32_t>(pixel);
    if (BitCount() == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, nullptr, nullptr, p,
                      [&](uint32_t* d, const uint32_t*, const uint8_t*, int n) { k->fillAlpha(d, n, px, a); });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(BitCount());
    forEachFillPixel(p, [&](int32_t x, int32_t y) {
        const uint32_t d = static_cast<uint32_t>(GetPixel(x, y));
        if (d != px) SetPixel(x, y, static_cast<int32_t>(chBlend(l, px, d, a)));
    });
}

void TCustomDIBX::FillRectAdd(const TRect& rect, int32_t pixel) {
    TBlitPlan p;
    if (!isValidBitCount(BitCount()) || !planFill(*this, rect, p)) return;
    const uint32_t px = static_cast<uint32_t>(pixel);
    if (BitCount() == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, nullptr, nullptr, p,
                      [&](uint32_t* d, const uint32_t*, const uint8_t*, int n) { k->fillAdd(d, n, px); });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(BitCount());
    forEachFillPixel(p, [&](int32_t x, int32_t y) {
        SetPixel(x, y, static_cast<int32_t>(chAdd(l, px, static_cast<uint32_t>(GetPixel(x, y)))));
    });
}

void TCustomDIBX::FillRectSub(const TRect& rect, int32_t pixel) {
    TBlitPlan p;
    if (!isValidBitCount(BitCount()) || !planFill(*this, rect, p)) return;
    const uint32_t px = static_cast<uint32_t>(pixel);
    if (BitCount() == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, nullptr, nullptr, p,
                      [&](uint32_t* d, const uint32_t*, const uint8_t*, int n) { k->fillSub(d, n, px); });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(BitCount());
    forEachFillPixel(p, [&](int32_t x, int32_t y) {
        SetPixel(x, y, static_cast<int32_t>(chSub(l, px, static_cast<uint32_t>(GetPixel(x, y)))));
    });
}

namespace {

// The four bands of a frame: top, bottom, then left and right between them.
template <class Fill>
void frameBands(const TRect& r, int32_t lineWidth, Fill&& fill) {
    const int64_t lw = lineWidth;
    const auto clamp32 = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    fill(TRect{r.Left, r.Top, r.Right, clamp32(r.Top + lw)});
    fill(TRect{r.Left, clamp32(r.Bottom - lw), r.Right, r.Bottom});
    if (r.height64() - 2 * lw > 0) {
        const int32_t top = clamp32(r.Top + lw), bottom = clamp32(r.Bottom - lw);
        fill(TRect{r.Left, top, clamp32(r.Left + lw), bottom});
        fill(TRect{clamp32(r.Right - lw), top, r.Right, bottom});
    }
}

} // namespace

void TCustomDIBX::FrameRect(const TRect& rect, int32_t lineWidth, int32_t pixel) {
    frameBands(rect, lineWidth, [&](const TRect& band) { FillRect(band, pixel); });
}

void TCustomDIBX::FrameRectAlpha(const TRect& rect, int32_t lineWidth, int32_t pixel, int32_t alpha) {
    frameBands(rect, lineWidth, [&](const TRect& band) { FillRectAlpha(band, pixel, alpha); });
}

void TCustomDIBX::FrameRectAdd(const TRect& rect, int32_t lineWidth, int32_t pixel) {
    frameBands(rect, lineWidth, [&](const TRect& band) { FillRectAdd(band, pixel); });
}

void TCustomDIBX::FrameTiled(const TRect& rect, int32_t lineWidth, bool flipH, bool flipV, TCustomDIBX& source) {
    frameBands(rect, lineWidth, [&](const TRect& band) {
        FillTiled(band, source, flipH, flipV, band.Left - rect.Left, band.Top - rect.Top);
    });
}

void TCustomDIBX::FillMask(int32_t x, int32_t y, const TRect& sourceRect, TCustomDIBX& mask, int32_t pixel,
                           int32_t alpha, bool flipH, bool flipV) {
    if (alpha <= 0 || mask.BitCount() != 8 || !isValidBitCount(BitCount())) return;
    if (sourceRect.Left < 0 || sourceRect.Top < 0 || sourceRect.Right > mask.Width() ||
        sourceRect.Bottom > mask.Height())
        return;
    TBlitPlan p;
    if (!planBlit(EffectiveClip(), x, y, sourceRect, surfaceBounds(mask), flipH, flipV, p)) return;
    const uint32_t a = clampWeight(alpha);
    const uint32_t px = static_cast<uint32_t>(pixel);
    std::unique_ptr<TDIBX> detached = detachSelfSource(*this, mask, p);
    TCustomDIBX& m = detached ? *detached : mask;
    if (detached) {
        p.mx = p.sx;
        p.my = p.sy;
    }
    if (BitCount() == 32)
        if (const TRowKernels32* k = activeKernels32()) {
            runRows32(*this, nullptr, &m, p,
                      [&](uint32_t* d, const uint32_t*, const uint8_t* mm, int n) { k->fillMask(d, mm, n, px, a); });
            return;
        }
    const TChannelLayout& l = channelLayoutOf(BitCount());
    forEachPixel(p, [&](int32_t dx, int32_t dy, int32_t, int32_t, int32_t mx, int32_t my) {
        const uint32_t mv = static_cast<uint32_t>(m.GetPixel(mx, my));
        if (!mv) return;
        const uint32_t d = static_cast<uint32_t>(GetPixel(dx, dy));
        if (d == px) return;
        SetPixel(dx, dy, static_cast<int32_t>(chBlend(l, px, d, a == 255 ? mv : (a * mv) >> 8)));
    });
}

} // namespace nuvo
