// Row-by-row pixel access and channel arithmetic for the transitions that
// compute their pixels themselves. A 32-bit surface is read and written in
// place (with the packed row kernels where they exist); any other format, and
// every format at the reference kernel level, goes through GetPixel/SetPixel
// and the general channel arithmetic, which gives the same values.
#pragma once

#include "render/CustomDIBX.h"
#include "render/detail/Blend.h"
#include "render/detail/DrawCommon.h"
#include "render/detail/Kernels32.h"

#include <cstdint>
#include <vector>

namespace nuvo::wipe {

// Blend, Add and Sub on pixel values of one format.
struct TPixelMath {
    const TChannelLayout* layout = nullptr; // null: the 32-bit forms

    explicit TPixelMath(int bitCount, bool fast)
        : layout(fast && bitCount == 32 ? nullptr : &channelLayoutOf(bitCount)) {}
    uint32_t blend(uint32_t s, uint32_t d, uint32_t w) const {
        return layout ? detail::chBlend(*layout, s, d, w) : detail::blend32(s, d, w);
    }
    uint32_t add(uint32_t s, uint32_t d) const {
        return layout ? detail::chAdd(*layout, s, d) : detail::addSat32(s, d);
    }
    uint32_t sub(uint32_t s, uint32_t d) const {
        return layout ? detail::chSub(*layout, s, d) : detail::subSat32(s, d);
    }
};

// Rows 0..height-1 of the first width pixels of a surface as arrays of pixel
// values. Direct (pointing into the surface) for 32-bit surfaces at least
// that large when the fast paths are on; buffered otherwise.
class TRowAccess {
public:
    TRowAccess(TCustomDIBX& surface, int32_t width, int32_t height);
    ~TRowAccess();
    TRowAccess(const TRowAccess&) = delete;
    TRowAccess& operator=(const TRowAccess&) = delete;

    bool direct() const { return base_ != nullptr; }
    // Row y for reading.
    const uint32_t* read(int32_t y);
    // Row y for writing (contents undefined in the buffered form); commit
    // writes a buffered row back.
    uint32_t* write(int32_t y);
    void commit(int32_t y);

private:
    TCustomDIBX& surface_;
    int32_t width_;
    uint8_t* base_ = nullptr;
    int64_t step_ = 0;
    std::vector<uint32_t> buffer_;
};

// True when the three surfaces can be worked on in place with the packed
// kernels: 32 bits, fast paths on, From and To at least as large as Dest.
bool canUseKernels(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to);
// Dest := base, then over (drawn at the origin) blended in with DrawAlpha's rule.
void blendCopy(TCustomDIBX& dest, TCustomDIBX& base, TCustomDIBX& over, int32_t alpha);
// Dest := base, then FillRectAdd (add) or FillRectSub of a grey pixel.
void tintedCopy(TCustomDIBX& dest, TCustomDIBX& base, int32_t grey, bool add);

// The packed row kernels of the active level (null at the reference level).
inline const detail::TRowKernels32* kernels() { return detail::activeKernels32(); }

} // namespace nuvo::wipe
