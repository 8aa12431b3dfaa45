// Kinds that move pixels: ripple, twist and crack.
#include "render/wipe/WipeFamilies.h"
#include "render/wipe/WipeRows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace nuvo {

using wipe::mulDiv;
using wipe::roundEven;

namespace {

constexpr double kPi = std::numbers::pi;

// Pixel access for the ripple: in place on 32-bit memory, or through the
// surface's accessors.
struct TDirectPixels {
    uint8_t* base;
    int64_t step;
    uint32_t get(int32_t x, int32_t y) const { return reinterpret_cast<const uint32_t*>(base + step * y)[x]; }
    void set(int32_t x, int32_t y, uint32_t v) const { reinterpret_cast<uint32_t*>(base + step * y)[x] = v; }
};

struct TSurfacePixels {
    TCustomDIBX* s;
    uint32_t get(int32_t x, int32_t y) const { return static_cast<uint32_t>(s->GetPixel(x, y)); }
    void set(int32_t x, int32_t y, uint32_t v) const { s->SetPixel(x, y, static_cast<int32_t>(v)); }
};

} // namespace

// ---- Ripple ---------------------------------------------------------------------

// A ring of waves runs out from the centre: behind it To, ahead From, and in
// it To displaced outwards by a saw-tooth of P0 pixels.
//
// The computed quarter is the top-left one including the centre row and
// column, so that screens of odd width or height get their middle column or
// row drawn too (mirrored onto itself).
class TWipeRipple : public TCustomWipe {
public:
    TWipeRipple(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context)
        : TCustomWipe(dest, from, to, context) {
        const int32_t w = width(), h = height();
        qw_ = (w + 1) / 2;
        qh_ = (h + 1) / 2;
        cells_.resize(static_cast<size_t>(qw_) * static_cast<size_t>(qh_));
        for (int32_t y = 0; y < qh_; ++y)
            for (int32_t x = 0; x < qw_; ++x) {
                const double dx = x - w / 2, dy = y - h / 2;
                const double d = std::hypot(dx, dy);
                TCell& c = cells_[static_cast<size_t>(y) * static_cast<size_t>(qw_) + static_cast<size_t>(x)];
                c.distance = roundEven(d);
                c.cos16 = d > 0 ? roundEven(dx / d * 65536) : 0;
                c.sin16 = d > 0 ? roundEven(dy / d * 65536) : 0;
            }
        ringLength_ = std::min(w / 2, h / 2) * 2 / 3;
        profile_.assign(static_cast<size_t>(std::max(ringLength_, 0)), 0);
    }

    void SetParam(int index, int32_t value) override {
        TCustomWipe::SetParam(index, value);
        if (index != 0) return;
        // Four teeth over the ring. A ring shorter than 4 pixels (a tiny
        // screen) has no room for teeth and stays flat.
        const int32_t tooth = ringLength_ / 4;
        for (int32_t i = 0; i < ringLength_; ++i)
            profile_[static_cast<size_t>(i)] = tooth > 0 ? static_cast<int32_t>(int64_t{i % tooth} * value / tooth) : 0;
    }

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        const int32_t w = width(), h = height();
        const int64_t front = mulDiv(roundEven(std::hypot(double(w / 2), double(h / 2))) + int64_t{ringLength_}, t, T);
        if (wipe::canUseKernels(Dest(), From(), To())) {
            TPixelAccess d(Dest(), 0, 0), f(From(), 0, 0), s(To(), 0, 0);
            if (d && f && s) {
                draw(TDirectPixels{d.get(), Dest().RowStep()}, TDirectPixels{f.get(), From().RowStep()},
                     TDirectPixels{s.get(), To().RowStep()}, front);
                return;
            }
        }
        draw(TSurfacePixels{&Dest()}, TSurfacePixels{&From()}, TSurfacePixels{&To()}, front);
    }

private:
    struct TCell {
        int32_t distance, cos16, sin16;
    };

    template <class P> void draw(const P& dest, const P& from, const P& to, int64_t front) {
        const int32_t w = width(), h = height(), cx = w / 2, cy = h / 2;
        const int64_t last = ringLength_ - 1;
        for (int32_t y = 0; y < qh_; ++y) {
            const int32_t my = h - 1 - y;
            const TCell* cell = &cells_[static_cast<size_t>(y) * static_cast<size_t>(qw_)];
            for (int32_t x = 0; x < qw_; ++x, ++cell) {
                const int32_t mx = w - 1 - x;
                const int64_t j = cell->distance + last - front;
                if (j > last || j < 0) {
                    const P& p = j < 0 ? to : from;
                    dest.set(x, y, p.get(x, y));
                    dest.set(mx, y, p.get(mx, y));
                    dest.set(x, my, p.get(x, my));
                    dest.set(mx, my, p.get(mx, my));
                    continue;
                }
                const int64_t r = cell->distance + profile_[static_cast<size_t>(j)];
                const int64_t sx = cx + ((r * cell->cos16 + 32768) >> 16);
                const int64_t sy = cy + ((r * cell->sin16 + 32768) >> 16);
                if (sx < 0 || sy < 0 || sx >= w || sy >= h) {
                    dest.set(x, y, to.get(x, y));
                    dest.set(mx, y, to.get(mx, y));
                    dest.set(x, my, to.get(x, my));
                    dest.set(mx, my, to.get(mx, my));
                    continue;
                }
                const auto px = static_cast<int32_t>(sx), py = static_cast<int32_t>(sy);
                dest.set(x, y, to.get(px, py));
                dest.set(mx, y, to.get(w - 1 - px, py));
                dest.set(x, my, to.get(px, h - 1 - py));
                dest.set(mx, my, to.get(w - 1 - px, h - 1 - py));
            }
        }
    }

    int32_t qw_ = 0, qh_ = 0;
    std::vector<TCell> cells_;
    int32_t ringLength_ = 0;
    std::vector<int32_t> profile_;
};

// ---- Twist ----------------------------------------------------------------------

// Rows (columns) turn over one after the other like slats, showing From's
// face shrinking and then To's face growing. A turning slat is cleared to 0
// and its face, stretched (nearest neighbour) to the slat's visible length,
// is centred in it; slats that have turned over show To, those that have not
// started show From.
struct TSlat {
    enum TState : uint8_t { Before, Turning, Done };
    TState state = Before;
    bool toFace = false;
    int32_t start = 0, length = 0; // the visible face
    int64_t step = 0;              // source pixels per face pixel, 16.16
    int32_t source(int32_t i) const { return static_cast<int32_t>((i * step) >> 16); }
};

// The slats by position along the axis.
std::vector<TSlat> planTwist(int32_t n, int32_t across, bool reverse, int32_t t, int32_t T) {
    std::vector<TSlat> slats(static_cast<size_t>(std::max(n, 0)));
    const double turned = t * 1.5 * kPi / T;
    for (int32_t k = 0; k < n; ++k) {
        TSlat& s = slats[static_cast<size_t>(reverse ? n - 1 - k : k)];
        const double q = turned - double(k) / n * kPi / 2;
        if (q < 0) continue;
        if (q >= kPi) {
            s.state = TSlat::Done;
            continue;
        }
        s.state = TSlat::Turning;
        const int32_t size = roundEven(std::cos(q) * across);
        s.toFace = size < 0;
        s.length = size < 0 ? -size : size;
        s.start = (across - s.length) / 2;
        s.step = s.length > 0 ? (int64_t{across} << 16) / s.length : 0;
    }
    return slats;
}

// Twist H: the slats are rows.
void drawTwistRows(TCustomWipe& wipe, int32_t t, int32_t T) {
    const int32_t w = wipe.Dest().Width(), h = wipe.Dest().Height();
    const std::vector<TSlat> slats = planTwist(h, w, wipe.Reverse(), t, T);
    wipe::TRowAccess dest(wipe.Dest(), w, h), from(wipe.From(), w, h), to(wipe.To(), w, h);
    for (int32_t y = 0; y < h; ++y) {
        const TSlat& s = slats[static_cast<size_t>(y)];
        uint32_t* d = dest.write(y);
        if (s.state != TSlat::Turning) {
            const uint32_t* src = s.state == TSlat::Done ? to.read(y) : from.read(y);
            std::copy(src, src + w, d);
        } else {
            const uint32_t* face = s.toFace ? to.read(y) : from.read(y);
            std::fill(d, d + w, 0u);
            for (int32_t i = 0; i < s.length; ++i)
                d[s.start + i] = face[s.source(i)];
        }
        dest.commit(y);
    }
}

// Twist V: the slats are columns, drawn row by row.
template <class P>
void drawTwistColumns(const std::vector<TSlat>& slats, int32_t w, int32_t h, const P& dest, const P& from,
                      const P& to) {
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const TSlat& s = slats[static_cast<size_t>(x)];
            uint32_t v = 0;
            if (s.state == TSlat::Before) {
                v = from.get(x, y);
            } else if (s.state == TSlat::Done) {
                v = to.get(x, y);
            } else if (const int32_t i = y - s.start; i >= 0 && i < s.length) {
                v = (s.toFace ? to : from).get(x, s.source(i));
            }
            dest.set(x, y, v);
        }
}

// Twist V on 32-bit memory: the columns fall into runs that are copied
// straight from From or To row by row, and runs of turning columns, each of
// which reads its face pixel i from row source(i) of its picture (0 outside
// the face).
void drawTwistColumnsDirect(const std::vector<TSlat>& slats, int32_t w, int32_t h, const TDirectPixels& dest,
                            const TDirectPixels& from, const TDirectPixels& to) {
    struct TColumn {
        const uint8_t* face; // the top of the column in its picture
        int64_t rowStep;
        int32_t start;
        uint32_t length;
        int64_t step;
        bool toFace;
    };
    struct TRun {
        int32_t x0, x1;
        const TDirectPixels* straight; // null: turning columns
    };
    std::vector<TColumn> columns(static_cast<size_t>(w));
    std::vector<TRun> runs;
    for (int32_t x = 0; x < w; ++x) {
        const TSlat& s = slats[static_cast<size_t>(x)];
        const TDirectPixels* straight = s.state == TSlat::Before ? &from : s.state == TSlat::Done ? &to : nullptr;
        if (!straight) {
            const TDirectPixels& face = s.toFace ? to : from;
            columns[static_cast<size_t>(x)] =
                TColumn{face.base + int64_t{4} * x, face.step, s.start, static_cast<uint32_t>(s.length), s.step, s.toFace};
        }
        if (runs.empty() || runs.back().straight != straight)
            runs.push_back(TRun{x, x + 1, straight});
        else
            runs.back().x1 = x + 1;
    }
    const auto destRow = [&](int32_t y) { return reinterpret_cast<uint32_t*>(dest.base + dest.step * y); };
    for (const TRun& run : runs) {
        if (run.straight) {
            for (int32_t y = 0; y < h; ++y) {
                const auto* src = reinterpret_cast<const uint32_t*>(run.straight->base + run.straight->step * y);
                std::memcpy(destRow(y) + run.x0, src + run.x0, static_cast<size_t>(run.x1 - run.x0) * 4);
            }
            continue;
        }
        // Neighbouring columns read different rows of their faces, in no
        // order the hardware foresees. Taken a narrow strip at a time, the
        // face rows a strip reads stay in the cache until all its columns are
        // done with them; while a strip is drawn, the rows of the pictures
        // the next one reads are fetched in.
        constexpr int32_t kStrip = 64;
        // The pictures that columns x0 .. x1-1 show faces of.
        const auto facesOf = [&](int32_t x0, int32_t x1) {
            std::array<const TDirectPixels*, 2> faces{};
            for (int32_t x = x0; x < x1; ++x) {
                if (columns[static_cast<size_t>(x)].toFace)
                    faces[1] = &to;
                else
                    faces[0] = &from;
            }
            return faces;
        };
        for (int32_t x0 = run.x0; x0 < run.x1; x0 += kStrip) {
            const int32_t x1 = std::min(x0 + kStrip, run.x1);
            const int32_t n0 = x1, n1 = std::min(x1 + kStrip, run.x1);
            const std::array<const TDirectPixels*, 2> next = facesOf(n0, n1);
            for (int32_t y = 0; y < h; ++y) {
                uint32_t* d = destRow(y);
                for (const TDirectPixels* p : next)
                    if (p)
                        for (int32_t b = 0; b < (n1 - n0) * 4; b += 64)
                            __builtin_prefetch(p->base + p->step * y + int64_t{4} * n0 + b, 0, 2);
                for (int32_t x = x0; x < x1; ++x) {
                    const TColumn& c = columns[static_cast<size_t>(x)];
                    const auto i = static_cast<uint32_t>(y - c.start);
                    uint32_t v = 0;
                    if (i < c.length) std::memcpy(&v, c.face + c.rowStep * ((i * c.step) >> 16), 4);
                    d[x] = v;
                }
            }
        }
    }
}

void drawTwistColumns(TCustomWipe& wipe, int32_t t, int32_t T) {
    TCustomDIBX &dest = wipe.Dest(), &from = wipe.From(), &to = wipe.To();
    const int32_t w = dest.Width(), h = dest.Height();
    const std::vector<TSlat> slats = planTwist(w, h, wipe.Reverse(), t, T);
    if (wipe::canUseKernels(dest, from, to)) {
        TPixelAccess d(dest, 0, 0), f(from, 0, 0), s(to, 0, 0);
        if (d && f && s) {
            drawTwistColumnsDirect(slats, w, h, TDirectPixels{d.get(), dest.RowStep()},
                                   TDirectPixels{f.get(), from.RowStep()}, TDirectPixels{s.get(), to.RowStep()});
            return;
        }
    }
    drawTwistColumns(slats, w, h, TSurfacePixels{&dest}, TSurfacePixels{&from}, TSurfacePixels{&to});
}

class TWipeTwistH : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override { drawTwistRows(*this, t, T); }
};

class TWipeTwistV : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

protected:
    void DrawFrame(int32_t t, int32_t T) override { drawTwistColumns(*this, t, T); }
};

// ---- Crack ----------------------------------------------------------------------

// From breaks into P0 x P0 chips that jump up a little and fall off the screen
// one after the other (every P1 time steps), each drifting sideways at its
// own speed, uncovering To.
class TWipeCrack : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

    void SetParam(int index, int32_t value) override {
        if (index != 0) {
            TCustomWipe::SetParam(index, value);
            return;
        }
        const int32_t size = value <= 16 ? 16 : value;
        TCustomWipe::SetParam(0, size);
        // Chips larger than the screen are one chip (sizes as large as any
        // 32-bit value must not overflow here).
        const int32_t side = std::min(size, std::max({width(), height(), 1}));
        const int32_t columns = (width() + side - 1) / side, rows = (height() + side - 1) / side;
        chips_.clear();
        if (columns <= 0 || rows <= 0) return;
        chips_.reserve(static_cast<size_t>(columns) * static_cast<size_t>(rows));
        IWipeRandom& r = random();
        wipe::shuffleItems(columns * rows, r, [&](int32_t cell) {
            const int32_t x = (cell % columns) * side, y = (cell / columns) * side;
            chips_.push_back(TChip{TRect{x, y, std::min(x + side, width()), std::min(y + side, height())},
                                   std::clamp(r.Random(200), 0, 199) - 100});
        });
    }

protected:
    void DrawFrame(int32_t t, int32_t T) override {
        TCustomDIBX& dest = Dest();
        dest.Assign(To());
        if (chips_.empty()) return;
        const int64_t count = static_cast<int64_t>(chips_.size());
        const int64_t delay = params_[1];
        const int64_t fall = fallTime(height());
        const int64_t b = mulDiv((count - 1) * delay + fall, t, T);
        for (int64_t j = 0; j < count; ++j)
            if (b < j * delay) {
                const TRect& r = chips_[static_cast<size_t>(j)].rect;
                dest.Draw(r.Left, r.Top, From(), r, false);
            }
        for (int64_t j = count - 1; j >= 0; --j) {
            if (b < j * delay) continue;
            const int64_t a = b - j * delay;
            if (a >= fall) continue; // fallen off the screen
            const TChip& c = chips_[static_cast<size_t>(j)];
            const auto dx = static_cast<int32_t>(a * c.speed / 100);
            const auto dy = static_cast<int32_t>(drop(a));
            dest.Draw(c.rect.Left + dx, c.rect.Top + dy, From(), c.rect, false);
        }
    }

private:
    struct TChip {
        TRect rect;
        int32_t speed;
    };

    // How far a chip has moved down a time steps after it started (negative
    // while it jumps up).
    static int64_t drop(int64_t a) { return (5 * a * a - 1500 * a) / 1000; }
    // The first time at which a chip has fallen by h.
    static int64_t fallTime(int32_t h) {
        int64_t a = 0;
        while (drop(a) < h)
            ++a;
        return a;
    }

    std::vector<TChip> chips_;
};

// ---- Family entry ---------------------------------------------------------------

namespace wipe {

TWipePtr createMotionWipe(int32_t kind, TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c) {
    switch (kind) {
    case WP_RIPPLE:
        return std::make_unique<TWipeRipple>(d, f, t, c);
    case WP_TWISTH:
        return std::make_unique<TWipeTwistH>(d, f, t, c);
    case WP_TWISTV:
        return std::make_unique<TWipeTwistV>(d, f, t, c);
    case WP_CRACK:
        return std::make_unique<TWipeCrack>(d, f, t, c);
    default:
        return nullptr;
    }
}

} // namespace wipe

} // namespace nuvo
