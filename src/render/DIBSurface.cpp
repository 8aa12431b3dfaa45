#include "render/DIBSurface.h"

#include "render/ImageCodecs.h"

#include <algorithm>
#include <cstring>

namespace nuvo {
namespace {

constexpr int kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Copies the block r of src to (dx, dy) of dst (same format, both inside).
void copyBlock(TDIBX& dst, int32_t dx, int32_t dy, const TDIBX& src, const TRect& r) {
    const int bits = src.StorageBitCount();
    if (bits >= 8) {
        const size_t bpp = static_cast<size_t>(bits / 8);
        for (int32_t y = r.Top; y < r.Bottom; ++y)
            std::memcpy(dst.ScanLine(dy + y - r.Top) + static_cast<size_t>(dx) * bpp,
                        src.ScanLine(y) + static_cast<size_t>(r.Left) * bpp, static_cast<size_t>(r.Width()) * bpp);
        return;
    }
    for (int32_t y = r.Top; y < r.Bottom; ++y)
        for (int32_t x = r.Left; x < r.Right; ++x) dst.SetPixel(dx + x - r.Left, dy + y - r.Top, src.GetPixel(x, y));
}

// The part of source's rect that lands inside dest when placed at (x, y):
// returns the source block and moves (x, y) to where it lands.
bool clipPlacement(const TDIBX& dest, int32_t& x, int32_t& y, const TRect& rect, const TDIBX& source, TRect& block) {
    TRect r = intersectRect(rect, TRect{0, 0, source.Width(), source.Height()});
    if (r.isEmpty()) return false;
    int64_t px = int64_t{x} + (r.Left - rect.Left), py = int64_t{y} + (r.Top - rect.Top);
    const int64_t cutL = std::max<int64_t>(0, -px), cutT = std::max<int64_t>(0, -py);
    const int64_t cutR = std::max<int64_t>(0, px + r.Width() - dest.Width());
    const int64_t cutB = std::max<int64_t>(0, py + r.Height() - dest.Height());
    r.Left = static_cast<int32_t>(r.Left + cutL);
    r.Top = static_cast<int32_t>(r.Top + cutT);
    r.Right = static_cast<int32_t>(r.Right - std::min<int64_t>(cutR, r.Width()));
    r.Bottom = static_cast<int32_t>(r.Bottom - std::min<int64_t>(cutB, r.Height()));
    if (r.isEmpty()) return false;
    x = static_cast<int32_t>(px + cutL);
    y = static_cast<int32_t>(py + cutT);
    block = r;
    return true;
}

uint32_t channelBlend255(const TChannelLayout& l, uint32_t s, uint32_t d, uint32_t o) {
    uint32_t r = 0;
    for (int i = 0; i < l.count && i < 3; ++i) {
        const uint32_t sv = (s & l.mask[i]) >> l.shift[i], dv = (d & l.mask[i]) >> l.shift[i];
        r |= ((o * sv + (255 - o) * dv) / 255) << l.shift[i];
    }
    return r;
}

uint32_t channelBlend256(const TChannelLayout& l, uint32_t s, uint32_t d, uint32_t w) {
    uint32_t r = 0;
    for (int i = 0; i < l.count && i < 3; ++i) { // the fourth byte of 32 bits stays 0
        const uint32_t sv = (s & l.mask[i]) >> l.shift[i], dv = (d & l.mask[i]) >> l.shift[i];
        r |= (((255 - w) * dv + w * sv) >> 8) << l.shift[i];
    }
    return r;
}

TRect contentBoxOf(const TDIBX& s, int32_t value) {
    int32_t left = s.Width(), top = s.Height(), right = 0, bottom = 0;
    std::vector<uint32_t> row(static_cast<size_t>(s.Width()));
    const uint32_t v = static_cast<uint32_t>(value);
    for (int32_t y = 0; y < s.Height(); ++y) {
        s.ReadRow(y, row.data());
        int32_t first = -1, last = -1;
        for (int32_t x = 0; x < s.Width(); ++x)
            if (row[static_cast<size_t>(x)] != v) {
                if (first < 0) first = x;
                last = x;
            }
        if (first < 0) continue;
        left = std::min(left, first);
        right = std::max(right, last + 1);
        top = std::min(top, y);
        bottom = y + 1;
    }
    return right > left ? TRect{left, top, right, bottom} : TRect{};
}

} // namespace

int orderedDitherValue(int32_t x, int32_t y) { return kBayer4[y & 3][x & 3]; }

void TDIBSurface::SetSize(int32_t width, int32_t height, int bitCount) {
    TDIBX::SetSize(width, height, bitCount);
    if (Mask) Mask->SetSize(width, height, 8);
}

void TDIBSurface::CreateMask() {
    if (!Mask) Mask = std::make_unique<TDIBX>(Width(), Height(), 8);
    else if (Mask->Width() != Width() || Mask->Height() != Height() || Mask->BitCount() != 8)
        Mask->SetSize(Width(), Height(), 8);
}

void TDIBSurface::MakeMaskOpaque() {
    CreateMask();
    // An empty picture has no pixel block to fill.
    if (Mask->BitsSize()) std::memset(Mask->Bits(), 255, Mask->BitsSize());
}

void TDIBSurface::AssignMask(const TDIBX& bitmap) {
    CreateMask();
    if (bitmap.BitCount() != 8) return;
    const int32_t w = std::min(Width(), bitmap.Width()), h = std::min(Height(), bitmap.Height());
    for (int32_t y = 0; y < h; ++y) std::memcpy(Mask->ScanLine(y), bitmap.ScanLine(y), static_cast<size_t>(w));
}

int32_t TDIBSurface::NearestPixel(uint32_t r, uint32_t g, uint32_t b) const {
    r &= 0xFF;
    g &= 0xFF;
    b &= 0xFF;
    switch (BitCount()) {
    case 1:
    case 4:
    case 8: return nearestPaletteIndex(palette_.data(), paletteSizeOf(BitCount()), makeColor(r, g, b));
    case 15: return static_cast<int32_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    case 16: return static_cast<int32_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    default: return static_cast<int32_t>((r << 16) | (g << 8) | b);
    }
}

void TDIBSurface::Copy(int32_t x, int32_t y, TDIBSurface& source) {
    Compose(x, y, 255, source.TransparentColor, TRect{0, 0, source.Width(), source.Height()}, source);
}

void TDIBSurface::Compose(int32_t x, int32_t y, int32_t opacity, int32_t key, const TRect& rect, TDIBSurface& source) {
    if (opacity == 0 || source.BitCount() != BitCount()) return;
    TRect block;
    if (!clipPlacement(*this, x, y, rect, source, block)) return;
    const bool copy = opacity >= 255 || opacity < 0;
    if (copy && key == -1) {
        copyBlock(*this, x, y, source, block);
        return;
    }
    const int bits = BitCount();
    const uint32_t o = static_cast<uint32_t>(std::clamp(opacity, 0, 255));
    const uint32_t k = static_cast<uint32_t>(key);
    const bool keyed = key != -1;
    const int level = static_cast<int>(o / 16);
    const TChannelLayout& l = channelLayoutOf(bits);
    for (int32_t sy = block.Top; sy < block.Bottom; ++sy) {
        const int32_t dy = y + sy - block.Top;
        for (int32_t sx = block.Left; sx < block.Right; ++sx) {
            const int32_t dx = x + sx - block.Left;
            const uint32_t s = static_cast<uint32_t>(source.GetPixel(sx, sy));
            if (keyed && s == k) continue;
            if (copy) {
                SetPixel(dx, dy, static_cast<int32_t>(s));
                continue;
            }
            if (isPaletteBitCount(bits)) {
                if (level >= 15 || level > orderedDitherValue(dx, dy)) SetPixel(dx, dy, static_cast<int32_t>(s));
                continue;
            }
            const uint32_t d = static_cast<uint32_t>(GetPixel(dx, dy));
            SetPixel(dx, dy, static_cast<int32_t>(bits == 32 ? channelBlend256(l, s, d, o) : channelBlend255(l, s, d, o)));
        }
    }
}

void TDIBSurface::ComposeMasked(int32_t x, int32_t y, int32_t alpha, const TRect& rect, TDIBSurface& source) {
    if (!source.Mask) {
        Compose(x, y, alpha, -1, rect, source);
        return;
    }
    if (alpha <= 0 || source.BitCount() != BitCount()) return;
    TRect block;
    if (!clipPlacement(*this, x, y, rect, source, block)) return;
    const int bits = BitCount();
    const uint32_t a = static_cast<uint32_t>(std::min(alpha, 255));
    const TChannelLayout& l = channelLayoutOf(bits);
    const TDIBX& mask = *source.Mask;
    for (int32_t sy = block.Top; sy < block.Bottom; ++sy) {
        const int32_t dy = y + sy - block.Top;
        for (int32_t sx = block.Left; sx < block.Right; ++sx) {
            const int32_t dx = x + sx - block.Left;
            const uint32_t m = static_cast<uint32_t>(mask.GetPixel(sx, sy));
            if (!m) continue;
            uint32_t w;
            if (a == 255) {
                w = m;
            } else {
                if (a * m < 256) continue;
                w = (a * m) >> 8;
            }
            const uint32_t s = static_cast<uint32_t>(source.GetPixel(sx, sy));
            if (w == 255) {
                SetPixel(dx, dy, static_cast<int32_t>(bits == 32 ? s & 0xFFFFFFu : s));
                continue;
            }
            if (isPaletteBitCount(bits)) {
                const int level = static_cast<int>(w / 16);
                if (level >= 15 || level > orderedDitherValue(dx, dy)) SetPixel(dx, dy, static_cast<int32_t>(s));
                continue;
            }
            SetPixel(dx, dy, static_cast<int32_t>(channelBlend256(l, s, static_cast<uint32_t>(GetPixel(dx, dy)), w)));
        }
    }
}

void TDIBSurface::Crop(const TRect& rect) {
    const TRect r = intersectRect(rect, TRect{0, 0, Width(), Height()});
    if (r.isEmpty() || r == (TRect{0, 0, Width(), Height()})) {
        if (r.isEmpty()) SetSize(0, 0, BitCount());
        return;
    }
    TDIBX picture(r.Width(), r.Height(), BitCount());
    picture.SetPalette(palette_);
    copyBlock(picture, 0, 0, *this, r);
    std::unique_ptr<TDIBX> mask;
    if (Mask) {
        mask = std::make_unique<TDIBX>(r.Width(), r.Height(), 8);
        copyBlock(*mask, 0, 0, *Mask, r);
    }
    TakeStorage(std::move(picture));
    Mask = std::move(mask);
}

TRect TDIBSurface::ContentBox(int32_t value) const { return contentBoxOf(*this, value); }

void TDIBSurface::CropToContent(int32_t value) {
    const TRect box = ContentBox(value);
    Crop(box.isEmpty() ? TRect{0, 0, 1, 1} : box);
}

void TDIBSurface::Duplicate(const TDIBSurface& source) {
    SetSize(source.Width(), source.Height(), source.BitCount());
    palette_ = source.palette_;
    std::memcpy(Bits(), source.Bits(), std::min(BitsSize(), source.BitsSize()));
    TransparentColor = source.TransparentColor;
    ContentAreas = source.ContentAreas;
    OtherAreas = source.OtherAreas;
    if (source.Mask) {
        Mask = std::make_unique<TDIBX>(source.Width(), source.Height(), 8);
        std::memcpy(Mask->Bits(), source.Mask->Bits(), Mask->BitsSize());
    } else {
        Mask.reset();
    }
}

void TDIBSurface::Resample(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || IsEmpty()) return;
    const int outBits = BitCount() == 32 ? 32 : 24;
    TDIBX out(width, height, outBits);
    const int32_t sw = Width(), sh = Height();
    auto colorAt = [&](int32_t x, int32_t y) { return PixelToColor(static_cast<uint32_t>(GetPixel(x, y))); };
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            double acc[3] = {0, 0, 0};
            if (width <= sw && height <= sh) {
                // Area average over the source box of this pixel.
                const int32_t x0 = static_cast<int32_t>(int64_t{x} * sw / width);
                const int32_t x1 = std::max(x0 + 1, static_cast<int32_t>(int64_t{x + 1} * sw / width));
                const int32_t y0 = static_cast<int32_t>(int64_t{y} * sh / height);
                const int32_t y1 = std::max(y0 + 1, static_cast<int32_t>(int64_t{y + 1} * sh / height));
                for (int32_t j = y0; j < y1; ++j)
                    for (int32_t i = x0; i < x1; ++i) {
                        const int32_t c = colorAt(i, j);
                        acc[0] += colorRed(c);
                        acc[1] += colorGreen(c);
                        acc[2] += colorBlue(c);
                    }
                const double n = double(x1 - x0) * double(y1 - y0);
                for (double& v : acc) v /= n;
            } else {
                const double fx = std::clamp((x + 0.5) * sw / width - 0.5, 0.0, double(sw - 1));
                const double fy = std::clamp((y + 0.5) * sh / height - 0.5, 0.0, double(sh - 1));
                const int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
                const int32_t jx = std::min(ix + 1, sw - 1), jy = std::min(iy + 1, sh - 1);
                const double tx = fx - ix, ty = fy - iy;
                const int32_t c[4] = {colorAt(ix, iy), colorAt(jx, iy), colorAt(ix, jy), colorAt(jx, jy)};
                const double wgt[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
                for (int k = 0; k < 4; ++k) {
                    acc[0] += wgt[k] * colorRed(c[k]);
                    acc[1] += wgt[k] * colorGreen(c[k]);
                    acc[2] += wgt[k] * colorBlue(c[k]);
                }
            }
            const auto ch = [](double v) { return static_cast<uint32_t>(std::clamp(v + 0.5, 0.0, 255.0)); };
            out.SetPixel(x, y, static_cast<int32_t>((ch(acc[0]) << 16) | (ch(acc[1]) << 8) | ch(acc[2])));
        }
    }
    TakeStorage(std::move(out));
    Mask.reset();
}

std::vector<uint8_t> TDIBSurface::ToJPEG(int quality) const { return EncodeJpeg(*this, quality); }

} // namespace nuvo
