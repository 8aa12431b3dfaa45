// Row kernels for 32-bit destinations: each works on n pixels of one row,
// source and mask running forwards alongside. The drawing operations clip,
// handle mirroring (by reversing a row into a scratch buffer) and call these.
#pragma once

#include <cstdint>

namespace nuvo::detail {

struct TRowKernels32 {
    // d := Blend(p, d, a) where d != p.
    void (*fillAlpha)(uint32_t* d, int n, uint32_t p, uint32_t a);
    void (*fillAdd)(uint32_t* d, int n, uint32_t p);
    void (*fillSub)(uint32_t* d, int n, uint32_t p);
    // d := s where s != key.
    void (*copyKey)(uint32_t* d, const uint32_t* s, int n, uint32_t key);
    // d := Blend(s, d, a) except where s == d or (useKey and s == key).
    void (*alpha)(uint32_t* d, const uint32_t* s, int n, uint32_t a, bool useKey, uint32_t key);
    // m == 0 keeps, m == 255 copies, else Blend(s, d, m).
    void (*mask)(uint32_t* d, const uint32_t* s, const uint8_t* m, int n);
    // m == 0 keeps, else Blend(s, d, a*m >> 8).
    void (*alphaMask)(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, uint32_t a);
    // d := AddScaled(s, d, amount) except where useKey and s == key.
    void (*add)(uint32_t* d, const uint32_t* s, int n, uint32_t amount, bool useKey, uint32_t key);
    // d := AddScaled(s, d, amount*m >> 8).
    void (*addMask)(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, uint32_t amount);
    // m == 0 or d == p keeps, else Blend(p, d, a == 255 ? m : a*m >> 8).
    void (*fillMask)(uint32_t* d, const uint8_t* m, int n, uint32_t p, uint32_t a);
    // w = (a == 255 ? m : a*m >> 8): w == 0 keeps, w == 255 copies p, else
    // Blend(p, d, w).
    void (*glyph)(uint32_t* d, const uint8_t* m, int n, uint32_t p, uint32_t a);
};

extern const TRowKernels32 kScalarKernels32;
extern const TRowKernels32 kSse2Kernels32;
extern const TRowKernels32 kAvx2Kernels32;

// The kernels of the active level, or nullptr at the reference level.
const TRowKernels32* activeKernels32();

} // namespace nuvo::detail
