// Kinds that pass through white or black pixel by pixel (spotlight, mask
// white, mask black) and the blur kinds.
#include "render/wipe/WipeFamilies.h"
#include "render/wipe/WipeRows.h"
#include "render/wipe/WipeShapes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nuvo {

using wipe::mulDiv;
using wipe::roundEven;

namespace {

// The pass through white (add) or black of the light kinds, per pixel level
// L = offset + sign x index(x, y):
//   L < 0          From
//   0 <= L < 256   From brightened (darkened) by grey L
//   256 <= L < 512 To brightened (darkened) by grey 511 - L
//   L >= 512       To
struct TLightRule {
    int32_t offset = 0;
    int32_t sign = 1;
    bool add = true;
    int32_t level(int32_t index) const { return offset + sign * index; }
};

inline int32_t greyLevel(int32_t l) { return l < 0 ? 0 : l < 256 ? l : l < 512 ? 511 - l : 0; }

#if defined(__SSE2__)
inline __m128i loadIndexes(const uint16_t* p) {
    return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
inline __m128i loadIndexes(const uint8_t* p) {
    int32_t four;
    std::memcpy(&four, p, 4);
    const __m128i z = _mm_setzero_si128();
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(four), z), z);
}
#endif

// One row of 32-bit pixels.
template <class Index>
void lightRow32(uint32_t* d, const uint32_t* from, const uint32_t* to, const Index* index, int32_t n,
                const TLightRule& rule) {
    int32_t x = 0;
#if defined(__SSE2__)
    const __m128i offset = _mm_set1_epi32(rule.offset), zero = _mm_setzero_si128();
    const __m128i c256 = _mm_set1_epi32(256), c511 = _mm_set1_epi32(511), c512 = _mm_set1_epi32(512);
    for (; x + 4 <= n; x += 4) {
        const __m128i i = loadIndexes(index + x);
        const __m128i l = rule.sign < 0 ? _mm_sub_epi32(offset, i) : _mm_add_epi32(offset, i);
        const __m128i below0 = _mm_cmpgt_epi32(zero, l), below256 = _mm_cmpgt_epi32(c256, l);
        const __m128i below512 = _mm_cmpgt_epi32(c512, l);
        const __m128i g = _mm_or_si128(_mm_and_si128(_mm_andnot_si128(below0, below256), l),
                                       _mm_and_si128(_mm_andnot_si128(below256, below512), _mm_sub_epi32(c511, l)));
        const __m128i grey = _mm_or_si128(g, _mm_or_si128(_mm_slli_epi32(g, 8), _mm_slli_epi32(g, 16)));
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + x));
        const __m128i p = _mm_or_si128(_mm_and_si128(below256, f), _mm_andnot_si128(below256, t));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), rule.add ? _mm_adds_epu8(p, grey) : _mm_subs_epu8(p, grey));
    }
#endif
    for (; x < n; ++x) {
        const int32_t l = rule.level(index[x]);
        const uint32_t p = l < 256 ? from[x] : to[x];
        const auto g = static_cast<uint32_t>(greyLevel(l)) * 0x010101u;
        d[x] = rule.add ? detail::addSat32(g, p) : detail::subSat32(g, p);
    }
}

// Dest from From, To and the per-pixel indexes (rows indexStride apart).
template <class Index>
void drawThroughLight(TCustomWipe& w, const Index* index, int64_t indexStride, const TLightRule& rule,
                      const std::array<int32_t, 256>& greys) {
    TCustomDIBX& dest = w.Dest();
    const int32_t width = dest.Width(), height = dest.Height();
    wipe::TRowAccess d(dest, width, height), f(w.From(), width, height), s(w.To(), width, height);
    const bool fast = d.direct() && f.direct() && s.direct();
    const wipe::TPixelMath math(dest.BitCount(), false);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* fr = f.read(y);
        const uint32_t* sr = s.read(y);
        const Index* ir = index + indexStride * y;
        uint32_t* dr = d.write(y);
        if (fast) {
            lightRow32(dr, fr, sr, ir, width, rule);
            continue;
        }
        for (int32_t x = 0; x < width; ++x) {
            const int32_t l = rule.level(ir[x]);
            const uint32_t p = l < 256 ? fr[x] : sr[x];
            const auto g = static_cast<uint32_t>(greys[static_cast<size_t>(greyLevel(l))]);
            dr[x] = rule.add ? math.add(g, p) : math.sub(g, p);
        }
        d.commit(y);
    }
}

} // namespace

// ---- Spotlight -------------------------------------------------------------------

// A bright ring spreads from the centre (Reverse: from the corners): each
// pixel brightens to white as it passes and comes back as To.
class TWipeSpot : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

    void SetReverse(bool flag) override {
        TCustomWipe::SetReverse(flag);
        buildDistances();
    }

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const int32_t w = width(), h = height();
        if (distance_.size() != static_cast<size_t>(w) * static_cast<size_t>(h)) buildDistances();
        const int64_t b = mulDiv(roundEven(std::hypot(double(h / 2), double(w / 2))) + 512, t, T);
        // The ring has reached a pixel at distance n for b - n levels.
        drawThroughLight(*this, distance_.data(), w, TLightRule{static_cast<int32_t>(b), -1, true}, greyTable());
    }

private:
    void buildDistances() {
        const int32_t w = width(), h = height();
        distance_.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
        maxDistance_ = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const auto d = static_cast<uint16_t>(roundEven(std::hypot(double(x - w / 2), double(y - h / 2))));
                distance_[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] = d;
                maxDistance_ = std::max<int32_t>(maxDistance_, d);
            }
        if (reverse_)
            for (uint16_t& d : distance_)
                d = static_cast<uint16_t>(maxDistance_ - d);
    }

    std::vector<uint16_t> distance_;
    int32_t maxDistance_ = 0;
};

// ---- Mask white and black ------------------------------------------------------

// Pixels pass through white (black) one after the other, the bright parts of
// the mask picture first.
class TWipeShadowLight : public TCustomWipe {
public:
    TWipeShadowLight(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context, bool add)
        : TCustomWipe(dest, from, to, context), add_(add) {}

    void Prepare() override {
        TCustomWipe::Prepare();
        loadGreyMask(grey_);
    }

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        if (grey_.Width() < width() || grey_.Height() < height()) return;
        // The ramp: 0 for 0..255, i - 256 for 256..767, 511 from 768 on; a
        // pixel of grey g takes v = ramp[n + g], which is the light rule's
        // level n + g - 256 with its ends held.
        const auto n = static_cast<int32_t>(mulDiv(768, t, T));
        drawThroughLight(*this, grey_.Bits(), grey_.RowStep(), TLightRule{n - 256, 1, add_}, greyTable());
    }

private:
    bool add_;
    TDIBX grey_{1, 1, 8};
};

class TWipeShadowWhite : public TWipeShadowLight {
public:
    TWipeShadowWhite(TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c)
        : TWipeShadowLight(d, f, t, c, true) {}
};

class TWipeShadowBlack : public TWipeShadowLight {
public:
    TWipeShadowBlack(TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c)
        : TWipeShadowLight(d, f, t, c, false) {}
};

// ---- Blur white and black ------------------------------------------------------

// From blurs, flashes white (black), and To comes out of the flash sharpening.
// The blurred pictures are made when first needed, so they show From and To
// as painted by then.
class TWipeBlurWhite : public TCustomWipe {
public:
    TWipeBlurWhite(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context, bool add = true)
        : TCustomWipe(dest, from, to, context), add_(add) {}

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const auto b = static_cast<int32_t>(mulDiv(t, 639, T));
        if (b < 256) {
            wipe::blendCopy(Dest(), From(), blurred(From(), blurFrom_), b);
        } else if (b < 320) {
            wipe::tintedCopy(Dest(), blurred(From(), blurFrom_), greyPixel((b - 256) * 4), add_);
        } else if (b < 384) {
            wipe::tintedCopy(Dest(), blurred(To(), blurTo_), greyPixel((383 - b) * 4), add_);
        } else {
            wipe::blendCopy(Dest(), To(), blurred(To(), blurTo_), 639 - b);
        }
    }

private:
    // The blurred copy of a picture at Dest's format, radius min(W, H) / 20.
    TDIBX& blurred(TCustomDIBX& picture, std::unique_ptr<TDIBX>& copy) {
        if (copy) return *copy;
        const int32_t w = std::max(picture.Width(), 1), h = std::max(picture.Height(), 1);
        TDIBX work(w, h, 32);
        ConvertPixels(picture, work);
        wipe::blur32(work, std::min(width(), height()) / 20);
        copy = std::make_unique<TDIBX>(w, h, Dest().BitCount());
        if (Dest().BitCount() == 32)
            copy->TakeStorage(std::move(work));
        else
            ConvertPixels(work, *copy);
        return *copy;
    }

    bool add_;
    std::unique_ptr<TDIBX> blurFrom_, blurTo_;
};

class TWipeBlurBlack : public TWipeBlurWhite {
public:
    TWipeBlurBlack(TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c)
        : TWipeBlurWhite(d, f, t, c, false) {}
};

// ---- Family entry ---------------------------------------------------------------

namespace wipe {

TWipePtr createLightWipe(int32_t kind, TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c) {
    switch (kind) {
    case WP_SPOT:
        return std::make_unique<TWipeSpot>(d, f, t, c);
    case WP_MASKWHITE:
        return std::make_unique<TWipeShadowWhite>(d, f, t, c);
    case WP_MASKBLACK:
        return std::make_unique<TWipeShadowBlack>(d, f, t, c);
    case WP_BLURWHITE:
        return std::make_unique<TWipeBlurWhite>(d, f, t, c);
    case WP_BLURBLACK:
        return std::make_unique<TWipeBlurBlack>(d, f, t, c);
    default:
        return nullptr;
    }
}

} // namespace wipe

} // namespace nuvo
