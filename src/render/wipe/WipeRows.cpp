#include "render/wipe/WipeRows.h"

#include <algorithm>
#include <cstring>

namespace nuvo::wipe {

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
        // Copy and blend row by row, so each row is blended while it is
        // still in the cache.
        TRowAccess d(dest, w, h), b(base, w, h), o(over, w, h);
        const detail::TRowKernels32* k = kernels();
        for (int32_t y = 0; y < h; ++y) {
            uint32_t* row = d.write(y);
            std::memcpy(row, b.read(y), static_cast<size_t>(w) * 4);
            if (alpha > 0) k->alpha(row, o.read(y), w, static_cast<uint32_t>(std::min(alpha, 255)), false, 0);
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
