// The packed row kernels on SSE2 (part of every x86-64 processor): four
// pixels per register.
#include "render/detail/Blend.h"
#include "render/detail/Kernels32.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>

namespace nuvo::detail {
namespace {

#define NUVO_SIMD_TARGET
#define NUVO_VINLINE __attribute__((always_inline)) static inline

struct V128 {
    using reg = __m128i;
    static constexpr int N = 4;
    static constexpr uint32_t kAllOnes = 0xFFFFFFFFu;
    NUVO_VINLINE reg load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    NUVO_VINLINE void store(uint32_t* p, reg v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    NUVO_VINLINE reg set1(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
    NUVO_VINLINE reg set16(uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
    NUVO_VINLINE reg zero() { return _mm_setzero_si128(); }
    NUVO_VINLINE reg lo16(reg v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
    NUVO_VINLINE reg hi16(reg v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
    NUVO_VINLINE reg pack16(reg lo, reg hi) { return _mm_packus_epi16(lo, hi); }
    NUVO_VINLINE reg mul16(reg a, reg b) { return _mm_mullo_epi16(a, b); }
    NUVO_VINLINE reg add16(reg a, reg b) { return _mm_add_epi16(a, b); }
    NUVO_VINLINE reg sub16(reg a, reg b) { return _mm_sub_epi16(a, b); }
    NUVO_VINLINE reg srl8(reg a) { return _mm_srli_epi16(a, 8); }
    NUVO_VINLINE reg adds8(reg a, reg b) { return _mm_adds_epu8(a, b); }
    NUVO_VINLINE reg subs8(reg a, reg b) { return _mm_subs_epu8(a, b); }
    NUVO_VINLINE reg cmpeq32(reg a, reg b) { return _mm_cmpeq_epi32(a, b); }
    NUVO_VINLINE reg cmpeq8(reg a, reg b) { return _mm_cmpeq_epi8(a, b); }
    NUVO_VINLINE reg orr(reg a, reg b) { return _mm_or_si128(a, b); }
    NUVO_VINLINE reg sel(reg m, reg a, reg b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }
    NUVO_VINLINE uint32_t maskBits(const uint8_t* m) {
        uint32_t v;
        std::memcpy(&v, m, 4);
        return v;
    }
    NUVO_VINLINE reg expandMask(const uint8_t* m) {
        const reg v = _mm_cvtsi32_si128(static_cast<int>(maskBits(m)));
        const reg b2 = _mm_unpacklo_epi8(v, v);
        return _mm_unpacklo_epi16(b2, b2);
    }
};

#include "render/detail/SimdRows.inl"

} // namespace

const TRowKernels32 kSse2Kernels32 = makeSimdKernels<V128>();

} // namespace nuvo::detail

#else

namespace nuvo::detail {
const TRowKernels32 kSse2Kernels32 = kScalarKernels32;
}

#endif
