#include "render/CustomDIBX.h"

#include "render/detail/DrawCommon.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace nuvo {

using namespace detail;

int32_t TCustomDIBX::GetPixel(int32_t, int32_t) const { return 0; }
void TCustomDIBX::SetPixel(int32_t, int32_t, int32_t) {}
void TCustomDIBX::SetBitCount(int) {}
uint8_t* TCustomDIBX::PixelPtr(int32_t, int32_t) { return nullptr; }

void TCustomDIBX::SetSize(int32_t width, int32_t height, int) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
}

void TCustomDIBX::Release() {
    width_ = 0;
    height_ = 0;
}

void TCustomDIBX::GetPalette(TPalette& entries) const { entries = palette_; }

void TCustomDIBX::GetPaletteEntries(uint32_t* entries, int start, int count) const {
    for (int i = 0; i < count; ++i)
        if (start + i >= 0 && start + i < 256) entries[i] = palette_[static_cast<size_t>(start + i)];
}

void TCustomDIBX::SetPalette(const TPalette& entries) { palette_ = entries; }

void TCustomDIBX::SetPaletteEntries(const uint32_t* entries, int start, int count) {
    for (int i = 0; i < count; ++i)
        if (start + i >= 0 && start + i < 256) palette_[static_cast<size_t>(start + i)] = entries[i];
}

void TCustomDIBX::AddClip(const TRect& rect) {
    const TRect r = intersectRect(rect, TRect{0, 0, width_, height_});
    if (r.isEmpty()) return;
    ClipRect = ClipRect.Right == 0 ? r : unionRect(ClipRect, r);
}

TRect TCustomDIBX::EffectiveClip() const {
    const TRect whole{0, 0, width_, height_};
    return ClipRect.Right != 0 ? intersectRect(ClipRect, whole) : whole;
}

void TCustomDIBX::Assign(TCustomDIBX& source) {
    if (&source == this) return;
    const TRect whole = surfaceBounds(source);
    if (source.BitCount() != BitCount()) {
        ConvertPixels(source, *this);
        return;
    }
    if (useFastPaths() && source.Width() == width_ && source.Height() == height_ && source.RowStep() == RowStep() &&
        !IsEmpty()) {
        TAccessSet access;
        uint8_t* d = access.open(*this, 0, 0);
        uint8_t* s = d ? access.open(source, 0, 0) : nullptr;
        if (!s) return;
        const int64_t step = RowStep();
        const size_t bytes = static_cast<size_t>(step < 0 ? -step : step);
        for (int32_t y = 0; y < height_; ++y) std::memcpy(d + step * y, s + step * y, bytes);
        return;
    }
    const TRect savedClip = ClipRect;
    ResetClip();
    Draw(0, 0, source, whole, false);
    ClipRect = savedClip;
}

namespace {

// Colours of one surface's pixels and pixels of another's, with a cache for
// the nearest-entry searches of palette targets.
class TPixelConverter {
public:
    TPixelConverter(const TCustomDIBX& from, const TCustomDIBX& to)
        : fromBits_(from.BitCount()), toBits_(to.BitCount()) {
        from.GetPalette(fromPalette_);
        to.GetPalette(toPalette_);
    }

    uint32_t operator()(uint32_t pixel) {
        const int32_t color =
            isPaletteBitCount(fromBits_) ? paletteEntryToColor(fromPalette_[pixel & 0xFF]) : directPixelToColor(fromBits_, pixel);
        if (!isPaletteBitCount(toBits_)) return colorToDirectPixel(toBits_, color);
        auto it = nearest_.find(color);
        if (it != nearest_.end()) return it->second;
        const uint32_t index = static_cast<uint32_t>(nearestPaletteIndex(toPalette_.data(), paletteSizeOf(toBits_), color));
        nearest_.emplace(color, index);
        return index;
    }

private:
    int fromBits_, toBits_;
    TPalette fromPalette_{}, toPalette_{};
    std::unordered_map<int32_t, uint32_t> nearest_;
};

bool convertFast(TCustomDIBX& source, TCustomDIBX& dest, int32_t w, int32_t h) {
    const int from = source.BitCount(), to = dest.BitCount();
    if (to != 32 || (from != 24 && from != 32)) return false;
    TAccessSet access;
    uint8_t* d0 = access.open(dest, 0, 0);
    uint8_t* s0 = d0 ? access.open(source, 0, 0) : nullptr;
    if (!s0) return true;
    for (int32_t y = 0; y < h; ++y) {
        auto* d = reinterpret_cast<uint32_t*>(d0 + int64_t{dest.RowStep()} * y);
        const uint8_t* s = s0 + int64_t{source.RowStep()} * y;
        if (from == 24)
            for (int32_t x = 0; x < w; ++x) d[x] = s[3 * x] | (s[3 * x + 1] << 8) | (s[3 * x + 2] << 16);
        else
            for (int32_t x = 0; x < w; ++x) {
                uint32_t v;
                std::memcpy(&v, s + 4 * x, 4);
                d[x] = v & 0x00FFFFFFu;
            }
    }
    return true;
}

} // namespace

void ConvertPixels(TCustomDIBX& source, TCustomDIBX& dest) {
    if (!isValidBitCount(source.BitCount()) || !isValidBitCount(dest.BitCount())) return;
    const int32_t w = std::min(source.Width(), dest.Width());
    const int32_t h = std::min(source.Height(), dest.Height());
    if (w <= 0 || h <= 0) return;
    if (convertFast(source, dest, w, h)) return;
    bool identity = false;
    if (source.BitCount() == dest.BitCount() && source.BitCount() != 32) {
        TPalette a, b;
        source.GetPalette(a);
        dest.GetPalette(b);
        identity = !isPaletteBitCount(source.BitCount()) || a == b;
    }
    TPixelConverter convert(source, dest);
    // Palette sources go through a table of their indices.
    std::vector<uint32_t> table;
    if (isPaletteBitCount(source.BitCount()) && !identity) {
        table.resize(static_cast<size_t>(paletteSizeOf(source.BitCount())));
        for (size_t i = 0; i < table.size(); ++i) table[i] = convert(static_cast<uint32_t>(i));
    }
    // Memory surfaces are read and written a row at a time.
    const auto* rows = dynamic_cast<const TDIBX*>(&source);
    std::vector<uint32_t> line(static_cast<size_t>(source.Width()));
    auto* outRows = dynamic_cast<TDIBX*>(&dest);
    for (int32_t y = 0; y < h; ++y) {
        if (rows)
            rows->ReadRow(y, line.data());
        else
            for (int32_t x = 0; x < w; ++x) line[static_cast<size_t>(x)] = static_cast<uint32_t>(source.GetPixel(x, y));
        for (int32_t x = 0; x < w; ++x) {
            uint32_t& v = line[static_cast<size_t>(x)];
            v = identity ? v : !table.empty() ? table[v & 0xFF] : convert(v);
        }
        if (outRows)
            outRows->WriteRow(y, line.data(), w);
        else
            for (int32_t x = 0; x < w; ++x) dest.SetPixel(x, y, static_cast<int32_t>(line[static_cast<size_t>(x)]));
    }
}

} // namespace nuvo
