// Kinds that pass through white or black pixel by pixel (spotlight, mask
// white, mask black) and the blur kinds.
#include "render/wipe/WipeFamilies.h"
#include "render/wipe/WipeRows.h"
#include "render/wipe/WipeShapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace nuvo {

using wipe::mulDiv;
using wipe::roundEven;

namespace {

// What a pixel shows at one level: From or To, brightened (darkened) by a
// grey pixel.
struct TTint {
    std::vector<uint8_t> useTo;
    std::vector<uint32_t> grey;
    void resize(size_t n) {
        useTo.assign(n, 0);
        grey.assign(n, 0);
    }
};

// Dest(x, y) := the tint of entry index(x, y), applied to From or To.
template <class Index>
void drawTinted(TCustomWipe& w, const Index* index, int64_t indexStride, const TTint& tint, bool add) {
    TCustomDIBX& dest = w.Dest();
    const int32_t width = dest.Width(), height = dest.Height();
    wipe::TRowAccess d(dest, width, height), f(w.From(), width, height), s(w.To(), width, height);
    const wipe::TPixelMath math(dest.BitCount(), d.direct() && f.direct() && s.direct());
    const uint8_t* useTo = tint.useTo.data();
    const uint32_t* grey = tint.grey.data();
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* fr = f.read(y);
        const uint32_t* sr = s.read(y);
        const Index* ir = index + indexStride * y;
        uint32_t* dr = d.write(y);
        if (!math.layout) {
            for (int32_t x = 0; x < width; ++x) {
                const auto i = ir[x];
                const uint32_t p = useTo[i] ? sr[x] : fr[x];
                dr[x] = add ? detail::addSat32(grey[i], p) : detail::subSat32(grey[i], p);
            }
        } else {
            for (int32_t x = 0; x < width; ++x) {
                const auto i = ir[x];
                const uint32_t p = useTo[i] ? sr[x] : fr[x];
                dr[x] = add ? math.add(grey[i], p) : math.sub(grey[i], p);
            }
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
        for (int32_t n = 0; n <= maxDistance_; ++n) {
            const size_t i = static_cast<size_t>(n);
            const int64_t into = b - n; // levels since the ring reached this distance
            tint_.useTo[i] = into >= 256;
            const int64_t g = into < 0 ? 0 : into < 256 ? into : into < 512 ? 511 - into : 0;
            tint_.grey[i] = static_cast<uint32_t>(greyPixel(static_cast<int32_t>(g)));
        }
        drawTinted(*this, distance_.data(), w, tint_, true);
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
        tint_.resize(static_cast<size_t>(maxDistance_) + 1);
    }

    std::vector<uint16_t> distance_;
    int32_t maxDistance_ = 0;
    TTint tint_;
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
        tint_.resize(256);
    }

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        if (grey_.Width() < width() || grey_.Height() < height()) return;
        // The ramp: 0 for 0..255, i - 256 for 256..767, 511 from 768 on; a
        // pixel of grey g takes v = ramp[n + g].
        const int64_t n = mulDiv(768, t, T);
        for (int g = 0; g < 256; ++g) {
            const int64_t v = std::clamp<int64_t>(n + g - 256, 0, 511);
            tint_.useTo[static_cast<size_t>(g)] = v >= 256;
            tint_.grey[static_cast<size_t>(g)] =
                static_cast<uint32_t>(greyPixel(static_cast<int32_t>(v < 256 ? v : 511 - v)));
        }
        drawTinted(*this, grey_.Bits(), grey_.RowStep(), tint_, add_);
    }

private:
    bool add_;
    TDIBX grey_{1, 1, 8};
    TTint tint_;
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
