// Kinds that move, stretch, fade or tint whole pictures with the surface
// operations: fade, scrolls, white, black, flash, mosaic, sudare, rubber,
// small, big and zoom in.
#include "render/wipe/WipeFamilies.h"
#include "render/wipe/WipeRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace nuvo {

using wipe::mulDiv;
using wipe::roundEven;

namespace {

TRect wholeOf(const TCustomDIBX& s) { return TRect{0, 0, s.Width(), s.Height()}; }
} // namespace

// ---- Fade -------------------------------------------------------------------------

// To fades in over From (and, with parameters, glides in from (P0, P1)).
class TWipeFade : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const double c = double(int64_t{T} - t - 1) / T;
        const int32_t x = roundEven(c * params_[0]), y = roundEven(c * params_[1]);
        const auto alpha = static_cast<int32_t>(mulDiv(t, 256, T));
        if (x == 0 && y == 0) {
            wipe::blendCopy(Dest(), From(), To(), alpha);
            return;
        }
        TCustomDIBX& dest = Dest();
        dest.Assign(From());
        dest.DrawAlpha(x, y, To(), wholeOf(To()), alpha, false);
    }
};

// ---- Scrolls ----------------------------------------------------------------------

// To pushes From out to the left (Reverse: to the right); V upwards (downwards).
void drawScroll(TCustomWipe& w, bool vertical, bool reverse, int32_t t, int32_t T) {
    TCustomDIBX& dest = w.Dest();
    const int32_t n = vertical ? dest.Height() : dest.Width();
    const auto a = static_cast<int32_t>(mulDiv(n, t, T));
    const int32_t fromAt = reverse ? a : -a;
    const int32_t toAt = reverse ? a - n : n - a;
    if (vertical) {
        dest.Draw(0, fromAt, w.From(), wholeOf(w.From()), false);
        dest.Draw(0, toAt, w.To(), wholeOf(w.To()), false);
    } else {
        dest.Draw(fromAt, 0, w.From(), wholeOf(w.From()), false);
        dest.Draw(toAt, 0, w.To(), wholeOf(w.To()), false);
    }
}

class TWipeScrollH : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override { drawScroll(*this, false, Reverse(), t, T); }
};

class TWipeScrollV : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override { drawScroll(*this, true, Reverse(), t, T); }
};

// ---- White, black, flash -------------------------------------------------------

// From brightens to white, then To comes out of the white (black: darkens).
class TWipeWhite : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const auto a = static_cast<int32_t>(mulDiv(t, 511, T));
        wipe::tintedCopy(Dest(), a < 256 ? From() : To(), greyPixel(a < 256 ? a : 511 - a), true);
    }
};

class TWipeBlack : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const auto a = static_cast<int32_t>(mulDiv(t, 511, T));
        wipe::tintedCopy(Dest(), a < 256 ? From() : To(), greyPixel(a < 256 ? a : 511 - a), false);
    }
};

// To appears out of white.
class TWipeFlash : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const auto b = static_cast<int32_t>(mulDiv(t, 255, T));
        wipe::tintedCopy(Dest(), To(), greyPixel(255 - b), true);
    }
};

// ---- Mosaic --------------------------------------------------------------------

// The picture is shrunk into a small buffer and blown up again: blocks grow,
// From turns into To while they are largest, and they shrink again.
class TWipeMosaic : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const auto p = static_cast<int32_t>(mulDiv(t, 1023, T));
        int32_t f = 0, toAlpha = 0;
        bool showFrom = true;
        if (p <= 255) {
            f = 263 - (p / 2) * 15 / 16;
        } else if (p <= 511) {
            f = 263 - (((p / 2) * 15) >> 4);
            toAlpha = (p - 256) / 4;
        } else {
            f = ((p - 512) / 2) * 15 / 16 + 24;
            if (p <= 767)
                toAlpha = (p - 256) / 2;
            else
                showFrom = false, toAlpha = 255;
        }
        const int32_t w = std::max(1, ((width() / 4) * f) >> 8);
        const int32_t h = std::max(1, ((height() / 4) * f) >> 8);
        if (buffer_.BitCount() != Dest().BitCount() || buffer_.Width() < w || buffer_.Height() < h)
            buffer_.SetSize(std::max(w, buffer_.Width()), std::max(h, buffer_.Height()), Dest().BitCount());
        const TRect small{0, 0, w, h};
        if (showFrom) buffer_.StretchDraw(small, From(), wholeOf(From()), 255, false);
        buffer_.StretchDraw(small, To(), wholeOf(To()), toAlpha, false);
        Dest().StretchDraw(wholeOf(Dest()), buffer_, small, 255, false);
    }

private:
    TDIBX buffer_{1, 1, 32};
};

// ---- Sudare and rubber ---------------------------------------------------------

// The edge column e of the picture is smeared over everything left of it
// (rubber: a strip of columns ending at e, widest a quarter of the way in),
// e running right across From and then back across To. Reverse mirrors it.
void drawSmear(TCustomWipe& w, bool vertical, bool rubber, int32_t t, int32_t T) {
    TCustomDIBX& dest = w.Dest();
    const int32_t n = vertical ? dest.Height() : dest.Width();
    const int32_t across = vertical ? dest.Width() : dest.Height();
    if (n <= 0) return;
    auto e = static_cast<int32_t>(mulDiv(2 * int64_t{n} - 1, t, T));
    TCustomDIBX* picture = &w.From();
    if (e >= n) {
        picture = &w.To();
        e = 2 * n - e - 1;
    }
    int32_t strip = 1;
    if (rubber) {
        const double half = T / 2.0;
        strip = std::clamp(roundEven(std::fabs(t - half) * (e / 2.0) / half), 1, e + 1);
    }
    // Along the axis: the smeared strip [s0, s1) is stretched over [d0, d1),
    // the untouched part [u0, u1) is copied.
    int32_t s0, s1, d0, d1, u0, u1;
    if (!w.Reverse()) {
        s0 = e - strip + 1, s1 = e + 1, d0 = 0, d1 = e + 1, u0 = e + 1, u1 = n;
    } else {
        const int32_t x0 = n - e - 1;
        s0 = x0, s1 = x0 + strip, d0 = x0, d1 = n, u0 = 0, u1 = x0;
    }
    const auto along = [&](int32_t a0, int32_t a1) {
        return vertical ? TRect{0, a0, across, a1} : TRect{a0, 0, a1, across};
    };
    dest.StretchDraw(along(d0, d1), *picture, along(s0, s1), 255, false);
    if (u0 < u1) {
        const TRect rest = along(u0, u1);
        dest.Draw(rest.Left, rest.Top, *picture, rest, false);
    }
}

class TWipeSudareH : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override { drawSmear(*this, false, false, t, T); }
};

class TWipeSudareV : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override { drawSmear(*this, true, false, t, T); }
};

class TWipeRubberH : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override { drawSmear(*this, false, true, t, T); }
};

class TWipeRubberV : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override { drawSmear(*this, true, true, t, T); }
};

// ---- Small and big -------------------------------------------------------------

// From shrinks and fades into the centre over To, turning by P0 / 256 turns.
class TWipeSmall : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const double c = double(int64_t{T} - t - 1) / T;
        const int32_t k = roundEven(c * 255);
        const double turn = double(params_[0]) * t / T;
        const int32_t angle = roundEven(Reverse() ? -turn : turn);
        Dest().Assign(To());
        TCustomDIBX& f = From();
        Dest().DrawRotate(width() / 2, height() / 2, f, wholeOf(f), f.Width() / 2, f.Height() / 2, angle, k, k, k,
                          false);
    }
};

// To grows and fades in from the centre over From, turning by P0 / 256 turns.
class TWipeBig : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const int32_t k = roundEven(255.0 * t / T);
        const int32_t angle = roundEven(double(params_[0]) * (int64_t{T} - t - 1) / T);
        Dest().Assign(From());
        TCustomDIBX& s = To();
        Dest().DrawRotate(width() / 2, height() / 2, s, wholeOf(s), s.Width() / 2, s.Height() / 2,
                          Reverse() ? -angle : angle, k, k, k, false);
    }
};

// ---- Zoom in --------------------------------------------------------------------

// The screen zooms into the point (P0, P1) of From, switches to To at the
// middle and zooms out of it.
class TWipeZoomin : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const double d = 2.0 * t / T;
        const bool first = d <= 1;
        TCustomDIBX& picture = first ? From() : To();
        const double z = first ? 1 - d : d - 1;
        const double weight = first ? d : 2 - d;
        const int32_t w = width(), h = height();
        const int32_t ww = std::clamp(roundEven(w * z), 1, std::max(w, 1));
        const int32_t wh = std::clamp(roundEven(h * z), 1, std::max(h, 1));
        const int64_t cx = int64_t{roundEven(double(int64_t{params_[0]} - w / 2) * weight)} + w / 2;
        const int64_t cy = int64_t{roundEven(double(int64_t{params_[1]} - h / 2) * weight)} + h / 2;
        const auto left = static_cast<int32_t>(std::clamp<int64_t>(cx - ww / 2, 0, std::max(w - ww, 0)));
        const auto top = static_cast<int32_t>(std::clamp<int64_t>(cy - wh / 2, 0, std::max(h - wh, 0)));
        Dest().StretchDraw(wholeOf(Dest()), picture, TRect{left, top, left + ww, top + wh}, 255, false);
    }
};

// ---- Family entry ---------------------------------------------------------------

namespace wipe {

TWipePtr createPictureWipe(int32_t kind, TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c) {
    switch (kind) {
    case WP_FADE:
        return std::make_unique<TWipeFade>(d, f, t, c);
    case WP_SCROLLH:
        return std::make_unique<TWipeScrollH>(d, f, t, c);
    case WP_SCROLLV:
        return std::make_unique<TWipeScrollV>(d, f, t, c);
    case WP_WHITE:
        return std::make_unique<TWipeWhite>(d, f, t, c);
    case WP_BLACK:
        return std::make_unique<TWipeBlack>(d, f, t, c);
    case WP_FLASH:
        return std::make_unique<TWipeFlash>(d, f, t, c);
    case WP_MOSAIC:
        return std::make_unique<TWipeMosaic>(d, f, t, c);
    case WP_SUDAREH:
        return std::make_unique<TWipeSudareH>(d, f, t, c);
    case WP_SUDAREV:
        return std::make_unique<TWipeSudareV>(d, f, t, c);
    case WP_RUBBERH:
        return std::make_unique<TWipeRubberH>(d, f, t, c);
    case WP_RUBBERV:
        return std::make_unique<TWipeRubberV>(d, f, t, c);
    case WP_SMALL:
        return std::make_unique<TWipeSmall>(d, f, t, c);
    case WP_BIG:
        return std::make_unique<TWipeBig>(d, f, t, c);
    case WP_ZOOMIN:
        return std::make_unique<TWipeZoomin>(d, f, t, c);
    default:
        return nullptr;
    }
}

} // namespace wipe

} // namespace nuvo
