// Every fast path (direct memory, scalar rows, SSE2, AVX2) must give exactly
// the pixels of the general path over the pixel accessors. Random surfaces,
// random rectangles (many partly outside the surface or the clip), random
// flips and weights; masks are built from runs so the all-0 / all-255
// shortcuts of the packed kernels are taken as well as the mixed case.
#include "render/DIBX.h"
#include "render/KernelLevel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace nuvo;

namespace {

struct Rng {
    std::mt19937 gen;
    explicit Rng(uint32_t seed) : gen(seed) {}
    int32_t range(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(gen); }
    uint32_t bits() { return gen(); }
    bool coin() { return gen() & 1; }
};

void fillRandom(TDIBX& s, Rng& rng, bool fourthByteZero) {
    for (int32_t y = 0; y < s.Height(); ++y)
        for (int32_t x = 0; x < s.Width(); ++x) {
            uint32_t v = rng.bits();
            if (s.BitCount() == 32 && fourthByteZero) v &= 0xFFFFFF;
            s.SetPixel(x, y, static_cast<int32_t>(v));
        }
}

// A mask made of runs of 0, 255 and random values.
void fillMask(TDIBX& m, Rng& rng) {
    for (int32_t y = 0; y < m.Height(); ++y) {
        int32_t x = 0;
        while (x < m.Width()) {
            const int kind = rng.range(0, 2);
            const int32_t len = rng.range(1, 20);
            for (int32_t i = 0; i < len && x < m.Width(); ++i, ++x)
                m.SetPixel(x, y, kind == 0 ? 0 : kind == 1 ? 255 : rng.range(0, 255));
        }
    }
}

TRect randomRect(Rng& rng, int32_t w, int32_t h) {
    const int32_t l = rng.range(-8, w), t = rng.range(-8, h);
    return TRect{l, t, l + rng.range(0, w + 8), t + rng.range(0, h + 8)};
}

std::vector<uint8_t> pixelsOf(TDIBX& s) { return std::vector<uint8_t>(s.Bits(), s.Bits() + s.BitsSize()); }

using Op = std::function<void(TDIBX& dest, TDIBX& src, TDIBX& mask)>;

struct Case {
    std::string name;
    std::function<Op(Rng&, int32_t w, int32_t h)> make;
};

std::vector<Case> cases() {
    auto flips = [](Rng& r, bool& fh, bool& fv) {
        fh = r.coin();
        fv = r.coin();
    };
    return {
        {"FillRect", [](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t p = static_cast<int32_t>(r.bits());
             return [=](TDIBX& d, TDIBX&, TDIBX&) { d.FillRect(rc, p); };
         }},
        {"FillRectAlpha", [](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t p = static_cast<int32_t>(r.bits() & 0xFFFFFF), a = r.range(0, 300);
             return [=](TDIBX& d, TDIBX&, TDIBX&) { d.FillRectAlpha(rc, p, a); };
         }},
        {"FillRectAdd", [](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t p = static_cast<int32_t>(r.bits());
             return [=](TDIBX& d, TDIBX&, TDIBX&) { d.FillRectAdd(rc, p); };
         }},
        {"FillRectSub", [](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t p = static_cast<int32_t>(r.bits());
             return [=](TDIBX& d, TDIBX&, TDIBX&) { d.FillRectSub(rc, p); };
         }},
        {"Draw", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(-10, w), y = r.range(-10, h);
             bool key = r.coin(), fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.Draw(x, y, s, rc, key, fh, fv); };
         }},
        {"DrawMask", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(-10, w), y = r.range(-10, h);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawMask(x, y, s, rc, m, fh, fv); };
         }},
        {"DrawAlpha", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(-10, w), y = r.range(-10, h), a = r.range(0, 300);
             bool key = r.coin(), fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.DrawAlpha(x, y, s, rc, a, key, fh, fv); };
         }},
        {"DrawAlphaMask", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(-10, w), y = r.range(-10, h), a = r.range(0, 300);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawAlphaMask(x, y, s, rc, m, a, fh, fv); };
         }},
        {"DrawAdd", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(-10, w), y = r.range(-10, h), a = r.range(0, 300);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.DrawAdd(x, y, s, rc, a, fh, fv); };
         }},
        {"DrawAddMask", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(-10, w), y = r.range(-10, h), a = r.range(0, 300);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawAddMask(x, y, s, rc, m, a, fh, fv); };
         }},
        {"FillMask", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(-10, w), y = r.range(-10, h), a = r.coin() ? 255 : r.range(0, 300);
             int32_t p = static_cast<int32_t>(r.bits() & 0xFFFFFF);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX&, TDIBX& m) { d.FillMask(x, y, rc, m, p, a, fh, fv); };
         }},
        {"StretchDraw", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect dst = randomRect(r, w * 2, h * 2), rc = randomRect(r, w, h);
             int32_t a = r.coin() ? 255 : r.range(0, 300);
             bool key = r.coin(), fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.StretchDraw(dst, s, rc, a, key, fh, fv); };
         }},
        {"StretchDrawMask", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect dst = randomRect(r, w * 2, h * 2), rc = randomRect(r, w, h);
             int32_t a = r.coin() ? 255 : r.range(0, 300);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX& m) { d.StretchDrawMask(dst, s, rc, m, a, fh, fv); };
         }},
        {"StretchDrawAdd", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect dst = randomRect(r, w * 2, h * 2), rc = randomRect(r, w, h);
             int32_t a = r.range(0, 300);
             bool key = r.coin(), fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.StretchDrawAdd(dst, s, rc, a, key, fh, fv); };
         }},
        {"StretchDrawAddMask", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect dst = randomRect(r, w * 2, h * 2), rc = randomRect(r, w, h);
             int32_t a = r.range(0, 300);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX& m) { d.StretchDrawAddMask(dst, s, rc, m, a, fh, fv); };
         }},
        {"DrawRotate", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(0, w), y = r.range(0, h), angle = r.range(-300, 300);
             int32_t zx = r.range(64, 600), zy = r.range(64, 600), a = r.coin() ? 255 : r.range(1, 254);
             int32_t px = r.range(0, 10), py = r.range(0, 10);
             bool key = r.coin(), fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.DrawRotate(x, y, s, rc, px, py, angle, zx, zy, a, key, fh, fv); };
         }},
        {"DrawRotateMask", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(0, w), y = r.range(0, h), angle = r.range(-300, 300);
             int32_t zx = r.range(64, 600), zy = r.range(64, 600), a = r.coin() ? 255 : r.range(1, 254);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawRotateMask(x, y, s, rc, m, 3, 4, angle, zx, zy, a, fh, fv); };
         }},
        {"FillTiledStretch", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect dst = randomRect(r, w, h);
             int32_t ox = r.range(-50, 50), oy = r.range(-50, 50), zx = r.range(100, 600), zy = r.range(100, 600);
             int32_t a = r.range(0, 520);
             bool key = r.coin(), fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.FillTiledStretch(dst, s, fh, fv, ox, oy, zx, zy, a, key); };
         }},
        {"FillTiled", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect dst = randomRect(r, w, h);
             int32_t ox = r.range(-50, 50), oy = r.range(-50, 50);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.FillTiled(dst, s, fh, fv, ox, oy); };
         }},
        {"TileStretchDrawMask", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             TRect dst = randomRect(r, w, h), rc = randomRect(r, w / 2 + 1, h / 2 + 1);
             int32_t ox = r.range(-20, 20), oy = r.range(-20, 20), zx = r.range(100, 700), zy = r.range(100, 700);
             int32_t a = r.range(1, 511);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX& s, TDIBX& m) {
                 d.TileStretchDrawMask(dst, s, rc, m, ox, oy, 1, 2, zx, zy, a, fh, fv);
             };
         }},
        {"DrawPalette", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             auto idx = std::make_shared<TDIBX>(w, h, 8);
             fillRandom(*idx, r, false);
             auto lookup = std::make_shared<std::vector<int32_t>>(256);
             for (int32_t& v : *lookup) v = static_cast<int32_t>(r.bits() & 0xFFFFFF);
             TRect rc = randomRect(r, w, h), dst = randomRect(r, w * 2, h * 2);
             int32_t x = r.range(-10, w), y = r.range(-10, h), a = r.coin() ? 255 : r.range(0, 300);
             int mode = r.range(0, 2);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX&, TDIBX&) {
                 // Lookup values are pixels of the destination's format.
                 std::vector<int32_t> table(*lookup);
                 for (int32_t& v : table) v = d.ColorToPixel(v);
                 if (mode == 0) d.DrawPalette(x, y, *idx, rc, table.data(), a, fh, fv);
                 if (mode == 1) d.DrawPaletteAdd(x, y, *idx, rc, table.data(), a, fh, fv);
                 if (mode == 2) d.StretchDrawPalette(dst, *idx, rc, table.data(), a, fh, fv);
             };
         }},
        {"DrawGlyph1", [flips](Rng& r, int32_t w, int32_t h) -> Op {
             auto glyph = std::make_shared<TDIBX>(w * 2, h * 2, 1);
             fillRandom(*glyph, r, false);
             TRect rc = randomRect(r, w * 2, h * 2);
             int32_t x = r.range(-5, w), y = r.range(-5, h), scale = r.range(1, 4), a = r.range(1, 300);
             int32_t p = static_cast<int32_t>(r.bits() & 0xFFFFFF);
             bool fh, fv;
             flips(r, fh, fv);
             return [=](TDIBX& d, TDIBX&, TDIBX&) { d.DrawGlyph1(x, y, scale, a, p, *glyph, rc, fh, fv); };
         }},
        {"DrawGlyph8", [](Rng& r, int32_t w, int32_t h) -> Op {
             TRect rc = randomRect(r, w, h);
             int32_t x = r.range(-5, w), y = r.range(-5, h), a = r.coin() ? 255 : r.range(1, 300);
             int32_t p = static_cast<int32_t>(r.bits() & 0xFFFFFF);
             return [=](TDIBX& d, TDIBX&, TDIBX& m) { d.DrawGlyph8(x, y, a, p, m, rc); };
         }},
        {"TileDrawAlphaMask", [](Rng& r, int32_t w, int32_t h) -> Op {
             TRect dst = randomRect(r, w, h), rc = randomRect(r, w / 2, h / 2);
             int32_t ox = r.range(-20, 20), oy = r.range(-20, 20), gx = r.range(-2, 5), gy = r.range(-2, 5);
             int32_t a = r.range(1, 255);
             return [=](TDIBX& d, TDIBX& s, TDIBX& m) { d.TileDrawAlphaMask(dst, s, rc, m, ox, oy, gx, gy, a); };
         }},
    };
}

std::vector<TKernelLevel> fastLevels() {
    std::vector<TKernelLevel> levels;
    for (TKernelLevel l : {TKernelLevel::Scalar, TKernelLevel::Sse2, TKernelLevel::Avx2})
        if (kernelLevelSupported(l)) levels.push_back(l);
    return levels;
}

class LevelScope {
public:
    explicit LevelScope(TKernelLevel l) : old_(setKernelLevel(l)) {}
    ~LevelScope() { setKernelLevel(old_); }

private:
    TKernelLevel old_;
};

} // namespace

TEST(KernelEquivalence, EveryLevelMatchesTheReferenceOnRandomInputs) {
    const std::vector<TKernelLevel> levels = fastLevels();
    ASSERT_FALSE(levels.empty());
    for (int bitCount : {32, 16, 15, 24, 8}) {
        for (const Case& c : cases()) {
            for (int round = 0; round < 25; ++round) {
                Rng rng(static_cast<uint32_t>(round * 7919 + bitCount * 31 + c.name.size()));
                const int32_t w = rng.range(1, 45), h = rng.range(1, 12);
                TDIBX dest0(w, h, bitCount), src(w, h, bitCount), mask(w, h, 8);
                fillRandom(dest0, rng, rng.coin());
                fillRandom(src, rng, rng.coin());
                fillMask(mask, rng);
                // A key that occurs in the source.
                src.TransparentColor = rng.coin() ? src.GetPixel(rng.range(0, w - 1), rng.range(0, h - 1)) : -1;
                const bool clip = rng.coin();
                const TRect clipRect = randomRect(rng, w, h);
                const Op op = c.make(rng, w, h);

                auto run = [&](TKernelLevel level) {
                    LevelScope scope(level);
                    TDIBX d(w, h, bitCount);
                    std::memcpy(d.Bits(), dest0.Bits(), d.BitsSize());
                    if (clip) d.AddClip(clipRect);
                    op(d, src, mask);
                    return pixelsOf(d);
                };
                const std::vector<uint8_t> expected = run(TKernelLevel::Reference);
                for (TKernelLevel level : levels)
                    ASSERT_EQ(run(level), expected) << c.name << " at " << kernelLevelName(level) << ", " << bitCount
                                                    << " bits, round " << round << ", " << w << "x" << h;
            }
        }
    }
}

TEST(KernelEquivalence, WideRowsExerciseWholeRegistersAndTails) {
    // Rows long enough for many packed iterations, with every tail length.
    for (int32_t w = 60; w < 76; ++w) {
        Rng rng(static_cast<uint32_t>(w));
        TDIBX dest0(w, 3, 32), src(w, 3, 32), mask(w, 3, 8);
        fillRandom(dest0, rng, true);
        fillRandom(src, rng, true);
        fillMask(mask, rng);
        const TRect all{0, 0, w, 3};
        const std::vector<Op> ops = {
            [&](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawMask(0, 0, s, all, m); },
            [&](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawAlphaMask(0, 0, s, all, m, 200); },
            [&](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawAddMask(0, 0, s, all, m, 177); },
            [&](TDIBX& d, TDIBX& s, TDIBX&) { d.DrawAlpha(0, 0, s, all, 77, false); },
            [&](TDIBX& d, TDIBX& s, TDIBX&) { d.DrawAdd(0, 0, s, all, 255); },
            [&](TDIBX& d, TDIBX&, TDIBX& m) { d.FillMask(0, 0, all, m, 0x804020, 255); },
            [&](TDIBX& d, TDIBX&, TDIBX& m) { d.DrawGlyph8(0, 0, 255, 0x804020, m, all); },
            [&](TDIBX& d, TDIBX&, TDIBX& m) { d.DrawGlyph8(0, 0, 190, 0x804020, m, all); },
        };
        for (size_t i = 0; i < ops.size(); ++i) {
            auto run = [&](TKernelLevel level) {
                LevelScope scope(level);
                TDIBX d(w, 3, 32);
                std::memcpy(d.Bits(), dest0.Bits(), d.BitsSize());
                ops[i](d, src, mask);
                return pixelsOf(d);
            };
            const auto expected = run(TKernelLevel::Reference);
            for (TKernelLevel level : fastLevels())
                ASSERT_EQ(run(level), expected) << "op " << i << " width " << w << " at " << kernelLevelName(level);
        }
    }
}
