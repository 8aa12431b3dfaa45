#include "render/wipe/WipeRows.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nuvo::wipe {

namespace {

// d := base where over == base, else Blend(over, base, a): DrawAlpha of over
// onto a copy of base, in one pass (the same memory traffic as one blend).
void crossFadeRow(uint32_t* d, const uint32_t* base, const uint32_t* over, int32_t n, uint32_t a) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i w = _mm_set1_epi16(static_cast<short>(a)), iw = _mm_set1_epi16(static_cast<short>(255 - a));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        const __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(over + i));
        const auto half = [&](__m128i ov, __m128i bv) {
            return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(ov, w), _mm_mullo_epi16(bv, iw)), 8);
        };
        const __m128i blended = _mm_packus_epi16(half(_mm_unpacklo_epi8(o, zero), _mm_unpacklo_epi8(b, zero)),
                                                 half(_mm_unpackhi_epi8(o, zero), _mm_unpackhi_epi8(b, zero)));
        const __m128i same = _mm_cmpeq_epi32(o, b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_or_si128(_mm_and_si128(same, b), _mm_andnot_si128(same, blended)));
    }
#endif
    for (; i < n; ++i)
        d[i] = over[i] == base[i] ? base[i] : detail::blend32(over[i], base[i], a);
}

} // namespace

TRowAccess::TRowAccess(TCustomDIBX& surface, int32_t width, int32_t height) : surface_(surface), width_(width) {
    if (detail::useFastPaths() && surface.BitCount() == 32 && surface.Width() >= width && surface.Height() >= height &&
        width > 0 && height > 0) {
        base_ = surface.PixelPtr(0, 0);
        step_ = surface.RowStep();
    }
    if (!base_) buffer_.resize(static_cast<size_t>(std::max(width, 0)));
}

TRowAccess::~TRowAccess() {
    if (base_) surface_.UnlockPixels();
}

const uint32_t* TRowAccess::read(int32_t y) {
    if (base_) return reinterpret_cast<const uint32_t*>(base_ + step_ * y);
    for (int32_t x = 0; x < width_; ++x)
        buffer_[static_cast<size_t>(x)] = static_cast<uint32_t>(surface_.GetPixel(x, y));
    return buffer_.data();
}

uint32_t* TRowAccess::write(int32_t y) {
    if (base_) return reinterpret_cast<uint32_t*>(base_ + step_ * y);
    return buffer_.data();
}

void TRowAccess::commit(int32_t y) {
    if (base_) return;
    for (int32_t x = 0; x < width_; ++x)
        surface_.SetPixel(x, y, static_cast<int32_t>(buffer_[static_cast<size_t>(x)]));
}

bool canUseKernels(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to) {
    if (!kernels() || dest.BitCount() != 32 || from.BitCount() != 32 || to.BitCount() != 32) return false;
    if (&dest == &from || &dest == &to) return false;
    return from.Width() >= dest.Width() && from.Height() >= dest.Height() && to.Width() >= dest.Width() &&
           to.Height() >= dest.Height();
}

void blendCopy(TCustomDIBX& dest, TCustomDIBX& base, TCustomDIBX& over, int32_t alpha) {
    const int32_t w = dest.Width(), h = dest.Height();
    if (canUseKernels(dest, base, over)) {
        TRowAccess d(dest, w, h), b(base, w, h), o(over, w, h);
        const auto a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
        for (int32_t y = 0; y < h; ++y) {
            if (a == 0)
                std::memcpy(d.write(y), b.read(y), static_cast<size_t>(w) * 4);
            else
                crossFadeRow(d.write(y), b.read(y), o.read(y), w, a);
        }
        return;
    }
    dest.Assign(base);
    dest.DrawAlpha(0, 0, over, TRect{0, 0, over.Width(), over.Height()}, alpha, false);
}

void tintedCopy(TCustomDIBX& dest, TCustomDIBX& base, int32_t grey, bool add) {
    const int32_t w = dest.Width(), h = dest.Height();
    if (canUseKernels(dest, base, base)) {
        TRowAccess d(dest, w, h), s(base, w, h);
        const detail::TRowKernels32* k = kernels();
        const auto g = static_cast<uint32_t>(grey);
        for (int32_t y = 0; y < h; ++y) {
            uint32_t* row = d.write(y);
            std::memcpy(row, s.read(y), static_cast<size_t>(w) * 4);
            if (g) (add ? k->fillAdd : k->fillSub)(row, w, g);
        }
        return;
    }
    dest.Assign(base);
    const TRect all{0, 0, w, h};
    if (add)
        dest.FillRectAdd(all, grey);
    else
        dest.FillRectSub(all, grey);
}

} // namespace nuvo::wipe
