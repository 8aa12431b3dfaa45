#include "media/MixKernels.h"

#include <algorithm>
#include <atomic>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace nuvo {

namespace {

using Kernel = void (*)(int16_t*, const int16_t*, size_t, int32_t);

inline int16_t scaled(int16_t s, int32_t volume) {
    return volume < 255 ? static_cast<int16_t>((int32_t{s} * volume) >> 8) : s;
}

void mixPlain(int16_t* dst, const int16_t* src, size_t n, int32_t volume) {
    for (size_t i = 0; i < n; ++i)
        dst[i] = static_cast<int16_t>(std::clamp(int32_t{dst[i]} + scaled(src[i], volume), -32768, 32767));
}

#if defined(__x86_64__)

// (s × v) >> 8 of the full 32-bit product: its middle 16 bits, which hold
// the whole result because v is below 256.
__attribute__((target("sse2"))) inline __m128i scale128(__m128i s, __m128i v) {
    const __m128i lo = _mm_mullo_epi16(s, v), hi = _mm_mulhi_epi16(s, v);
    return _mm_or_si128(_mm_slli_epi16(hi, 8), _mm_srli_epi16(lo, 8));
}

__attribute__((target("sse2"))) void mixSse2(int16_t* dst, const int16_t* src, size_t n, int32_t volume) {
    size_t i = 0;
    const __m128i v = _mm_set1_epi16(static_cast<short>(volume));
    const bool scale = volume < 255;
    for (; i + 8 <= n; i += 8) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        if (scale) s = scale128(s, v);
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_adds_epi16(d, s));
    }
    mixPlain(dst + i, src + i, n - i, volume);
}

__attribute__((target("avx2"))) inline __m256i scale256(__m256i s, __m256i v) {
    const __m256i lo = _mm256_mullo_epi16(s, v), hi = _mm256_mulhi_epi16(s, v);
    return _mm256_or_si256(_mm256_slli_epi16(hi, 8), _mm256_srli_epi16(lo, 8));
}

__attribute__((target("avx2"))) void mixAvx2(int16_t* dst, const int16_t* src, size_t n, int32_t volume) {
    size_t i = 0;
    const __m256i v = _mm256_set1_epi16(static_cast<short>(volume));
    const bool scale = volume < 255;
    for (; i + 32 <= n; i += 32) {
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 16));
        if (scale) {
            a = scale256(a, v);
            b = scale256(b, v);
        }
        const __m256i da = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        const __m256i db = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i + 16));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_adds_epi16(da, a));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i + 16), _mm256_adds_epi16(db, b));
    }
    mixSse2(dst + i, src + i, n - i, volume);
}

#endif

Kernel kernelOf(TMixKernel k) {
#if defined(__x86_64__)
    if (k == TMixKernel::Avx2) return &mixAvx2;
    if (k == TMixKernel::Sse2) return &mixSse2;
#endif
    (void)k;
    return &mixPlain;
}

std::atomic<int>& activeIndex() {
    static std::atomic<int> active{static_cast<int>(bestMixKernel())};
    return active;
}

} // namespace

bool mixKernelSupported(TMixKernel kernel) {
    switch (kernel) {
    case TMixKernel::Plain:
        return true;
#if defined(__x86_64__)
    case TMixKernel::Sse2:
        return true;
    case TMixKernel::Avx2:
        return __builtin_cpu_supports("avx2");
#endif
    default:
        return false;
    }
}

TMixKernel bestMixKernel() {
    if (mixKernelSupported(TMixKernel::Avx2)) return TMixKernel::Avx2;
    if (mixKernelSupported(TMixKernel::Sse2)) return TMixKernel::Sse2;
    return TMixKernel::Plain;
}

TMixKernel activeMixKernel() { return static_cast<TMixKernel>(activeIndex().load()); }

TMixKernel setMixKernel(TMixKernel kernel) {
    const TMixKernel previous = activeMixKernel();
    if (mixKernelSupported(kernel)) activeIndex() = static_cast<int>(kernel);
    return previous;
}

const char* mixKernelName(TMixKernel kernel) {
    switch (kernel) {
    case TMixKernel::Plain:
        return "plain";
    case TMixKernel::Sse2:
        return "sse2";
    case TMixKernel::Avx2:
        return "avx2";
    }
    return "?";
}

void mixSamples(int16_t* dst, const int16_t* src, size_t samples, int32_t volume) {
    kernelOf(activeMixKernel())(dst, src, samples, volume);
}

void mixSamplesWith(TMixKernel kernel, int16_t* dst, const int16_t* src, size_t samples, int32_t volume) {
    if (!mixKernelSupported(kernel)) kernel = TMixKernel::Plain;
    kernelOf(kernel)(dst, src, samples, volume);
}

} // namespace nuvo
