#include "render/wipe/Wipe.h"

#include "base/Error.h"
#include "render/DIBSurface.h"
#include "render/wipe/WipeFamilies.h"
#include "render/wipe/WipeRows.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace nuvo {

namespace {

constexpr TWipeKindInfo kKinds[kWipeKindCount] = {
    {0, "WP_NONE", "なし", 0, 0},
    {1, "WP_FADE", "フェード", 0, 0},
    {2, "WP_BLINDH", "ブラインド横", 20, 1},
    {3, "WP_BLINDV", "ブラインド縦", 20, 1},
    {4, "WP_CURTAINH", "カーテン横", 30, 1},
    {5, "WP_CURTAINV", "カーテン縦", 30, 1},
    {6, "WP_SCROLLH", "スクロール横", 0, 0},
    {7, "WP_SCROLLV", "スクロール縦", 0, 0},
    {8, "WP_GRID", "格子", 80, 30},
    {9, "WP_GRIDH", "格子(横)", 80, 30},
    {10, "WP_GRIDV", "格子(縦)", 80, 30},
    {11, "WP_DITHER", "ディザ", 0, 0},
    {12, "WP_WHITE", "ホワイト", 0, 0},
    {13, "WP_BLACK", "ブラック", 0, 0},
    {14, "WP_FLASH", "フラッシュ", 0, 0},
    {15, "WP_MOSAIC", "モザイク", 0, 0},
    {16, "WP_SUDAREH", "すだれ横", 0, 0},
    {17, "WP_SUDAREV", "すだれ縦", 0, 0},
    {18, "WP_SPOT", "スポットライト", 0, 0},
    {19, "WP_MASKFADE", "マスクフェード", 0, 0},
    {20, "WP_MASKWHITE", "マスクホワイト", 0, 0},
    {21, "WP_MASKBLACK", "マスクブラック", 0, 0},
    {22, "WP_SMALL", "表画面縮小", 0, 0},
    {23, "WP_BIG", "裏画面拡大", 0, 0},
    {24, "WP_RIPPLE", "波紋", 5, 0},
    {25, "WP_BLURWHITE", "白ぼかし", 0, 0},
    {26, "WP_BLURBLACK", "黒ぼかし", 0, 0},
    {27, "WP_TWISTH", "ひねり横", 0, 0},
    {28, "WP_TWISTV", "ひねり縦", 0, 0},
    {29, "WP_CRACK", "チップ落下", 64, 3},
    {30, "WP_ZOOMIN", "ズームイン", 0, 0},
    {31, "WP_CLOCKHAND", "時計の針", 0, 0},
    {32, "WP_RUBBERH", "ゴム(横)", 0, 0},
    {33, "WP_RUBBERV", "ゴム(縦)", 0, 0},
    {34, "WP_FAN", "扇", 0, 0},
    {35, "WP_WFAN", "扇(両側)", 0, 0},
    {36, "WP_CIRCLE", "円", 0, 0},
    {37, "WP_BLOCKCOIL", "ブロック(とぐろ)", 60, 0},
    {38, "WP_BLOCKRANDOM", "ブロック(ランダム)", 60, 0},
};

std::string upperAscii(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Luminance of a colour (0x00BBGGRR) in 0..255.
uint8_t greyOfColor(int32_t c) {
    return static_cast<uint8_t>((colorRed(c) * 77 + colorGreen(c) * 150 + colorBlue(c) * 29) >> 8);
}

} // namespace

// ---- Kind table, context, generator ------------------------------------------

const TWipeKindInfo& wipeKindInfo(int32_t kind) { return kKinds[kind >= 0 && kind < kWipeKindCount ? kind : 0]; }

int32_t wipeKindByIdentifier(const std::string& identifier) {
    std::string id = upperAscii(identifier);
    if (id.rfind("WP_", 0) != 0) id = "WP_" + id;
    for (const TWipeKindInfo& k : kKinds)
        if (id == k.Identifier) return k.Value;
    return -1;
}

std::array<std::array<int32_t, 2>, kWipeKindCount> TWipeContext::defaultParams() {
    std::array<std::array<int32_t, 2>, kWipeKindCount> d{};
    for (const TWipeKindInfo& k : kKinds)
        d[static_cast<size_t>(k.Value)] = {k.P0, k.P1};
    return d;
}

void TWipeContext::SetDefaultParams(int32_t kind, int32_t p0, int32_t p1) {
    if (kind >= 0 && kind < kWipeKindCount) Defaults[static_cast<size_t>(kind)] = {p0, p1};
}

int32_t TWipeRandom::Random(int32_t range) {
    seed_ = seed_ * 134775813u + 1u;
    if (range <= 0) return 0;
    return static_cast<int32_t>((uint64_t{seed_} * static_cast<uint32_t>(range)) >> 32);
}

// ---- TCustomWipe ---------------------------------------------------------------

TCustomWipe::TCustomWipe(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context)
    : dest_(dest), from_(from), to_(to), context_(context) {
    for (int32_t g = 0; g < 256; ++g)
        grey_[static_cast<size_t>(g)] = dest_.ColorToPixel(makeColor(g, g, g));
    Area = TRect{0, 0, dest_.Width(), dest_.Height()};
}

TCustomWipe::~TCustomWipe() = default;

void TCustomWipe::SetReverse(bool flag) { reverse_ = flag ? 1 : 0; }

int32_t TCustomWipe::GetParam(int index) const { return index == 0 || index == 1 ? params_[index] : 0; }

void TCustomWipe::SetParam(int index, int32_t value) {
    if (index == 0 || index == 1) params_[index] = value;
}

void TCustomWipe::SetMaskName(const std::string& name) { maskName_ = name; }

void TCustomWipe::Prepare() { prepared_ = true; }

void TCustomWipe::Finish() {}

void TCustomWipe::ResetLevel() {}

bool TCustomWipe::Step() {
    Area = TRect{0, 0, dest_.Width(), dest_.Height()};
    if (Duration <= 0 || Elapsed >= Duration) return true;
    if (!prepared_) Prepare();
    dest_.AddClip(Area);
    if (dest_.IsEmpty() || from_.BitCount() != dest_.BitCount() || to_.BitCount() != dest_.BitCount()) return false;
    // A time before the start (a clock set back) draws the first frame.
    DrawFrame(std::max(Elapsed, 0), Duration);
    return false;
}

IWipeRandom& TCustomWipe::random() {
    if (context_ && context_->Random) return *context_->Random;
    if (!ownRandom_) ownRandom_ = std::make_unique<TWipeRandom>(0);
    return *ownRandom_;
}

void TCustomWipe::loadGreyMask(TDIBX& grey) {
    const int32_t w = std::max(width(), 1), h = std::max(height(), 1);
    grey.SetSize(w, h, 8);
    TDIBSurface picture;
    bool found = false;
    if (IWipePictureSource* source = pictures(); source && !maskName_.empty()) {
        try {
            found = source->LoadWipePicture(maskName_, picture);
        } catch (const ENuvoError&) {
            found = false; // a damaged picture is treated as a missing one
        }
    }
    if (!found || picture.IsEmpty()) {
        std::memset(grey.Bits(), 255, grey.BitsSize());
        return;
    }
    const int32_t pw = picture.Width(), ph = picture.Height();
    // Grey of every picture pixel once, then a nearest-neighbour stretch.
    std::vector<uint8_t> g(static_cast<size_t>(pw) * static_cast<size_t>(ph));
    for (int32_t y = 0; y < ph; ++y)
        for (int32_t x = 0; x < pw; ++x) {
            const uint8_t v = greyOfColor(picture.PixelToColor(static_cast<uint32_t>(picture.GetPixel(x, y))));
            g[static_cast<size_t>(y) * static_cast<size_t>(pw) + static_cast<size_t>(x)] = reverse_ ? 255 - v : v;
        }
    std::vector<int32_t> columns(static_cast<size_t>(w));
    for (int32_t x = 0; x < w; ++x)
        columns[static_cast<size_t>(x)] = static_cast<int32_t>(int64_t{x} * pw / w);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* src = &g[static_cast<size_t>(int64_t{y} * ph / h) * static_cast<size_t>(pw)];
        uint8_t* row = grey.ScanLine(y);
        for (int32_t x = 0; x < w; ++x)
            row[x] = src[columns[static_cast<size_t>(x)]];
    }
}

// ---- TWipeMask -----------------------------------------------------------------

void TWipeMask::SetParam(int index, int32_t value) {
    if (index == 0) value = std::max(value, 2);
    if (index == 1) value = std::max(value, 1);
    TCustomWipe::SetParam(index, value);
}

void TWipeMask::Prepare() {
    TCustomWipe::Prepare();
    // Rows past the screen's height would never show, so the mask stops there.
    const int32_t rows = std::clamp(MaskHeight(), 1, std::max(height(), 1));
    mask_.SetSize(std::max(width(), 1), rows, 8);
    std::memset(mask_.Bits(), 0, mask_.BitsSize());
    lastLevel_ = -1;
}

void TWipeMask::ResetLevel() {
    std::memset(mask_.Bits(), 0, mask_.BitsSize());
    lastLevel_ = -1;
}

bool TWipeMask::UpdateMask(int32_t, int32_t) { return false; }

void TWipeMask::DrawFrame(int32_t t, int32_t T) {
    if (UpdateMask(t, T)) compose();
}

void TWipeMask::compose() {
    TCustomDIBX& dest = Dest();
    const int32_t w = width(), h = height(), rows = mask_.Height();
    if (mask_.Width() < w) return;
    if (wipe::canUseKernels(dest, From(), To())) {
        wipe::TRowAccess d(dest, w, h), f(From(), w, h), s(To(), w, h);
        const detail::TRowKernels32* k = wipe::kernels();
        for (int32_t y = 0; y < h; ++y) {
            uint32_t* dr = d.write(y);
            std::memcpy(dr, f.read(y), static_cast<size_t>(w) * 4);
            k->mask(dr, s.read(y), mask_.ScanLine(y % rows), w);
        }
        return;
    }
    wipe::TRowAccess d(dest, w, h), f(From(), w, h), s(To(), w, h);
    const wipe::TPixelMath math(dest.BitCount(), d.direct());
    for (int32_t y = 0; y < h; ++y) {
        const uint32_t* fr = f.read(y);
        const uint32_t* sr = s.read(y);
        const uint8_t* m = mask_.ScanLine(y % rows);
        uint32_t* dr = d.write(y);
        for (int32_t x = 0; x < w; ++x)
            dr[x] = m[x] == 0 ? fr[x] : m[x] == 255 ? sr[x] : math.blend(sr[x], fr[x], m[x]);
        d.commit(y);
    }
}

// ---- Factory -------------------------------------------------------------------

std::unique_ptr<TCustomWipe> CreateWipe(int32_t kind, TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to,
                                        TWipeContext* context) {
    if (kind <= WP_NONE || kind >= kWipeKindCount) return nullptr;
    std::unique_ptr<TCustomWipe> w = wipe::createMaskWipe(kind, dest, from, to, context);
    if (!w) w = wipe::createPictureWipe(kind, dest, from, to, context);
    if (!w) w = wipe::createLightWipe(kind, dest, from, to, context);
    if (!w) w = wipe::createMotionWipe(kind, dest, from, to, context);
    if (!w) return nullptr;
    const std::array<int32_t, 2> d = context ? context->Defaults[static_cast<size_t>(kind)]
                                             : TWipeContext::defaultParams()[static_cast<size_t>(kind)];
    w->SetParam(0, d[0]);
    w->SetParam(1, d[1]);
    return w;
}

// ---- Shared helpers -----------------------------------------------------------

namespace wipe {

void shuffleItems(int32_t n, IWipeRandom& random, const std::function<void(int32_t)>& take) {
    if (n <= 0) return;
    // Counts of the items not taken yet in a Fenwick tree, so the k-th
    // remaining item is found in O(log n).
    std::vector<int32_t> tree(static_cast<size_t>(n) + 1, 0);
    for (int32_t i = 1; i <= n; ++i) {
        tree[static_cast<size_t>(i)] += 1;
        const int32_t up = i + (i & -i);
        if (up <= n) tree[static_cast<size_t>(up)] += tree[static_cast<size_t>(i)];
    }
    int32_t top = 1;
    while (top <= n / 2)
        top *= 2;
    for (int32_t remaining = n; remaining > 0; --remaining) {
        int32_t left = std::clamp(random.Random(remaining), 0, remaining - 1);
        int32_t pos = 0; // items 1..pos hold at most `left` remaining ones
        for (int32_t step = top; step > 0; step /= 2) {
            const int32_t next = pos + step;
            if (next <= n && tree[static_cast<size_t>(next)] <= left) {
                pos = next;
                left -= tree[static_cast<size_t>(next)];
            }
        }
        for (int32_t i = pos + 1; i <= n; i += i & -i)
            tree[static_cast<size_t>(i)] -= 1;
        take(pos); // item pos + 1 of the tree is item pos
    }
}

int32_t roundEven(double v) {
    if (!(v == v)) return 0;
    const double r = std::nearbyint(v);
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}

} // namespace wipe

} // namespace nuvo
