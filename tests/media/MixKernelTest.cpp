// Every mix kernel the processor offers gives the plain kernel's samples on
// random input: any volume (the scaling boundary at 255 included), any
// length (the vector tails included), values at both ends of the range.
#include "media/MixKernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace nuvo {
namespace {

TEST(MixKernels, EveryKernelMatchesThePlainOne) {
    std::mt19937 rng(1234);
    const auto sample = [&] {
        switch (rng() % 4) {
        case 0:
            return static_cast<int16_t>(32767 - static_cast<int>(rng() % 4));
        case 1:
            return static_cast<int16_t>(-32768 + static_cast<int>(rng() % 4));
        default:
            return static_cast<int16_t>(rng());
        }
    };
    const int32_t volumes[] = {0, 1, 127, 128, 200, 254, 255, 256};
    for (const TMixKernel kernel : {TMixKernel::Sse2, TMixKernel::Avx2}) {
        if (!mixKernelSupported(kernel)) continue;
        SCOPED_TRACE(mixKernelName(kernel));
        for (int round = 0; round < 400; ++round) {
            const size_t n = rng() % 200;
            const int32_t volume = round < 8 ? volumes[round] : static_cast<int32_t>(rng() % 257);
            std::vector<int16_t> src(n + 1), dst(n + 1);
            for (size_t i = 0; i <= n; ++i) {
                src[i] = sample();
                dst[i] = sample();
            }
            std::vector<int16_t> expected = dst, actual = dst;
            // Unaligned starts, and the sample after the end stays untouched.
            const size_t skew = n > 0 ? rng() % 2 : 0;
            mixSamplesWith(TMixKernel::Plain, expected.data() + skew, src.data(), n - skew, volume);
            mixSamplesWith(kernel, actual.data() + skew, src.data(), n - skew, volume);
            ASSERT_EQ(actual, expected) << "n " << n << " volume " << volume;
        }
    }
}

TEST(MixKernels, ThePlainKernelSaturatesAndShifts) {
    const std::vector<int16_t> src = {32767, -32768, -1, -3, 1000, 255};
    std::vector<int16_t> dst = {1, -1, 0, 0, 0, 0};
    mixSamplesWith(TMixKernel::Plain, dst.data(), src.data(), src.size(), 256);
    EXPECT_EQ(dst, (std::vector<int16_t>{32767, -32768, -1, -3, 1000, 255}));
    dst.assign(src.size(), 0);
    mixSamplesWith(TMixKernel::Plain, dst.data(), src.data(), src.size(), 128);
    EXPECT_EQ(dst, (std::vector<int16_t>{16383, -16384, -1, -2, 500, 127}));
}

} // namespace
} // namespace nuvo
