// The packed row kernels on AVX2: eight pixels per register. Compiled for
// AVX2 function by function, so the rest of the program keeps the x86-64
// baseline; chosen at run time only when the processor has AVX2.
#include "render/detail/Blend.h"
#include "render/detail/Kernels32.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>

namespace nuvo::detail {
namespace {

#define NUVO_SIMD_TARGET __attribute__((target("avx2")))
#define NUVO_VINLINE __attribute__((always_inline, target("avx2"))) static inline

struct V256 {
    using reg = __m256i;
    static constexpr int N = 8;
    static constexpr uint64_t kAllOnes = ~uint64_t{0};
    NUVO_VINLINE reg load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    NUVO_VINLINE void store(uint32_t* p, reg v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    NUVO_VINLINE reg set1(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
    NUVO_VINLINE reg set16(uint16_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    NUVO_VINLINE reg zero() { return _mm256_setzero_si256(); }
    NUVO_VINLINE reg lo16(reg v) { return _mm256_unpacklo_epi8(v, _mm256_setzero_si256()); }
    NUVO_VINLINE reg hi16(reg v) { return _mm256_unpackhi_epi8(v, _mm256_setzero_si256()); }
    NUVO_VINLINE reg pack16(reg lo, reg hi) { return _mm256_packus_epi16(lo, hi); }
    NUVO_VINLINE reg mul16(reg a, reg b) { return _mm256_mullo_epi16(a, b); }
    NUVO_VINLINE reg add16(reg a, reg b) { return _mm256_add_epi16(a, b); }
    NUVO_VINLINE reg sub16(reg a, reg b) { return _mm256_sub_epi16(a, b); }
    NUVO_VINLINE reg srl8(reg a) { return _mm256_srli_epi16(a, 8); }
    NUVO_VINLINE reg adds8(reg a, reg b) { return _mm256_adds_epu8(a, b); }
    NUVO_VINLINE reg subs8(reg a, reg b) { return _mm256_subs_epu8(a, b); }
    NUVO_VINLINE reg cmpeq32(reg a, reg b) { return _mm256_cmpeq_epi32(a, b); }
    NUVO_VINLINE reg cmpeq8(reg a, reg b) { return _mm256_cmpeq_epi8(a, b); }
    NUVO_VINLINE reg orr(reg a, reg b) { return _mm256_or_si256(a, b); }
    NUVO_VINLINE reg sel(reg m, reg a, reg b) { return _mm256_blendv_epi8(b, a, m); }
    NUVO_VINLINE uint64_t maskBits(const uint8_t* m) {
        uint64_t v;
        std::memcpy(&v, m, 8);
        return v;
    }
    NUVO_VINLINE reg expandMask(const uint8_t* m) {
        const reg v = _mm256_set1_epi64x(static_cast<long long>(maskBits(m)));
        const reg spread = _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, //
                                            4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
        return _mm256_shuffle_epi8(v, spread);
    }
};

#include "render/detail/SimdRows.inl"

} // namespace

const TRowKernels32 kAvx2Kernels32 = makeSimdKernels<V256>();

} // namespace nuvo::detail

#else

namespace nuvo::detail {
const TRowKernels32 kAvx2Kernels32 = kScalarKernels32;
}

#endif
