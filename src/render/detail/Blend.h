// The per-pixel arithmetic of the drawing operations: the general form on any
// channel layout (the reference every faster path is checked against) and
// the same rules on 32-bit pixels.
#pragma once

#include "render/PixelFormat.h"

#include <algorithm>
#include <cstdint>

namespace nuvo::detail {

inline uint32_t clampWeight(int32_t w) { return static_cast<uint32_t>(std::clamp(w, 0, 255)); }

// ---- Any layout -----------------------------------------------------------

inline uint32_t chBlend(const TChannelLayout& l, uint32_t s, uint32_t d, uint32_t w) {
    uint32_t r = 0;
    for (int i = 0; i < l.count; ++i) {
        const uint32_t sv = (s & l.mask[i]) >> l.shift[i];
        const uint32_t dv = (d & l.mask[i]) >> l.shift[i];
        r |= ((w * sv + (255 - w) * dv) >> 8) << l.shift[i];
    }
    return r;
}

inline uint32_t chAddScaled(const TChannelLayout& l, uint32_t s, uint32_t d, uint32_t w) {
    uint32_t r = 0;
    for (int i = 0; i < l.count; ++i) {
        const uint32_t sv = (s & l.mask[i]) >> l.shift[i];
        const uint32_t dv = (d & l.mask[i]) >> l.shift[i];
        r |= std::min(l.max[i], dv + ((w * sv) >> 8)) << l.shift[i];
    }
    return r;
}

inline uint32_t chAdd(const TChannelLayout& l, uint32_t s, uint32_t d) {
    uint32_t r = 0;
    for (int i = 0; i < l.count; ++i) {
        const uint32_t sv = (s & l.mask[i]) >> l.shift[i];
        const uint32_t dv = (d & l.mask[i]) >> l.shift[i];
        r |= std::min(l.max[i], dv + sv) << l.shift[i];
    }
    return r;
}

inline uint32_t chSub(const TChannelLayout& l, uint32_t s, uint32_t d) {
    uint32_t r = 0;
    for (int i = 0; i < l.count; ++i) {
        const uint32_t sv = (s & l.mask[i]) >> l.shift[i];
        const uint32_t dv = (d & l.mask[i]) >> l.shift[i];
        r |= (dv > sv ? dv - sv : 0) << l.shift[i];
    }
    return r;
}

// ---- 32-bit pixels (all four bytes alike) ----------------------------------

inline uint32_t blend32(uint32_t s, uint32_t d, uint32_t w) {
    const uint32_t iw = 255 - w;
    const uint32_t rb = (((s & 0x00FF00FFu) * w + (d & 0x00FF00FFu) * iw) >> 8) & 0x00FF00FFu;
    const uint32_t ag = (((s >> 8) & 0x00FF00FFu) * w + ((d >> 8) & 0x00FF00FFu) * iw) & 0xFF00FF00u;
    return rb | ag;
}

// floor(w*s/256) per byte.
inline uint32_t scale32(uint32_t s, uint32_t w) {
    const uint32_t rb = (((s & 0x00FF00FFu) * w) >> 8) & 0x00FF00FFu;
    const uint32_t ag = (((s >> 8) & 0x00FF00FFu) * w) & 0xFF00FF00u;
    return rb | ag;
}

// Saturating byte-wise addition and subtraction (d + s, d - s).
inline uint32_t addSat32(uint32_t s, uint32_t d) {
    constexpr uint32_t H = 0x80808080u;
    const uint32_t sum = ((d & ~H) + (s & ~H)) ^ ((d ^ s) & H);
    const uint32_t carry = ((d & s) | ((d | s) & ~sum)) & H;
    return sum | ((carry >> 7) * 0xFFu);
}

inline uint32_t subSat32(uint32_t s, uint32_t d) {
    constexpr uint32_t H = 0x80808080u;
    const uint32_t diff = ((d | H) - (s & ~H)) ^ ((d ^ ~s) & H);
    const uint32_t borrow = ((~d & s) | ((~d | s) & diff)) & H;
    return diff & ~((borrow >> 7) * 0xFFu);
}

inline uint32_t addScaled32(uint32_t s, uint32_t d, uint32_t w) { return addSat32(scale32(s, w), d); }

} // namespace nuvo::detail
