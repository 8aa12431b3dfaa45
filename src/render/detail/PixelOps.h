// Per-pixel rules of the mapped draws (stretched, tiled, rotated). Each op
// gives the new destination value and whether to write it, in two forms with
// identical results: on any channel layout (the general path) and on 32-bit
// pixels (the fast path).
#pragma once

#include "render/detail/Blend.h"

#include <cstdint>

namespace nuvo::detail {

struct TArith {
    const TChannelLayout* l = nullptr; // null: 32-bit fast forms
    bool palette = false;
    uint32_t blend(uint32_t s, uint32_t d, uint32_t w) const { return l ? chBlend(*l, s, d, w) : blend32(s, d, w); }
    uint32_t addScaled(uint32_t s, uint32_t d, uint32_t w) const {
        if (!l) return addScaled32(s, d, w);
        return palette ? chAdd(*l, s, d) : chAddScaled(*l, s, d, w);
    }
};

// Copy, leaving out keyed pixels.
struct TOpCopy {
    bool keyed = false;
    uint32_t key = 0;
    uint32_t operator()(const TArith&, uint32_t s, uint32_t, uint32_t, bool& write) const {
        write = !(keyed && s == key);
        return s;
    }
};

// Blend at a constant weight, leaving out keyed pixels.
struct TOpBlend {
    uint32_t a = 255;
    bool keyed = false;
    uint32_t key = 0;
    uint32_t operator()(const TArith& ar, uint32_t s, uint32_t, uint32_t d, bool& write) const {
        write = !(keyed && s == key);
        return ar.blend(s, d, a);
    }
};

// Through a mask at full opacity: 0 keeps, 255 copies, else Blend(m).
struct TOpMask {
    uint32_t operator()(const TArith& ar, uint32_t s, uint32_t m, uint32_t d, bool& write) const {
        write = m != 0;
        return m == 255 ? s : ar.blend(s, d, m);
    }
};

// Through a mask at an alpha: 0 keeps, else Blend(alpha*m >> 8).
struct TOpAlphaMask {
    uint32_t a = 255;
    uint32_t operator()(const TArith& ar, uint32_t s, uint32_t m, uint32_t d, bool& write) const {
        write = m != 0;
        return ar.blend(s, d, (a * m) >> 8);
    }
};

struct TOpAdd {
    uint32_t amount = 0;
    bool keyed = false;
    uint32_t key = 0;
    uint32_t operator()(const TArith& ar, uint32_t s, uint32_t, uint32_t d, bool& write) const {
        write = !(keyed && s == key);
        return ar.addScaled(s, d, amount);
    }
};

struct TOpAddMask {
    uint32_t amount = 0;
    uint32_t operator()(const TArith& ar, uint32_t s, uint32_t m, uint32_t d, bool& write) const {
        write = m != 0;
        return ar.addScaled(s, d, (amount * m) >> 8);
    }
};

// An 8-bit source through a lookup table: copy, Blend or AddScaled.
struct TOpPalette {
    const int32_t* lookup = nullptr;
    uint32_t a = 255;
    bool add = false;
    uint32_t operator()(const TArith& ar, uint32_t s, uint32_t, uint32_t d, bool& write) const {
        write = true;
        const uint32_t v = static_cast<uint32_t>(lookup[s & 0xFF]);
        if (add) return ar.addScaled(v, d, a);
        return a >= 255 ? v : ar.blend(v, d, a);
    }
};

} // namespace nuvo::detail
