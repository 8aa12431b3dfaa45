// The mask-driven kinds: each draws its mask for a level and TWipeMask
// composes the screen through it.
#include "base/KvRandom.h"
#include "render/wipe/WipeFamilies.h"
#include "render/wipe/WipeShapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace nuvo {

using wipe::mulDiv;
using wipe::roundEven;

namespace {

constexpr double kPi = std::numbers::pi;

// The value of a position that starts at s when the level is L: 0 before,
// then rising to 255 over `ramp` levels.
uint8_t rampValue(int64_t level, int64_t start, int64_t ramp) {
    if (level < start) return 0;
    return static_cast<uint8_t>(std::min<int64_t>(255, mulDiv(level - start, 255, ramp)));
}

int64_t ceilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

uint8_t* row(TDIBX& mask, int32_t y) { return mask.ScanLine(y); }

void clearMask(TDIBX& mask, uint8_t v) { std::memset(mask.Bits(), v, mask.BitsSize()); }

} // namespace

// ---- Blinds ---------------------------------------------------------------------

// Stripes P0 pixels wide open one column after the other, every stripe at once.
class TWipeBlindH : public TWipeMask {
public:
    using TWipeMask::TWipeMask;

protected:
    int32_t MaskHeight() const override { return 1; }
    bool UpdateMask(int32_t t, int32_t T) override {
        const int64_t p0 = params_[0], p1 = params_[1];
        const int64_t level = mulDiv(p1 + 2 * p0 - 2, t, T);
        if (level == lastLevel_) return false;
        lastLevel_ = level;
        binary_ = p1 < 2;
        uint8_t* m = row(mask_, 0);
        for (int32_t x = 0; x < mask_.Width(); ++x) {
            const int64_t i = x % p0;
            m[x] = rampValue(level, 2 * (reverse_ ? p0 - 1 - i : i), p1);
        }
        return true;
    }
};

class TWipeBlindV : public TWipeMask {
public:
    using TWipeMask::TWipeMask;

protected:
    int32_t MaskHeight() const override { return std::max(params_[0], 2); }
    bool UpdateMask(int32_t t, int32_t T) override {
        const int64_t p0 = params_[0], p1 = params_[1];
        const int64_t level = mulDiv(p1 + 2 * p0 - 2, t, T);
        if (level == lastLevel_) return false;
        lastLevel_ = level;
        binary_ = p1 < 2;
        for (int32_t y = 0; y < mask_.Height(); ++y)
            std::memset(row(mask_, y), rampValue(level, 2 * (reverse_ ? p0 - 1 - y : y), p1),
                        static_cast<size_t>(mask_.Width()));
        return true;
    }
};

// ---- Curtains ------------------------------------------------------------------

// Columns (rows) open in groups of P0, each group one column later than the
// one before and its columns one after the other.
class TWipeOrderHMask : public TWipeMask {
public:
    TWipeOrderHMask(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context, bool vertical)
        : TWipeMask(dest, from, to, context), vertical_(vertical) {}

    void SetParam(int index, int32_t value) override { TCustomWipe::SetParam(index, std::max(value, 1)); }

protected:
    int32_t MaskHeight() const override { return vertical_ ? height() : 1; }
    bool UpdateMask(int32_t t, int32_t T) override {
        const int64_t p0 = params_[0], p1 = params_[1];
        const int64_t n = vertical_ ? height() : width();
        const int64_t level = mulDiv((ceilDiv(n, p0) + p0 - 2) * 16 + p1, t, T);
        if (level == lastLevel_) return false;
        lastLevel_ = level;
        binary_ = p1 < 2;
        const auto value = [&](int64_t i) {
            if (reverse_) i = n - 1 - i;
            return rampValue(level, 16 * (i / p0 + i % p0), p1);
        };
        if (vertical_) {
            for (int32_t y = 0; y < mask_.Height(); ++y)
                std::memset(row(mask_, y), value(y), static_cast<size_t>(mask_.Width()));
        } else {
            uint8_t* m = row(mask_, 0);
            for (int32_t x = 0; x < mask_.Width(); ++x)
                m[x] = value(x);
        }
        return true;
    }

private:
    bool vertical_;
};

class TWipeCurtainH : public TWipeOrderHMask {
public:
    TWipeCurtainH(TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c)
        : TWipeOrderHMask(d, f, t, c, false) {}
};

class TWipeCurtainV : public TWipeOrderHMask {
public:
    TWipeCurtainV(TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c)
        : TWipeOrderHMask(d, f, t, c, true) {}
};

// ---- Grids --------------------------------------------------------------------

// Cells of P0 x P0 pixels grow a square from their centres, starting in
// order of distance from the top-left corner (grid), the left edge (grid H)
// or the top edge (grid V).
class TWipeGrid : public TWipeMask {
public:
    enum class TOrder { Corner, Columns, Rows };
    TWipeGrid(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context,
              TOrder order = TOrder::Corner)
        : TWipeMask(dest, from, to, context), order_(order) {}

protected:
    int32_t MaskHeight() const override {
        return order_ == TOrder::Columns ? std::min(std::max(params_[0], 2), height()) : height();
    }
    bool UpdateMask(int32_t t, int32_t T) override {
        const int64_t p0 = params_[0], p1 = params_[1];
        const int64_t cols = ceilDiv(width(), p0), rows = ceilDiv(height(), p0);
        const int64_t span = order_ == TOrder::Columns ? 4 * cols
                             : order_ == TOrder::Rows
                                 ? 4 * rows
                                 : 4 * int64_t{roundEven(std::hypot(double(rows - 1), double(cols - 1)))};
        const int64_t level = mulDiv(p1 + span - 4, t, T);
        if (level == lastLevel_) return false;
        lastLevel_ = level;
        clearMask(mask_, 0);
        // Cells that reach into the mask (grid H keeps one row of cells).
        const int64_t maskRows = ceilDiv(mask_.Height(), p0);
        for (int64_t j = 0; j < maskRows; ++j)
            for (int64_t i = 0; i < cols; ++i) {
                const int64_t ci = reverse_ ? cols - 1 - i : i, cj = reverse_ ? rows - 1 - j : j;
                const int64_t start = order_ == TOrder::Columns ? 4 * ci
                                      : order_ == TOrder::Rows
                                          ? 4 * cj
                                          : 4 * int64_t{roundEven(std::hypot(double(cj), double(ci)))};
                if (level < start) continue;
                const uint8_t v = rampValue(level, start, p1);
                const int64_t z = std::min(p0, mulDiv(p0, level - start, p1));
                const int64_t x0 = i * p0 + (p0 - z) / 2, y0 = j * p0 + (p0 - z) / 2;
                wipe::fillMaskRect(mask_, clampSide(x0), clampSide(y0), clampSide(x0 + z), clampSide(y0 + z), v);
            }
        return true;
    }

private:
    static int32_t clampSide(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX)); }
    TOrder order_;
};

class TWipeGridH : public TWipeGrid {
public:
    TWipeGridH(TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c)
        : TWipeGrid(d, f, t, c, TOrder::Columns) {}
};

class TWipeGridV : public TWipeGrid {
public:
    TWipeGridV(TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c) : TWipeGrid(d, f, t, c, TOrder::Rows) {}
};

// ---- Dither -------------------------------------------------------------------

// Pixels of every 64 x 64 block change one by one in a fixed random order.
class TWipeDither : public TWipeMask {
public:
    using TWipeMask::TWipeMask;

    void Prepare() override {
        TWipeMask::Prepare();
        binary_ = 1;
    }

protected:
    int32_t MaskHeight() const override { return 64; }
    bool UpdateMask(int32_t t, int32_t T) override {
        const int64_t n = mulDiv(4096, t, T);
        if (n == lastLevel_) return false;
        lastLevel_ = n;
        uint8_t block[64 * 64];
        const std::vector<uint16_t>& order = ditherOrder();
        if (n <= 2047) {
            std::memset(block, 0, sizeof block);
            for (int64_t i = 0; i < n; ++i)
                block[order[static_cast<size_t>(i)]] = 255;
        } else {
            std::memset(block, 255, sizeof block);
            for (int64_t i = n; i < 4096; ++i)
                block[order[static_cast<size_t>(i)]] = 0;
        }
        const int32_t w = mask_.Width();
        for (int32_t y = 0; y < mask_.Height(); ++y) {
            uint8_t* m = row(mask_, y);
            for (int32_t x = 0; x < w; x += 64)
                std::memcpy(m + x, block + 64 * y, static_cast<size_t>(std::min(64, w - x)));
        }
        return true;
    }

private:
    // Offsets into the 64 x 64 block (row * 64 + column): the draws of a
    // generator seeded with 12341 from a pool of 4096. Always the same.
    static const std::vector<uint16_t>& ditherOrder() {
        static const std::vector<uint16_t> order = [] {
            TKvRandom r(12341);
            r.PrepareDraw(4096);
            std::vector<uint16_t> o(4096);
            for (uint16_t& v : o)
                v = static_cast<uint16_t>(r.Draw());
            return o;
        }();
        return order;
    }
};

// ---- Mask fade ----------------------------------------------------------------

// Each pixel cross-fades over half the duration, the bright parts of the mask
// picture first.
class TWipeShadow : public TWipeMask {
public:
    using TWipeMask::TWipeMask;

    void Prepare() override {
        TWipeMask::Prepare();
        loadGreyMask(grey_);
    }

protected:
    bool UpdateMask(int32_t t, int32_t T) override {
        const int64_t n = mulDiv(512, t, T);
        if (n == lastLevel_) return false;
        lastLevel_ = n;
        // The ramp R: 0 for 0..255, i - 256 for 256..511, 255 from 512 on;
        // a pixel of grey g takes R[n + g].
        uint8_t lut[256];
        for (int g = 0; g < 256; ++g)
            lut[g] = static_cast<uint8_t>(std::clamp<int64_t>(n + g - 256, 0, 255));
        const int32_t w = std::min(mask_.Width(), grey_.Width());
        for (int32_t y = 0; y < std::min(mask_.Height(), grey_.Height()); ++y) {
            const uint8_t* g = grey_.ScanLine(y);
            uint8_t* m = row(mask_, y);
            for (int32_t x = 0; x < w; ++x)
                m[x] = lut[g[x]];
        }
        return true;
    }

private:
    TDIBX grey_{1, 1, 8};
};

// ---- Clock hand ---------------------------------------------------------------

// A hand turning around the centre from P0 degrees (0 up) uncovers To.
class TWipeClockhand : public TWipeMask {
public:
    using TWipeMask::TWipeMask;

    // P0 is an angle: any value (0 is up), not raised like a size.
    void SetParam(int index, int32_t value) override {
        if (index == 0)
            TCustomWipe::SetParam(index, value);
        else
            TWipeMask::SetParam(index, value);
    }

    void Prepare() override {
        TWipeMask::Prepare();
        lastAngle_ = angleAt(0, 1);
    }
    void ResetLevel() override {
        TWipeMask::ResetLevel();
        lastAngle_ = angleAt(0, 1);
    }

protected:
    bool UpdateMask(int32_t t, int32_t T) override {
        if (t == lastLevel_) return false;
        lastLevel_ = t;
        const double a = angleAt(t, T);
        const int32_t cx = width() / 2, cy = height() / 2;
        wipe::fillSector(mask_, cx, cy, std::hypot(double(cx), double(cy)), std::min(a, lastAngle_),
                         std::max(a, lastAngle_), 255);
        lastAngle_ = a;
        return true;
    }

private:
    double angleAt(int32_t t, int32_t T) const {
        const double turn = 2 * kPi * t / T;
        return params_[0] / 360.0 * 2 * kPi - kPi / 2 + (reverse_ ? -turn : turn);
    }
    double lastAngle_ = 0;
};

// ---- Fans ---------------------------------------------------------------------

// A sector around the direction P0 degrees clockwise from up opens to both
// sides (the double fan also around the opposite direction).
class TWipeFan : public TWipeMask {
public:
    TWipeFan(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context, bool twoSided = false)
        : TWipeMask(dest, from, to, context), twoSided_(twoSided) {}

    // P0 is an angle: any value (0 is up), not raised like a size.
    void SetParam(int index, int32_t value) override {
        if (index == 0) {
            TCustomWipe::SetParam(index, value);
            lastAngle_ = base();
        } else {
            TWipeMask::SetParam(index, value);
        }
    }
    void ResetLevel() override {
        TWipeMask::ResetLevel();
        lastAngle_ = base();
    }

protected:
    bool UpdateMask(int32_t t, int32_t T) override {
        const double h = (twoSided_ ? kPi / 2 : kPi) * t / T;
        const double b = base();
        if (b + h == lastAngle_) return false;
        if (h > 0) {
            clearMask(mask_, 0);
            const int32_t cx = width() / 2, cy = height() / 2;
            const double r = std::hypot(double(cy), double(cx));
            wipe::fillSector(mask_, cx, cy, r, b - h, b + h, 255);
            if (twoSided_) wipe::fillSector(mask_, cx, cy, r, b + kPi - h, b + kPi + h, 255);
            lastAngle_ = b + h;
        } else {
            clearMask(mask_, 255);
        }
        return true;
    }

private:
    double base() const { return params_[0] / 360.0 * 2 * kPi - kPi / 2; }
    bool twoSided_;
    double lastAngle_ = 0;
};

class TWipeWFan : public TWipeFan {
public:
    TWipeWFan(TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c) : TWipeFan(d, f, t, c, true) {}
};

// ---- Circle -------------------------------------------------------------------

// A disc grows from the centre (Reverse: a disc covering the screen shrinks).
class TWipeCircle : public TWipeMask {
public:
    using TWipeMask::TWipeMask;

protected:
    bool UpdateMask(int32_t t, int32_t T) override {
        const int32_t cx = width() / 2, cy = height() / 2;
        const double full = std::hypot(double(cx), double(cy));
        const int32_t r = roundEven(full * (reverse_ ? T - t : t) / T);
        if (r == lastLevel_) return false;
        lastLevel_ = r;
        binary_ = 1;
        clearMask(mask_, reverse_ ? 255 : 0);
        wipe::fillDisc(mask_, cx, cy, r, reverse_ ? 0 : 255);
        return true;
    }
};

// ---- Blocks -------------------------------------------------------------------

// Blocks of B x B pixels change one after the other in a listed order.
class TWipeBlocks : public TWipeMask {
public:
    using TWipeMask::TWipeMask;

    void Prepare() override {
        TWipeMask::Prepare();
        binary_ = 1;
        const int32_t b = blockSize();
        order_.clear();
        if (b > 0) listBlocks((width() + b - 1) / b, (height() + b - 1) / b);
    }

protected:
    int32_t blockSize() const { return std::min({width(), height(), std::max(10, params_[0])}); }
    // Fills order_ with cell indexes (row * columns + column).
    virtual void listBlocks(int32_t columns, int32_t rows) = 0;
    int32_t columns() const { return (width() + blockSize() - 1) / blockSize(); }

    bool UpdateMask(int32_t t, int32_t T) override {
        const auto count = static_cast<int64_t>(order_.size());
        if (count == 0) return false;
        const int64_t n = mulDiv(count - 1, reverse_ ? T - t : t, T);
        if (n == lastLevel_) return false;
        // Blocks between the last level and this one; the first step fills
        // from the start of the walk (the last block when reversed).
        if (!reverse_) {
            for (int64_t i = lastLevel_ + 1; i <= n; ++i)
                fillBlock(order_[static_cast<size_t>(i)]);
        } else {
            const int64_t from = lastLevel_ < 0 ? count - 1 : lastLevel_ - 1;
            for (int64_t i = from; i >= n; --i)
                fillBlock(order_[static_cast<size_t>(i)]);
        }
        lastLevel_ = n;
        return true;
    }

    std::vector<int32_t> order_;

private:
    void fillBlock(int32_t cell) {
        const int32_t b = blockSize(), c = columns();
        const int32_t x = (cell % c) * b, y = (cell / c) * b;
        wipe::fillMaskRect(mask_, x, y, x + b, y + b, 255);
    }
};

// A spiral from the top-left corner: along the top, down the right, back
// along the bottom, up the left, and inwards.
class TWipeBlockCoil : public TWipeBlocks {
public:
    using TWipeBlocks::TWipeBlocks;

protected:
    void listBlocks(int32_t columns, int32_t rows) override {
        int32_t left = 0, top = 0, right = columns - 1, bottom = rows - 1;
        const auto add = [&](int32_t x, int32_t y) { order_.push_back(y * columns + x); };
        while (left <= right && top <= bottom) {
            for (int32_t x = left; x <= right; ++x)
                add(x, top);
            ++top;
            for (int32_t y = top; y <= bottom; ++y)
                add(right, y);
            --right;
            if (top <= bottom) {
                for (int32_t x = right; x >= left; --x)
                    add(x, bottom);
                --bottom;
            }
            if (left <= right) {
                for (int32_t y = bottom; y >= top; --y)
                    add(left, y);
                ++left;
            }
        }
    }
};

// The blocks in row-major order, shuffled by the general-purpose generator:
// each next block is a uniformly chosen one of those remaining, the others
// keeping their order.
class TWipeBlockRandom : public TWipeBlocks {
public:
    using TWipeBlocks::TWipeBlocks;

protected:
    void listBlocks(int32_t columns, int32_t rows) override {
        order_.reserve(static_cast<size_t>(columns) * static_cast<size_t>(rows));
        wipe::shuffleItems(columns * rows, random(), [this](int32_t cell) { order_.push_back(cell); });
    }
};

// ---- Family entry -------------------------------------------------------------

namespace wipe {

TWipePtr createMaskWipe(int32_t kind, TCustomDIBX& d, TCustomDIBX& f, TCustomDIBX& t, TWipeContext* c) {
    switch (kind) {
    case WP_BLINDH:
        return std::make_unique<TWipeBlindH>(d, f, t, c);
    case WP_BLINDV:
        return std::make_unique<TWipeBlindV>(d, f, t, c);
    case WP_CURTAINH:
        return std::make_unique<TWipeCurtainH>(d, f, t, c);
    case WP_CURTAINV:
        return std::make_unique<TWipeCurtainV>(d, f, t, c);
    case WP_GRID:
        return std::make_unique<TWipeGrid>(d, f, t, c);
    case WP_GRIDH:
        return std::make_unique<TWipeGridH>(d, f, t, c);
    case WP_GRIDV:
        return std::make_unique<TWipeGridV>(d, f, t, c);
    case WP_DITHER:
        return std::make_unique<TWipeDither>(d, f, t, c);
    case WP_MASKFADE:
        return std::make_unique<TWipeShadow>(d, f, t, c);
    case WP_CLOCKHAND:
        return std::make_unique<TWipeClockhand>(d, f, t, c);
    case WP_FAN:
        return std::make_unique<TWipeFan>(d, f, t, c);
    case WP_WFAN:
        return std::make_unique<TWipeWFan>(d, f, t, c);
    case WP_CIRCLE:
        return std::make_unique<TWipeCircle>(d, f, t, c);
    case WP_BLOCKCOIL:
        return std::make_unique<TWipeBlockCoil>(d, f, t, c);
    case WP_BLOCKRANDOM:
        return std::make_unique<TWipeBlockRandom>(d, f, t, c);
    default:
        return nullptr;
    }
}

} // namespace wipe

} // namespace nuvo
