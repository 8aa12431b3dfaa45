// Plain row kernels: the fallback on processors without packed arithmetic
// and the tails of the packed kernels follow the same rules (Blend.h).
#include "render/KernelLevel.h"
#include "render/detail/Blend.h"
#include "render/detail/Kernels32.h"

#include <atomic>
#include <cstring>

namespace nuvo::detail {
namespace {

void scalarFillAlpha(uint32_t* d, int n, uint32_t p, uint32_t a) {
    for (int i = 0; i < n; ++i)
        if (d[i] != p) d[i] = blend32(p, d[i], a);
}

void scalarFillAdd(uint32_t* d, int n, uint32_t p) {
    for (int i = 0; i < n; ++i) d[i] = addSat32(p, d[i]);
}

void scalarFillSub(uint32_t* d, int n, uint32_t p) {
    for (int i = 0; i < n; ++i) d[i] = subSat32(p, d[i]);
}

void scalarCopyKey(uint32_t* d, const uint32_t* s, int n, uint32_t key) {
    for (int i = 0; i < n; ++i)
        if (s[i] != key) d[i] = s[i];
}

void scalarAlpha(uint32_t* d, const uint32_t* s, int n, uint32_t a, bool useKey, uint32_t key) {
    for (int i = 0; i < n; ++i)
        if (s[i] != d[i] && !(useKey && s[i] == key)) d[i] = blend32(s[i], d[i], a);
}

void scalarMask(uint32_t* d, const uint32_t* s, const uint8_t* m, int n) {
    for (int i = 0; i < n; ++i) {
        const uint32_t w = m[i];
        if (w == 255)
            d[i] = s[i];
        else if (w)
            d[i] = blend32(s[i], d[i], w);
    }
}

void scalarAlphaMask(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, uint32_t a) {
    for (int i = 0; i < n; ++i)
        if (m[i]) d[i] = blend32(s[i], d[i], (a * m[i]) >> 8);
}

void scalarAdd(uint32_t* d, const uint32_t* s, int n, uint32_t amount, bool useKey, uint32_t key) {
    for (int i = 0; i < n; ++i)
        if (!(useKey && s[i] == key)) d[i] = addScaled32(s[i], d[i], amount);
}

void scalarAddMask(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, uint32_t amount) {
    for (int i = 0; i < n; ++i)
        if (m[i]) d[i] = addScaled32(s[i], d[i], (amount * m[i]) >> 8);
}

void scalarFillMask(uint32_t* d, const uint8_t* m, int n, uint32_t p, uint32_t a) {
    for (int i = 0; i < n; ++i) {
        if (!m[i] || d[i] == p) continue;
        d[i] = blend32(p, d[i], a == 255 ? m[i] : (a * m[i]) >> 8);
    }
}

void scalarGlyph(uint32_t* d, const uint8_t* m, int n, uint32_t p, uint32_t a) {
    int i = 0;
    if (a == 255)
        // Glyph coverage is mostly empty or full ink: four at a time.
        for (; i + 4 <= n; i += 4) {
            uint32_t four;
            std::memcpy(&four, m + i, 4);
            if (four == 0) continue;
            if (four == 0xFFFFFFFFu) {
                d[i] = d[i + 1] = d[i + 2] = d[i + 3] = p;
                continue;
            }
            for (int k = 0; k < 4; ++k) {
                const uint32_t w = m[i + k];
                if (w) d[i + k] = w == 255 ? p : blend32(p, d[i + k], w);
            }
        }
    for (; i < n; ++i) {
        const uint32_t w = a == 255 ? m[i] : (a * m[i]) >> 8;
        if (w) d[i] = w == 255 ? p : blend32(p, d[i], w);
    }
}

bool cpuHasAvx2() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool cpuHasSse2() {
#if defined(__x86_64__)
    return true;
#else
    return false;
#endif
}

std::atomic<TKernelLevel>& levelSlot() {
    static std::atomic<TKernelLevel> level{bestKernelLevel()};
    return level;
}

} // namespace

const TRowKernels32 kScalarKernels32{&scalarFillAlpha, &scalarFillAdd,   &scalarFillSub, &scalarCopyKey,
                                     &scalarAlpha,     &scalarMask,      &scalarAlphaMask, &scalarAdd,
                                     &scalarAddMask,   &scalarFillMask,  &scalarGlyph};

const TRowKernels32* activeKernels32() {
    switch (levelSlot().load(std::memory_order_relaxed)) {
    case TKernelLevel::Reference: return nullptr;
    case TKernelLevel::Scalar: return &kScalarKernels32;
    case TKernelLevel::Sse2: return &kSse2Kernels32;
    case TKernelLevel::Avx2: return &kAvx2Kernels32;
    }
    return &kScalarKernels32;
}

} // namespace nuvo::detail

namespace nuvo {

bool kernelLevelSupported(TKernelLevel level) {
    switch (level) {
    case TKernelLevel::Reference:
    case TKernelLevel::Scalar: return true;
    case TKernelLevel::Sse2: return detail::cpuHasSse2();
    case TKernelLevel::Avx2: {
        static const bool has = detail::cpuHasAvx2();
        return has;
    }
    }
    return false;
}

TKernelLevel bestKernelLevel() {
    if (kernelLevelSupported(TKernelLevel::Avx2)) return TKernelLevel::Avx2;
    if (kernelLevelSupported(TKernelLevel::Sse2)) return TKernelLevel::Sse2;
    return TKernelLevel::Scalar;
}

TKernelLevel activeKernelLevel() { return detail::levelSlot().load(std::memory_order_relaxed); }

TKernelLevel setKernelLevel(TKernelLevel level) {
    const TKernelLevel old = activeKernelLevel();
    if (kernelLevelSupported(level)) detail::levelSlot().store(level, std::memory_order_relaxed);
    return old;
}

const char* kernelLevelName(TKernelLevel level) {
    switch (level) {
    case TKernelLevel::Reference: return "reference";
    case TKernelLevel::Scalar: return "scalar";
    case TKernelLevel::Sse2: return "sse2";
    case TKernelLevel::Avx2: return "avx2";
    }
    return "?";
}

} // namespace nuvo
